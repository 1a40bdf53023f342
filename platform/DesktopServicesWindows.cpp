#include "DesktopServices.h"

#include "DesktopIconServices.h"

#include <memory>

// The shell knows every file type's icon: there is no theme to choose on Windows.
void installDesktopServices()
{
    installIconServices(std::make_shared<DesktopIconServices>());
}
