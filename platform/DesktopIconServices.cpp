#include "DesktopIconServices.h"

#include "PrivateDirectory.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMimeDatabase>
#include <QMimeType>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int smallIconSize = 16;

QIcon themeIconFor(const QString& path)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    return icon;
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
    QIcon icon = themeIconFor(path);
    if (icon.isNull())
        icon = QFileIconProvider().icon(QFileInfo(path));
    return icon.pixmap(QSize(smallIconSize, smallIconSize), qGuiApp->devicePixelRatio());
}
