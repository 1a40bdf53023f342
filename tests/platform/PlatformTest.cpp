// What the platform keeps to the user alone: ghost files only in the user's private temporary
// directory, never in a place another user made; icons drawn sharp on a scaled screen; and the
// previous-instance lock, one holder per user and name, which nothing another local user plants
// can take or make look taken.
#include "DesktopIconServices.h"
#include "DesktopServices.h"
#include "InstanceLock.h"
#include "PrivateDirectory.h"

#include "ImageList.h"
#include "ListView.h"
#include "listViewUtility.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

// The whole executable runs on a screen scaled to 200 %: set before main makes the application.
const bool scaledScreen = qputenv("QT_SCALE_FACTOR", "2");

// The build's temporary directory, taken before any test points TMPDIR elsewhere.
const QString buildTemp = QDir::tempPath();

// TMPDIR and XDG_RUNTIME_DIR point to a temporary directory of the test's own (mode 0700): the
// real ones are never touched. Every test sets both anew, so none restores them.
class Platform : public ::testing::Test {
protected:
    QTemporaryDir dir{buildTemp + QStringLiteral("/platform-XXXXXX")};
    DesktopIconServices services;
    const QString privateDir = dir.filePath(QStringLiteral("tarnwick-%1").arg(::geteuid()));

    void SetUp() override
    {
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    }

    QString pathOf(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QByteArray lockPath() const { return QFile::encodeName(pathOf("Tarnwick.lock")); }

    static mode_t modeOf(const QString& path)
    {
        struct stat status {};
        return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
    }
};

TEST_F(Platform, CreateOrOpenMakesPrivateFilesNeverTruncatesAndRefusesLinks)
{
    const QString fresh = pathOf("ghost.pdf");
    ASSERT_TRUE(services.createOrOpen(fresh));
    EXPECT_EQ(modeOf(fresh), 0600u);

    const QString existing = pathOf("ghost.txt");
    QFile kept(existing);
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly) && kept.write("kept") == 4);
    kept.close();
    EXPECT_TRUE(services.createOrOpen(existing));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("kept"));

    ASSERT_TRUE(QFile::link(existing, pathOf("ghost.lnk")));
    ASSERT_TRUE(QFile::link(pathOf("nowhere"), pathOf("ghost.dangling")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pathOf("ghost.fifo")).constData(), 0600), 0);
    for (const char* refused : {"ghost.lnk", "ghost.dangling", "ghost.fifo", "missing/ghost.pdf"})
        EXPECT_FALSE(services.createOrOpen(pathOf(refused))) << refused;
}

// Whatever stands at the private directory's name before the first need: only the user's own
// directory closed to everybody else is taken; the rest is refused as it is, never repaired.
TEST_F(Platform, ThePrivateTemporaryDirectoryIsMadeOnFirstNeedAndAnythingElseRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "planting a directory of another user needs root";
    QTemporaryDir elsewhere;
    const struct {
        const char* what;
        std::function<bool(const char*)> plant;
        bool taken;
    } cases[] = {
        {"nothing", [](const char*) { return true; }, true},
        {"the user's own, mode 0700", [](const char* p) { return ::mkdir(p, 0700) == 0; }, true},
        {"the user's own, mode 0755",
            [](const char* p) { return ::mkdir(p, 0700) == 0 && ::chmod(p, 0755) == 0; }, false},
        {"nobody's, mode 0700",
            [](const char* p) { return ::mkdir(p, 0700) == 0 && ::chown(p, nobody, nobody) == 0; }, false},
        {"a link to a private directory",
            [&](const char* p) { return ::symlink(QFile::encodeName(elsewhere.path()), p) == 0; }, false},
        {"a file", [](const char* p) { return ::close(::creat(p, 0600)) == 0; }, false},
    };
    for (const auto& c : cases) {
        QFile::remove(privateDir);
        QDir(privateDir).removeRecursively();
        ASSERT_TRUE(c.plant(QFile::encodeName(privateDir))) << c.what;
        const mode_t planted = modeOf(privateDir);
        EXPECT_EQ(services.tempPath().toStdString(), c.taken ? privateDir.toStdString() : "") << c.what;
        EXPECT_EQ(modeOf(privateDir), c.taken ? (S_IRWXU | 0u) : planted) << c.what;
    }
    EXPECT_EQ(modeOf(elsewhere.path()), S_IRWXU | 0u);
}

