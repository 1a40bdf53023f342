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

// Rows that get no image of their own type: names without extension get the built-in one
// without any ghost file or query; unsafe extensions and failing steps leave the row without
// an image and nothing registered.
TEST_F(IconProcedures, RowsWithoutAnImageOfTheirOwnType)
{
    enum class Fault { none, creationFails, noSurface, noServices };
    const struct {
        QString name;
        Fault fault;
        std::int32_t icon;
        bool ghostFileMade;
    } cases[] = {
        {"d:\\data\\readme", Fault::none, 1, false},
        {"   ", Fault::none, 1, false},
        {"old.NOEXT", Fault::none, 1, false},
        {"a.p\001df", Fault::none, 0, false},
        {QStringLiteral("a.fdp\u202Etxt"), Fault::none, 0, false},
        {"a." + QString(300, u'x'), Fault::none, 0, false},
        {"a.pdf", Fault::creationFails, 0, true},
        {"c.txt", Fault::noSurface, 0, true},
        {"d.doc", Fault::noServices, 0, false},
    };
    for (const auto& c : cases) {
        services->createdPaths.clear();
        services->creationSucceeds = c.fault != Fault::creationFails;
        pic->setObjectName(c.fault == Fault::noSurface ? "picture" : "pic");
        installIconServices(c.fault == Fault::noServices ? nullptr : services);
        EXPECT_EQ(iconOf(c.name), c.icon) << c.name.toStdString();
        EXPECT_EQ(services->createdPaths.isEmpty(), !c.ghostFileMade) << c.name.toStdString();
        EXPECT_TRUE(services->iconQueries.isEmpty()) << c.name.toStdString();
        EXPECT_EQ(images.listImages().count(), 1) << c.name.toStdString();
    }
    // A failure is not remembered: the next row of the type tries again.
    installIconServices(services);
    EXPECT_EQ(iconOf(QStringLiteral("b.pdf")), 2);
}

TEST_F(IconProcedures, GhostFileIsMadeOnlyDirectlyInTheTemporaryDirectory)
{
    const char* cases[][3] = {
        {"C:\\Temp\\", "pdf", "C:\\Temp/ghost.pdf"}, {"C:\\Temp", "pdf", "C:\\Temp/ghost.pdf"},
        {"/var/tmp//", "pdf", "/var/tmp//ghost.pdf"}, {"  /var/tmp/ ", "pdf", "/var/tmp/ghost.pdf"},
        {"", "pdf", ""}, // never the file-system root
        {"/tmp", "", ""}, {"/tmp", ".", ""}, {"/tmp", "..", ""}, {"/tmp", "/sub/name", ""},
        {"/tmp", "sub\\name", ""}, {"/tmp", "txt:stream", ""},
    };
    for (const auto& c : cases) {
        services->reportedTempPath = QString::fromUtf8(c[0]);
        EXPECT_EQ(createGhostFile(QString::fromUtf8(c[1])), QString::fromUtf8(c[2])) << c[0] << ' ' << c[1];
    }
}

} // namespace
