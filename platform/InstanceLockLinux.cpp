#include "InstanceLock.h"

#include "PrivateDirectory.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isOwnRegularFile(int fd)
{
    struct stat status {};
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid();
}

// The user's own regular file at the path, made when missing; -1 when none can be had. Only
// the user (or the administrator) can write into a private directory, so whatever else stands
// at the name (a file of another user, a link, a socket) is removed and a file made afresh.
int openOwnFile(const QString& path)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = openOwnerOnlyFile(path);
        if (fd >= 0 && isOwnRegularFile(fd))
            return fd;
        if (fd >= 0)
            ::close(fd);
        if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
            return -1;
    }
    return -1;
}

} // namespace

// The open lock file; without one (fd -1) the lock could not be set up at all.
struct InstanceLock::Held {
    int fd = -1;
    ~Held()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

InstanceLock::InstanceLock(const QString& name) : m_held(std::make_unique<Held>())
{
    const QString directory = privateRuntimeDir();
    if (directory.isEmpty())
        return;
    m_held->fd = openOwnFile(QDir(directory).filePath(name + QStringLiteral(".lock")));
    if (m_held->fd < 0)
        return;
    // An open-file-description lock over the whole file: it belongs to this descriptor alone,
    // so no other open or close in the process can drop it.
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (::fcntl(m_held->fd, F_OFD_SETLK, &whole) != 0 && (errno == EAGAIN || errno == EACCES))
        m_held.reset();
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::acquired() const
{
    return m_held != nullptr;
}
