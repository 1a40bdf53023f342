#include "DesktopIconServices.h"
#include "DesktopServices.h"

#include "ImageList.h"
#include "ListView.h"
#include "PictureBox.h"
#include "listViewUtility.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>

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

TEST_F(DesktopServices, CreateOrOpenMakesPrivateFilesNeverTruncatesAndRefusesLinks)
{
    const QString fresh = pathOf("ghost.pdf");
    ASSERT_TRUE(services.createOrOpen(fresh));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);

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

// The whole road of an icon on this desktop: ghost files in TMPDIR, the theme's icons, the
// captured images. Common types must get icons of their own, not the generic file icon.
TEST_F(DesktopServices, CommonTypesGetDistinctIconsInTheList)
{
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    installDesktopServices();
    write(pathOf("ghost.txt"), "kept");

    ImageList images; // outlives the list that draws from it
    QWidget window;
    ListView* list = new ListView(&window);
    (new PictureBox(&window))->setObjectName(QStringLiteral("pic"));
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
