#include "PrivateDirectory.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool isPrivateDirectory(const QString& path)
{
    struct stat status {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

QString privateTempDir()
{
    const QString path = QDir(QDir::tempPath()).filePath(QStringLiteral("tarnwick-%1").arg(::geteuid()));
    if (::mkdir(QFile::encodeName(path).constData(), S_IRWXU) != 0 && errno != EEXIST)
        return {};
    return isPrivateDirectory(path) ? path : QString();
}

QString privateRuntimeDir()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return QDir::isAbsolutePath(runtime) && isPrivateDirectory(runtime) ? runtime : privateTempDir();
}

int openOwnerOnlyFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, S_IRUSR | S_IWUSR);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
