// The desktop's icon services: ghost files only in the user's private temporary directory,
// never in a place another user made, and icons drawn sharp on a scaled screen.
#include "DesktopIconServices.h"
#include "DesktopServices.h"
#include "PrivateDirectory.h"

#include "ImageList.h"
#include "ListView.h"
#include "PictureBox.h"
#include "listViewUtility.h"

#include <QFile>
#include <QIcon>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

// The whole executable runs on a screen scaled to 200 %: set before main makes the application.
const bool scaledScreen = qputenv("QT_SCALE_FACTOR", "2");

// TMPDIR and XDG_RUNTIME_DIR point into a temporary directory of the test's own.
class DesktopServices : public ::testing::Test {
protected:
    QTemporaryDir dir;
    DesktopIconServices services;
    const QString privateDir = dir.filePath(QStringLiteral("tarnwick-%1").arg(::geteuid()));

    void SetUp() override
    {
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
        qunsetenv("XDG_RUNTIME_DIR");
    }
    void TearDown() override
    {
        for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR"})
            saved[name].isNull() ? qunsetenv(name) : qputenv(name, saved[name]);
    }

    QString pathOf(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    static QByteArray contentOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static void write(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    static mode_t modeOf(const QString& path)
    {
        struct stat status {};
        return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
    }

private:
    std::map<std::string, QByteArray> saved{{"TMPDIR", qgetenv("TMPDIR")}, {"XDG_RUNTIME_DIR", qgetenv("XDG_RUNTIME_DIR")}};
};

TEST_F(DesktopServices, CreateOrOpenMakesPrivateFilesNeverTruncatesAndRefusesLinks)
{
    const QString fresh = pathOf("ghost.pdf");
    ASSERT_TRUE(services.createOrOpen(fresh));
    EXPECT_EQ(modeOf(fresh), 0600u);

    const QString existing = pathOf("ghost.txt");
    write(existing, "kept");
    EXPECT_TRUE(services.createOrOpen(existing));
    EXPECT_EQ(contentOf(existing), QByteArray("kept"));

    ASSERT_TRUE(QFile::link(existing, pathOf("ghost.lnk")));
    ASSERT_TRUE(QFile::link(pathOf("nowhere"), pathOf("ghost.dangling")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pathOf("ghost.fifo")).constData(), 0600), 0);
    for (const char* refused : {"ghost.lnk", "ghost.dangling", "ghost.fifo", "missing/ghost.pdf"})
        EXPECT_FALSE(services.createOrOpen(pathOf(refused))) << refused;
    EXPECT_EQ(contentOf(existing), QByteArray("kept"));
    EXPECT_FALSE(QFile::exists(pathOf("nowhere")));
}

// Whatever stands at the private directory's name before the first need: only the user's own
// directory closed to everybody else is taken; the rest is refused as it is, never repaired.
TEST_F(DesktopServices, ThePrivateTemporaryDirectoryIsMadeOnFirstNeedAndAnythingElseRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "planting a directory of another user needs root";
    QTemporaryDir elsewhere;
    const struct {
        const char* what;
        std::function<bool(const QString&)> plant;
        bool taken;
    } cases[] = {
        {"nothing", [](const QString&) { return true; }, true},
        {"the user's own, mode 0700", [](const QString& p) { return ::mkdir(QFile::encodeName(p), 0700) == 0; }, true},
        {"the user's own, mode 0755",
         [](const QString& p) { return ::mkdir(QFile::encodeName(p), 0700) == 0 && ::chmod(QFile::encodeName(p), 0755) == 0; },
         false},
        {"nobody's, mode 0700",
         [](const QString& p) { return ::mkdir(QFile::encodeName(p), 0700) == 0 && ::chown(QFile::encodeName(p), nobody, nobody) == 0; },
         false},
        {"a link to a private directory", [&](const QString& p) { return QFile::link(elsewhere.path(), p); }, false},
        {"a file", [](const QString& p) { return QFile(p).open(QIODevice::WriteOnly); }, false},
    };
    for (const auto& c : cases) {
        QFile::remove(privateDir);
        QDir(privateDir).removeRecursively();
        ASSERT_TRUE(c.plant(privateDir)) << c.what;
        const mode_t planted = modeOf(privateDir);
        EXPECT_EQ(services.tempPath().toStdString(), c.taken ? privateDir.toStdString() : "") << c.what;
        EXPECT_EQ(modeOf(privateDir), c.taken ? (S_IRWXU | 0u) : planted) << c.what;
    }
    EXPECT_EQ(modeOf(elsewhere.path()), S_IRWXU | 0u);
}

// The lock's directory: the session's runtime directory when it is the user's alone.
TEST_F(DesktopServices, TheRuntimeDirectoryIsUsedOnlyWhenPrivate)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("run"));
    const struct {
        const char* runtimeDir;
        mode_t mode;
        bool used;
    } cases[] = {{"run", 0700, true}, {"run", 0750, false}, {"run, named relative", 0700, false}, {nullptr, 0, false}};
    for (const auto& c : cases) {
        const QString runtime = c.runtimeDir == QByteArray("run") ? pathOf("run")
                                                                  : QDir::current().relativeFilePath(pathOf("run"));
        if (c.runtimeDir)
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        else
            qunsetenv("XDG_RUNTIME_DIR");
        ::chmod(QFile::encodeName(pathOf("run")), c.mode);
        EXPECT_EQ(privateRuntimeDir().toStdString(), (c.used ? runtime : privateDir).toStdString())
            << (c.runtimeDir ? c.runtimeDir : "unset");
    }
}

