#include "principale.h"

#include "InstanceLock.h"
#include "ServerSource.h"
#include "frmMain.h"

#include <memory>

frmMain* principale::Main()
{
    // Held for the rest of the process: the lock goes with it when the process ends.
    static InstanceLock lock(QStringLiteral("Tarnwick"));
    if (!lock.acquired())
        return nullptr;
    auto* window = new frmMain([] { return makeServerSource(); });
    window->show();
    return window;
}
