#include "DesktopIconServices.h"
#include "DesktopServices.h"

#include "ImageList.h"
#include "ListView.h"
#include "PictureBox.h"
#include "listViewUtility.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class DesktopServices : public ::testing::Test {
protected:
    QTemporaryDir dir;
    DesktopIconServices services;

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
};

TEST_F(DesktopServices, CreateOrOpenMakesAPrivateFileAndNeverTruncates)
{
    const QString fresh = pathOf("ghost.pdf");
    ASSERT_TRUE(services.createOrOpen(fresh));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(status.st_size, 0);

    const QString existing = pathOf("ghost.txt");
    write(existing, "kept");
    EXPECT_TRUE(services.createOrOpen(existing));
    EXPECT_EQ(contentOf(existing), QByteArray("kept"));
}

TEST_F(DesktopServices, CreateOrOpenRefusesLinksAndOtherThanRegularFiles)
{
    const QString target = pathOf("target");
    write(target, "secret");
    const QString link = pathOf("ghost.lnk");
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_FALSE(services.createOrOpen(link));
    EXPECT_EQ(contentOf(target), QByteArray("secret"));

    const QString dangling = pathOf("ghost.dangling");
    ASSERT_TRUE(QFile::link(pathOf("nowhere"), dangling));
    EXPECT_FALSE(services.createOrOpen(dangling));
    EXPECT_FALSE(QFile::exists(pathOf("nowhere")));

    const QString fifo = pathOf("ghost.fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(services.createOrOpen(fifo));
    EXPECT_FALSE(services.createOrOpen(pathOf("missing/ghost.pdf")));
    EXPECT_FALSE(services.createOrOpen(QString()));
}

TEST_F(DesktopServices, TempPathFollowsTmpdir)
{
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    EXPECT_EQ(services.tempPath(), dir.path());
    qunsetenv("TMPDIR");
    EXPECT_EQ(services.tempPath(), QStringLiteral("/tmp"));
    if (!saved.isEmpty())
        qputenv("TMPDIR", saved);
}

// The whole road of an icon on this desktop: ghost files in TMPDIR, the theme's icons, the
// captured images. Common types must get icons of their own, not the generic file icon.
TEST_F(DesktopServices, CommonTypesGetDistinctIconsInTheList)
{
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    installDesktopServices();
    write(pathOf("ghost.txt"), "kept");

    QWidget window;
    ListView* list = new ListView(&window);
    (new PictureBox(&window))->setObjectName(QStringLiteral("pic"));
    ImageList images;
    const char* names[] = {"d:\\a.pdf", "d:\\b.txt", "d:\\c.ods", "d:\\d.png", "d:\\e.zip"};
    for (const char* name : names) {
        ListItem row = list->listItems().add(QString::fromUtf8(name), QString::fromUtf8(name));
        EXPECT_TRUE(setItemIcon(*list, row, images, QString::fromUtf8(name), true)) << name;
    }

    ASSERT_EQ(images.listImages().count(), 5);
    for (std::int32_t i = 1; i <= 5; ++i) {
        for (std::int32_t j = i + 1; j <= 5; ++j)
            EXPECT_NE(images.listImages().item(i).picture, images.listImages().item(j).picture)
                << names[i - 1] << " and " << names[j - 1];
    }
    EXPECT_EQ(contentOf(pathOf("ghost.txt")), QByteArray("kept"));
    EXPECT_TRUE(QFile::exists(pathOf("ghost.pdf")));

    installIconServices(nullptr);
    saved.isEmpty() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", saved);
}

} // namespace
