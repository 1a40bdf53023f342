#include "RecordingIconServices.h"

#include "ImageList.h"
#include "ListView.h"
#include "PictureBox.h"
#include "listViewUtility.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A window holding the list and the drawing surface "pic", with the built-in "noExt" image.
class IconProcedures : public ::testing::Test {
protected:
    std::shared_ptr<RecordingIconServices> services = std::make_shared<RecordingIconServices>();
    QWidget window;
    ListView* list = new ListView(&window);
    PictureBox* pic = new PictureBox(&window);
    ImageList images;

    void SetUp() override
    {
        pic->setObjectName(QStringLiteral("pic"));
        QImage blank(16, 16, QImage::Format_ARGB32_Premultiplied);
        blank.fill(Qt::white);
        images.listImages().add(QStringLiteral("noExt"), blank);
        installIconServices(services);
    }

    void TearDown() override { installIconServices(nullptr); }

    // Adds a row for the file and gives it its icon; answers the row.
    ListItem addRow(const QString& fileName, bool* iconSet = nullptr)
    {
        const std::int32_t n = list->listItems().count() + 1;
        ListItem row = list->listItems().add(QStringLiteral("key%1").arg(n), QStringLiteral("user"));
        const bool result = setItemIcon(*list, row, images, fileName, true);
        if (iconSet != nullptr)
            *iconSet = result;
        return row;
    }
};

TEST_F(IconProcedures, OneImagePerExtensionWhateverItsCase)
{
    const ListItem first = addRow(QStringLiteral("\\\\srv\\d\\report.PDF"));
    const ListItem second = addRow(QStringLiteral("d:\\notes.pdf"));

    EXPECT_EQ(first.smallIcon(), 2);
    EXPECT_EQ(first.icon(), 2);
    EXPECT_EQ(second.smallIcon(), 2);
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
    for (const char* name : {"d:\\data\\readme", "   ", "d:\\x\\a./sub/name", "d:\\dir.v2\\makefile", "old.NOEXT"}) {
        SCOPED_TRACE(name);
        bool iconSet = false;
        const ListItem row = addRow(QString::fromUtf8(name), &iconSet);
        EXPECT_TRUE(iconSet);
        EXPECT_EQ(row.smallIcon(), 1);
    }
    EXPECT_TRUE(services->createdPaths.isEmpty());
    EXPECT_TRUE(services->iconQueries.isEmpty());
}

TEST_F(IconProcedures, UnsafeExtensionsMakeNoFileAndNoImage)
{
    const QString unsafeNames[] = {
        QStringLiteral("a.p\001df"),
        QStringLiteral("a.pd\nf"),
        QStringLiteral("a.fdp\u202Etxt"),
        QStringLiteral("a.") + QString(300, u'x'),
    };
    for (const QString& name : unsafeNames) {
        bool iconSet = true;
        const ListItem row = addRow(name, &iconSet);
        EXPECT_FALSE(iconSet);
        EXPECT_EQ(row.smallIcon(), 0);
    }
    for (const char* extension : {"", ".", "..", "/sub/name", "sub\\name", "txt:stream"})
        EXPECT_EQ(createGhostFile(QString::fromUtf8(extension)), QString()) << extension;

    EXPECT_TRUE(services->createdPaths.isEmpty());
    EXPECT_TRUE(services->iconQueries.isEmpty());
    EXPECT_EQ(images.listImages().count(), 1);
}

TEST_F(IconProcedures, FailuresLeaveTheRowWithoutIconAndNothingRegistered)
{
    services->creationSucceeds = false;
    bool iconSet = true;
    EXPECT_EQ(addRow(QStringLiteral("a.pdf"), &iconSet).smallIcon(), 0);
    EXPECT_FALSE(iconSet);
    // The next row of the type tries again and succeeds.
    services->creationSucceeds = true;
    EXPECT_EQ(addRow(QStringLiteral("b.pdf")).smallIcon(), 2);
    EXPECT_EQ(services->createdPaths.size(), 2);

    pic->setObjectName(QStringLiteral("picture"));
    EXPECT_EQ(addRow(QStringLiteral("c.txt"), &iconSet).smallIcon(), 0);
    EXPECT_FALSE(iconSet);

    installIconServices(nullptr);
    EXPECT_EQ(addRow(QStringLiteral("d.doc"), &iconSet).smallIcon(), 0);
    EXPECT_FALSE(iconSet);
    EXPECT_EQ(images.listImages().count(), 2);
}

TEST_F(IconProcedures, GhostPathDropsOneTrailingSeparator)
{
    const struct {
        const char* reported;
        const char* ghost;
    } cases[] = {
        {"C:\\Temp\\", "C:\\Temp/ghost.pdf"},
        {"C:\\Temp", "C:\\Temp/ghost.pdf"},
        {"/var/tmp/", "/var/tmp/ghost.pdf"},
        {"/var/tmp//", "/var/tmp//ghost.pdf"},
        {"  /var/tmp  ", "/var/tmp/ghost.pdf"},
        {"", ""}, // never the file-system root
    };
    for (const auto& c : cases) {
        services->reportedTempPath = QString::fromUtf8(c.reported);
        EXPECT_EQ(createGhostFile(QStringLiteral("pdf")), QString::fromUtf8(c.ghost)) << c.reported;
    }
}

} // namespace
