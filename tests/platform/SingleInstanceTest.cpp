#include "InstanceLock.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QLocalSocket>

#include <unistd.h>
#endif

namespace {

// Whether a process holds the program's lock, asked without taking it: holding it even for an
// instant could make the program under test believe that another instance runs, and end.
bool programLockIsHeld()
{
#ifdef Q_OS_WIN
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"Local\\Tarnwick");
    if (mutex)
        CloseHandle(mutex);
    return mutex != nullptr;
#else
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(QStringLiteral("Tarnwick-%1").arg(getuid()));
    return socket.waitForConnected(1000);
#endif
}

} // namespace

TEST(InstanceLock, OneHolderPerNameUntilItIsReleased)
{
    const QString name = QStringLiteral("tarnwick-lock-test-%1").arg(QCoreApplication::applicationPid());
    {
        InstanceLock first(name);
        ASSERT_TRUE(first.acquired());
        EXPECT_FALSE(InstanceLock(name).acquired());
        EXPECT_TRUE(InstanceLock(name + "-other").acquired());
    }
    EXPECT_TRUE(InstanceLock(name).acquired());
}

// Two real starts of the program: the second ends at once, silently, while the first runs on.
TEST(InstanceLock, ASecondStartOfTheProgramEndsAtOnce)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(TARNWICK_PROGRAM, {});
    ASSERT_TRUE(first.waitForStarted());

    // The first instance holds the program's lock once its window is up.
    bool firstHoldsLock = false;
    for (int attempt = 0; attempt < 200 && !firstHoldsLock; ++attempt) {
        firstHoldsLock = programLockIsHeld();
        if (!firstHoldsLock)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(firstHoldsLock) << "the first instance never took the lock";

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(TARNWICK_PROGRAM, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(second.readAllStandardOutput(), "");
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished();
}
