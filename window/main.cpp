#include "DesktopServices.h"
#include "principale.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    installDesktopServices();
    if (!principale::Main())
        return 0;
    return QApplication::exec();
}
