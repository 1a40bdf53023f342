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

// The road of a ghost file: made in the temporary directory (named by GetTempPathW with a
// trailing separator), never truncated, then shown by the shell's small icon.
TEST(WindowsDesktopServices, GhostFilesInTheTemporaryDirectoryGetTheShellsSmallIcon)
{
    DesktopIconServices services;
    const QString temp = services.tempPath();
    EXPECT_TRUE(temp.endsWith(u'\\')) << temp.toStdString();
    QTemporaryDir dir(temp + QStringLiteral("ghosts-XXXXXX"));
    ASSERT_TRUE(dir.isValid()) << temp.toStdString();
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

    const QPixmap icon = services.smallIconOf(QDir::toNativeSeparators(kept));
    EXPECT_EQ(icon.size(), QSize(16, 16));
    QImage transparent(icon.size(), QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    EXPECT_NE(icon.toImage().convertToFormat(QImage::Format_ARGB32), transparent);
    EXPECT_TRUE(services.smallIconOf(dir.filePath("missing.txt")).isNull());
}

} // namespace
