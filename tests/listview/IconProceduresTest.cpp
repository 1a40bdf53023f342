#include "IconServices.h"
#include "ImageList.h"
#include "ListView.h"
#include "PictureBox.h"
#include "listViewUtility.h"

#include <QColor>
#include <QPixmap>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

// Icon services that touch no disk and record every ghost file and icon asked for. Each
// icon is a solid square of iconColor, so a captured image can be checked for it.
class RecordingIconServices final : public IconServices {
public:
    QString reportedTempPath = QStringLiteral("/tmp/tarnwick-test");
    bool creationSucceeds = true;
    QColor iconColor = Qt::darkCyan;

    QStringList createdPaths;
    QStringList iconQueries;

    QString tempPath() override { return reportedTempPath; }

    bool createOrOpen(const QString& path) override
    {
        createdPaths.append(path);
        return creationSucceeds;
    }

    QPixmap smallIconOf(const QString& path) override
    {
        iconQueries.append(path);
        QPixmap icon(16, 16);
        icon.fill(iconColor);
        return icon;
    }
};

TEST(ImageListTest, KeysAreUniqueTrimmedAndCaseInsensitive)
{
    QImage large(32, 32, QImage::Format_ARGB32_Premultiplied);
    large.fill(Qt::red);
    ImageList images;
    ImageList::ListImages& list = images.listImages();
    EXPECT_EQ(list.add(QStringLiteral("noExt"), large), 1);
    EXPECT_EQ(list.add(QStringLiteral(" PDF "), large), 2);
    for (const char* refused : {"pdf", "  Pdf", "", "   ", "NOEXT"})
        EXPECT_THROW(list.add(QString::fromUtf8(refused), large), std::invalid_argument) << refused;
    EXPECT_THROW(list.add(QStringLiteral("txt"), QImage()), std::invalid_argument);

    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(images.indexOfKey(u"pdf"), 2);
    EXPECT_EQ(images.indexOfKey(u" noext "), 1);
    EXPECT_EQ(images.indexOfKey(u"txt"), 0);
    EXPECT_EQ(list.item(2).picture.size(), QSize(16, 16));
    EXPECT_THROW(list.item(3), std::out_of_range);
}

// A window holding the list and the drawing surface "pic", with the built-in "noExt" image.
class IconProcedures : public ::testing::Test {
protected:
    std::shared_ptr<RecordingIconServices> services = std::make_shared<RecordingIconServices>();
    ImageList images; // outlives the list that draws from it
    QWidget window;
    ListView* list = new ListView(&window);
    PictureBox* pic = new PictureBox(&window);

    void SetUp() override
    {
        pic->setObjectName(QStringLiteral("pic"));
        QImage blank(16, 16, QImage::Format_ARGB32_Premultiplied);
        blank.fill(Qt::white);
        images.listImages().add(QStringLiteral("noExt"), blank);
        installIconServices(services);
    }

    void TearDown() override { installIconServices(nullptr); }

    // Adds a row for the file, gives it its icon and answers the row's image index.
    std::int32_t iconOf(const QString& fileName)
    {
        ListItem row = list->listItems().add(QStringLiteral("key%1").arg(list->listItems().count() + 1), "user");
        const bool iconSet = setItemIcon(*list, row, images, fileName, true);
        EXPECT_EQ(iconSet, row.smallIcon() != 0);
        EXPECT_EQ(row.icon(), row.smallIcon());
        return row.smallIcon();
    }
};

TEST_F(IconProcedures, OneImagePerExtensionWhateverItsCase)
{
    EXPECT_EQ(iconOf(QStringLiteral("\\\\srv\\d\\report.PDF")), 2);
    EXPECT_EQ(iconOf(QStringLiteral("d:\\notes.pdf")), 2);
    EXPECT_EQ(images.listImages().count(), 2);
    EXPECT_EQ(images.listImages().item(2).key, QStringLiteral("pdf"));
    EXPECT_EQ(services->createdPaths, QStringList{QStringLiteral("/tmp/tarnwick-test/ghost.PDF")});
    EXPECT_EQ(services->iconQueries, services->createdPaths);
    EXPECT_EQ(list->smallIcons(), &images);
    EXPECT_EQ(list->icons(), &images);
    // The held image is the drawn icon.
    EXPECT_EQ(images.listImages().item(2).picture.pixelColor(8, 8), services->iconColor);
}

TEST_F(IconProcedures, NamesWithoutExtensionGetTheBuiltInImageWithoutFileOrQuery)
{
    for (const char* name : {"d:\\data\\readme", "   ", "d:\\x\\a./sub/name", "d:\\dir.v2\\makefile", "old.NOEXT"})
        EXPECT_EQ(iconOf(QString::fromUtf8(name)), 1) << name;
    EXPECT_TRUE(services->createdPaths.isEmpty());
    EXPECT_TRUE(services->iconQueries.isEmpty());
}

TEST_F(IconProcedures, UnsafeExtensionsMakeNoFileAndNoImage)
{
    for (const QString& name : {QStringLiteral("a.p\001df"), QStringLiteral("a.pd\nf"), QStringLiteral("a.fdp\u202Etxt"),
                                QStringLiteral("a.") + QString(300, u'x')})
        EXPECT_EQ(iconOf(name), 0);
    for (const char* extension : {"", ".", "..", "/sub/name", "sub\\name", "txt:stream"})
        EXPECT_EQ(createGhostFile(QString::fromUtf8(extension)), QString()) << extension;

    EXPECT_TRUE(services->createdPaths.isEmpty());
    EXPECT_TRUE(services->iconQueries.isEmpty());
    EXPECT_EQ(images.listImages().count(), 1);
}

TEST_F(IconProcedures, FailuresLeaveTheRowWithoutIconAndNothingRegistered)
{
    services->creationSucceeds = false;
    EXPECT_EQ(iconOf(QStringLiteral("a.pdf")), 0);
    services->creationSucceeds = true; // the next row of the type tries again
    EXPECT_EQ(iconOf(QStringLiteral("b.pdf")), 2);

    pic->setObjectName(QStringLiteral("picture"));
    EXPECT_EQ(iconOf(QStringLiteral("c.txt")), 0);
    installIconServices(nullptr);
    EXPECT_EQ(iconOf(QStringLiteral("d.doc")), 0);
    EXPECT_EQ(images.listImages().count(), 2);
}

TEST_F(IconProcedures, GhostPathDropsOneTrailingSeparator)
{
    const char* cases[][2] = {
        {"C:\\Temp\\", "C:\\Temp/ghost.pdf"}, {"C:\\Temp", "C:\\Temp/ghost.pdf"},
        {"/var/tmp//", "/var/tmp//ghost.pdf"}, {"  /var/tmp/ ", "/var/tmp/ghost.pdf"},
        {"", ""}, // never the file-system root
    };
    for (const auto& c : cases) {
        services->reportedTempPath = QString::fromUtf8(c[0]);
        EXPECT_EQ(createGhostFile(QStringLiteral("pdf")), QString::fromUtf8(c[1])) << c[0];
    }
}

} // namespace
