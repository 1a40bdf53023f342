#include "DesktopIconServices.h"

#include "PrivateDirectory.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QMimeType>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int smallIconSize = 16;

QIcon themeIconFor(const QMimeType& type)
{
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    return icon;
}

// A theme lookup that misses searches every folder of the theme and its parents, thousands of
// file probes where a theme's cache is missing or stale; every new window asks again for each
// type. So each type's icon, at each pixel ratio, is looked up once per process.
QHash<QString, QPixmap>& iconsByType()
{
    static QHash<QString, QPixmap> icons;
    return icons;
}

} // namespace

QString DesktopIconServices::tempPath()
{
    return privateTempDir();
}

bool DesktopIconServices::createOrOpen(const QString& path)
{
    if (path.isEmpty())
        return false;
    const int fd = openOwnerOnlyFile(path);
    if (fd < 0)
        return false;
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    return regular;
}

QPixmap DesktopIconServices::smallIconOf(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    const qreal ratio = qGuiApp->devicePixelRatio();
    const QString key = type.name() + u' ' + QString::number(ratio);
    if (const auto known = iconsByType().constFind(key); known != iconsByType().cend())
        return *known;
    QIcon icon = themeIconFor(type);
    if (icon.isNull())
        icon = QFileIconProvider().icon(QFileInfo(path));
    const QPixmap pixmap = icon.pixmap(QSize(smallIconSize, smallIconSize), ratio);
    iconsByType().insert(key, pixmap);
    return pixmap;
}
