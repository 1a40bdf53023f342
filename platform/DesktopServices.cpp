#include "DesktopServices.h"

#include "DesktopIconServices.h"

#include <QDir>
#include <QIcon>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <memory>

namespace {

// hicolor is the freedesktop base every theme falls back to: it holds no file-type icons.
bool namesUsableTheme(const QString& theme)
{
    return !theme.isEmpty() && theme != u"hicolor";
}

// Platforms without a desktop theme (offscreen among them) search only Qt's resources;
// the installed themes live in the icons folders of the data directories.
void addSystemIconFolders()
{
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& dataDir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString icons = QDir(dataDir).filePath(QStringLiteral("icons"));
        if (!paths.contains(icons) && QDir(icons).exists())
            paths.append(icons);
    }
    QIcon::setThemeSearchPaths(paths);
}

} // namespace

void installDesktopServices()
{
    addSystemIconFolders();
    if (!namesUsableTheme(QIcon::themeName()))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    installIconServices(std::make_shared<DesktopIconServices>());
}