// The whole road of an icon on this desktop, on a screen scaled to 200 %: ghost files in the
// private directory, the theme's icons, the captured images. Common types get icons of their
// own, not the generic file icon, drawn at the screen's scale rather than enlarged.
TEST_F(DesktopServices, CommonTypesGetDistinctSharpIconsInTheList)
{
    installDesktopServices();
    ASSERT_EQ(::mkdir(QFile::encodeName(privateDir), 0700), 0);
    write(privateDir + "/ghost.txt", "kept");

    ImageList images; // outlives the list that draws from it
    QWidget window;
    ListView* list = new ListView(&window);
    (new PictureBox(&window))->setObjectName(QStringLiteral("pic"));
    const char* names[] = {"d:\\a.txt", "d:\\b.pdf", "d:\\c.ods", "d:\\d.png", "d:\\e.zip"};
    for (const char* name : names) {
        ListItem row = list->listItems().add(QString::fromUtf8(name), QString::fromUtf8(name));
        EXPECT_TRUE(setItemIcon(*list, row, images, QString::fromUtf8(name), true)) << name;
    }

    ASSERT_TRUE(scaledScreen && window.devicePixelRatioF() == 2.0);
    ASSERT_EQ(images.listImages().count(), 5);
    for (std::int32_t i = 1; i <= 5; ++i) {
        const QImage& picture = images.listImages().item(i).picture;
        EXPECT_EQ(picture.deviceIndependentSize(), QSizeF(16, 16)) << names[i - 1];
        EXPECT_EQ(picture.size(), QSize(32, 32)) << names[i - 1];
        for (std::int32_t j = i + 1; j <= 5; ++j)
            EXPECT_NE(picture, images.listImages().item(j).picture) << names[i - 1] << " and " << names[j - 1];
    }
    const QImage textIcon = QIcon::fromTheme("text-x-generic").pixmap(QSize(16, 16), 2.0).toImage();
    EXPECT_EQ(images.listImages().item(1).picture, textIcon.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    EXPECT_EQ(contentOf(privateDir + "/ghost.txt"), QByteArray("kept"));
    EXPECT_TRUE(QFile::exists(privateDir + "/ghost.pdf"));
    installIconServices(nullptr);
}

} // namespace
