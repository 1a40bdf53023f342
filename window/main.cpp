#include "DesktopServices.h"
#include "principale.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installDesktopServices();
    if (!principale::Main())
        return 0;
    return QApplication::exec();
}
