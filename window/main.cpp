#include "DesktopServices.h"
#include "principale.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.0"));
    installDesktopServices();
    if (!principale::Main())
        return 0;
    return QApplication::exec();
}