// The lock's directory: the session's runtime directory when it is the user's alone.
TEST_F(Platform, TheRuntimeDirectoryIsUsedOnlyWhenPrivate)
{
    const QString run = pathOf("run");
    ASSERT_TRUE(QDir().mkdir(run));
    const struct {
        QString runtimeDir;
        mode_t mode;
        bool used;
    } cases[] = {{run, 0700, true}, {run, 0750, false}, {QDir::current().relativeFilePath(run), 0700, false},
        {QString(), 0700, false}};
    for (const auto& c : cases) {
        if (c.runtimeDir.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(c.runtimeDir));
        ::chmod(QFile::encodeName(run), c.mode);
        EXPECT_EQ(privateRuntimeDir(), c.used ? c.runtimeDir : privateDir) << c.runtimeDir.toStdString();
    }
}

// The whole road of an icon on this desktop, on a screen scaled to 200 %: ghost files, the
// theme's icons, the captured images. Common types get icons of their own, not the generic file
// icon, drawn at the screen's scale rather than enlarged.
TEST_F(Platform, CommonTypesGetDistinctSharpIconsInTheList)
{
    installDesktopServices();
    ImageList images; // outlives the list that draws from it
    QWidget window;
    ListView* list = new ListView(&window);
    // HTML has an icon of its own in the theme, beside its generic text one.
    const char* names[] = {"d:\\a.txt", "d:\\b.pdf", "d:\\c.ods", "d:\\d.png", "d:\\e.zip", "d:\\f.html"};
    const std::int32_t count = std::size(names);
    for (const char* name : names) {
        ListItem row = list->listItems().add(QString::fromUtf8(name), QString::fromUtf8(name));
        EXPECT_TRUE(setItemIcon(*list, row, images, QString::fromUtf8(name), true)) << name;
    }

    ASSERT_TRUE(scaledScreen && window.devicePixelRatioF() == 2.0);
    ASSERT_EQ(images.listImages().count(), count);
    for (std::int32_t i = 1; i <= count; ++i) {
        const QImage& picture = images.listImages().item(i).picture;
        EXPECT_EQ(picture.deviceIndependentSize(), QSizeF(16, 16)) << names[i - 1];
        EXPECT_EQ(picture.size(), QSize(32, 32)) << names[i - 1];
        for (std::int32_t j = i + 1; j <= count; ++j)
            EXPECT_NE(picture, images.listImages().item(j).picture) << names[i - 1] << " and " << names[j - 1];
    }
    const QImage textIcon = QIcon::fromTheme("text-x-generic").pixmap(QSize(16, 16), 2.0).toImage();
    EXPECT_EQ(images.listImages().item(1).picture, textIcon.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    installIconServices(nullptr);
}

TEST_F(Platform, OneHolderPerNameUntilItIsReleased)
{
    {
        InstanceLock first("Tarnwick");
        ASSERT_TRUE(first.acquired());
        EXPECT_FALSE(InstanceLock("Tarnwick").acquired());
        EXPECT_TRUE(InstanceLock("Other").acquired());
    }
    EXPECT_TRUE(InstanceLock("Tarnwick").acquired());
    EXPECT_EQ(modeOf(pathOf("Tarnwick.lock")), 0600u);
}

// Things another user may leave at the lock's name, each kept open (with any lock on it) by the
// descriptor answered: the lock must go to its user all the same.
TEST_F(Platform, NothingAnotherUserPlantsTakesOrFakesTheLock)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "planting files of another user needs root";
    const struct {
        const char* what;
        int (*plant)(const char* path);
    } cases[] = {
        {"a file of nobody's, locked",
            [](const char* path) {
                const int fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
                struct flock whole {};
                whole.l_type = F_WRLCK;
                return ::fchown(fd, nobody, nobody) == 0 && ::fcntl(fd, F_OFD_SETLK, &whole) == 0 ? fd : -1;
            }},
        {"a socket of nobody's, listening",
            [](const char* path) {
                const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
                sockaddr_un address {AF_UNIX, {}};
                std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
                return ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
                        && ::chown(path, nobody, nobody) == 0 && ::listen(fd, 1) == 0 ? fd : -1;
            }},
    };
    for (const auto& c : cases) {
        const int planted = c.plant(lockPath().constData());
        ASSERT_GE(planted, 0) << c.what;
        {
            InstanceLock lock("Tarnwick");
            EXPECT_TRUE(lock.acquired()) << c.what;
            EXPECT_FALSE(InstanceLock("Tarnwick").acquired()) << c.what << ": the lock must really be held";
        }
        ::close(planted);
        ::unlink(lockPath().constData());
    }
}

// Two real starts of the program: the second ends at once, silently, while the first runs on.
TEST_F(Platform, ASecondStartOfTheProgramEndsAtOnce)
{
    // Whether the program holds its lock, asked without taking it: holding it even for an
    // instant could make the program under test believe that another instance runs, and end.
    const auto programHoldsLock = [this] {
        const int fd = ::open(lockPath().constData(), O_RDONLY | O_CLOEXEC);
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

} // namespace
