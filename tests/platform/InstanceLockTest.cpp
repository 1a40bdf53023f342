// The previous-instance lock: one holder per user and name, and nothing another local user
// plants can take it or make it look taken.
#include "InstanceLock.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

// Each test gets a private runtime directory of its own: the real one is never touched.
class InstanceLockTest : public ::testing::Test {
protected:
    QTemporaryDir runtimeDir; // made with mode 0700
    QByteArray savedRuntimeDir = qgetenv("XDG_RUNTIME_DIR");

    void SetUp() override { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path())); }
    void TearDown() override
    {
        savedRuntimeDir.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", savedRuntimeDir);
    }

    QByteArray lockPath(const QString& name) const { return QFile::encodeName(runtimeDir.filePath(name + ".lock")); }
};

// What a process of the user nobody holds at the lock's name, or at the abstract socket name
// an earlier lock used, before the program starts.
enum class Plant { heldFile, boundSocket, abstractSocket };

// Forks a process that plants the thing as the user nobody and keeps it (and any lock on it)
// until it is killed; answers its pid once the thing is in place, -1 when it could not be
// planted. The child makes only async-signal-safe calls.
pid_t plantAsNobody(Plant plant, const QByteArray& path, const QByteArray& abstractName)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid > 0) {
        ::close(ready[1]);
        char byte = 0;
        const bool planted = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        if (!planted)
            ::waitpid(pid, nullptr, 0);
        return planted ? pid : -1;
    }
    bool ok = false;
    if (plant == Plant::heldFile) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT, 0644);
        struct flock whole {};
        whole.l_type = F_WRLCK;
        ok = fd >= 0 && ::fchown(fd, nobody, nobody) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0
             && ::fcntl(fd, F_OFD_SETLK, &whole) == 0;
    } else {
        // A socket file is bound by root in the private directory, then handed to nobody.
        const bool abstract = plant == Plant::abstractSocket;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray& name = abstract ? abstractName : path;
        for (qsizetype i = 0; i < name.size() && i + 2 < qsizetype(sizeof address.sun_path); ++i)
            address.sun_path[abstract ? i + 1 : i] = name[i];
        // An abstract name is exactly its bytes after the leading NUL.
        const auto length = socklen_t(abstract ? offsetof(sockaddr_un, sun_path) + 1 + name.size() : sizeof address);
        const auto bound = [&] { return ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0; };
        ok = fd >= 0 && (abstract || (bound() && ::chown(path.constData(), nobody, nobody) == 0))
             && ::setgid(nobody) == 0 && ::setuid(nobody) == 0 && (!abstract || bound()) && ::listen(fd, 1) == 0;
    }
    if (ok && ::write(ready[1], "!", 1) == 1)
        ::pause();
    ::_exit(1);
}

} // namespace

TEST_F(InstanceLockTest, OneHolderPerNameUntilItIsReleased)
{
    {
        InstanceLock first("Tarnwick");
        ASSERT_TRUE(first.acquired());
        EXPECT_FALSE(InstanceLock("Tarnwick").acquired());
        EXPECT_TRUE(InstanceLock("Other").acquired());
    }
    EXPECT_TRUE(InstanceLock("Tarnwick").acquired());
    struct stat status {};
    ASSERT_EQ(::stat(lockPath("Tarnwick").constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

TEST_F(InstanceLockTest, NothingAnotherUserPlantsTakesOrFakesTheLock)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    // Abstract socket names are shared by the whole machine: take them in a network namespace
    // of this test's own, apart from every other program.
    if (::unshare(CLONE_NEWNET) != 0)
        GTEST_SKIP() << "no network namespace of the test's own can be made here";
    const QByteArray abstractName = "Tarnwick-" + QByteArray::number(::getuid());
    const struct {
        const char* what;
        Plant plant;
    } cases[] = {
        {"a file of nobody's, locked by nobody", Plant::heldFile},
        {"a socket of nobody's, listening", Plant::boundSocket},
        {"nobody listening on the abstract name Tarnwick-<uid>", Plant::abstractSocket},
    };
    for (const auto& c : cases) {
        const pid_t planter = plantAsNobody(c.plant, lockPath("Tarnwick"), abstractName);
        ASSERT_GT(planter, 0) << c.what;
        {
            InstanceLock lock("Tarnwick");
            EXPECT_TRUE(lock.acquired()) << c.what;
            EXPECT_FALSE(InstanceLock("Tarnwick").acquired()) << c.what << ": the lock must really be held";
        }
        ::kill(planter, SIGKILL);
        ::waitpid(planter, nullptr, 0);
        ::unlink(lockPath("Tarnwick").constData());
    }
}

// Two real starts of the program: the second ends at once, silently, while the first runs on.
TEST_F(InstanceLockTest, ASecondStartOfTheProgramEndsAtOnce)
{
    // Whether the program holds its lock, asked without taking it: holding it even for an
    // instant could make the program under test believe that another instance runs, and end.
    const auto programHoldsLock = [this] {
        const int fd = ::open(lockPath("Tarnwick").constData(), O_RDONLY | O_CLOEXEC);
        struct flock whole {};
        whole.l_type = F_WRLCK;
        const bool held = fd >= 0 && ::fcntl(fd, F_OFD_GETLK, &whole) == 0 && whole.l_type != F_UNLCK;
        if (fd >= 0)
            ::close(fd);
        return held;
    };
    QProcess first;
    first.start(TARNWICK_PROGRAM, {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor(programHoldsLock, 10000)) << "the first instance never took the lock";

    QProcess second;
    second.start(TARNWICK_PROGRAM, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(second.readAllStandardOutput(), "");
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished();
}
