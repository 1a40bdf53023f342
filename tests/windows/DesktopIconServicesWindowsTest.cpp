#include "DesktopIconServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(WindowsDesktopServices, TemporaryDirectoryIsTheSystemsAndExists)
{
    const QString path = DesktopIconServices().tempPath();
    EXPECT_TRUE(path.endsWith(u'\\')) << path.toStdString();
    EXPECT_TRUE(QDir(path).exists()) << path.toStdString();
}

TEST(WindowsDesktopServices, CreateOrOpenNeverTruncatesAndRefusesWhatIsNoFile)
{
    QTemporaryDir dir;
    DesktopIconServices services;
    const QString kept = dir.filePath("ghost.txt");
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("kept") == 4);
    file.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir("ghost.dir"));

    const struct {
        QString path;
        bool opened;
    } cases[] = {{dir.filePath("ghost.pdf"), true}, {kept, true}, {dir.filePath("ghost.dir"), false},
        {dir.filePath("missing/ghost.pdf"), false}, {"", false}};
    for (const auto& c : cases)
        EXPECT_EQ(services.createOrOpen(c.path), c.opened) << c.path.toStdString();
    EXPECT_EQ(contentOf(dir.filePath("ghost.pdf")), QByteArray());
    EXPECT_EQ(contentOf(kept), QByteArray("kept"));
}

TEST(WindowsDesktopServices, ShellIconOfAGhostFileIsSmall)
{
    QTemporaryDir dir;
    DesktopIconServices services;
    const QString ghost = QDir::toNativeSeparators(dir.filePath("ghost.txt"));
    ASSERT_TRUE(services.createOrOpen(ghost));
    const QPixmap icon = services.smallIconOf(ghost);
    EXPECT_EQ(icon.size(), QSize(16, 16));
    QImage transparent(icon.size(), QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    EXPECT_NE(icon.toImage().convertToFormat(QImage::Format_ARGB32), transparent);
    EXPECT_TRUE(services.smallIconOf(dir.filePath("missing.txt")).isNull());
}

} // namespace
