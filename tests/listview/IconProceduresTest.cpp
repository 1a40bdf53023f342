#include "ImageList.h"
#include "ListView.h"
#include "listViewUtility.h"
#include "RecordingIconServices.h"

#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

// A window holding the list, with the built-in "noExt" image.
class IconProcedures : public ::testing::Test {
protected:
    std::shared_ptr<RecordingIconServices> services = std::make_shared<RecordingIconServices>();
    ImageList images; // outlives the list that draws from it
    QWidget window;
    ListView* list = new ListView(&window);

    void SetUp() override
    {
        QImage blank(16, 16, QImage::Format_ARGB32_Premultiplied);
        blank.fill(Qt::white);
        images.listImages().add(QStringLiteral("noExt"), blank);
        installIconServices(services);
    }

    void TearDown() override { installIconServices(nullptr); }
};

TEST_F(IconProcedures, ImageKeysAreUniqueTrimmedAndCaseInsensitive)
{
    QImage large(32, 32, QImage::Format_ARGB32_Premultiplied);
    large.fill(Qt::red);
    ImageList::ListImages& entries = images.listImages();
    EXPECT_EQ(entries.add(QStringLiteral(" PDF "), large), 2);
    for (const char* refused : {"pdf", "  Pdf", "", "   ", "NOEXT"})
        EXPECT_THROW(entries.add(QString(refused), large), std::invalid_argument) << refused;
    EXPECT_THROW(entries.add(QStringLiteral("txt"), QImage()), std::invalid_argument);

    EXPECT_EQ(entries.count(), 2);
    EXPECT_EQ(entries.item(2).picture.size(), QSize(16, 16));
    EXPECT_THROW(entries.item(3), std::out_of_range);
}

// Rows in turn. A type's image is drawn from a ghost file of that type, once whatever the
// extension's case. Names with a blank extension or none get the built-in image without any
// ghost file or query; unsafe extensions and failing steps leave the row without an image and
// register nothing, so the next row of the type tries again.
TEST_F(IconProcedures, OneImagePerTypeDrawnFromAGhostFileOrNone)
{
    enum class Fault { none, creationFails, noServices };
    const struct {
        QString name;
        Fault fault;
        std::int32_t icon;
        QStringList ghostFiles; // made; also asked for their icon where no step fails
    } cases[] = {
        {"\\\\srv\\d\\report.PDF", Fault::none, 2, {"/tmp/tarnwick-test/ghost.PDF"}},
        {"d:\\notes.pdf", Fault::none, 2, {}},
        {"d:\\data\\readme", Fault::none, 1, {}},
        {"d:\\blank.  ", Fault::none, 1, {}},
        {"old.NOEXT", Fault::none, 1, {}},
        {"a.p\001df", Fault::none, 0, {}},
        {QStringLiteral("a.fdp\u202Etxt"), Fault::none, 0, {}},
        {"a." + QString(300, u'x'), Fault::none, 0, {}},
        {"a.doc", Fault::creationFails, 0, {"/tmp/tarnwick-test/ghost.doc"}},
        {"d.doc", Fault::noServices, 0, {}},
        {"b.doc", Fault::none, 3, {"/tmp/tarnwick-test/ghost.doc"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        services->createdPaths.clear();
        services->iconQueries.clear();
        services->creationSucceeds = c.fault != Fault::creationFails;
        installIconServices(c.fault == Fault::noServices ? nullptr : services);
        ListItem row = list->listItems().add(QString::number(list->listItems().count()), "user");
        EXPECT_EQ(setItemIcon(*list, row, images, c.name, true), c.icon != 0);
        EXPECT_EQ(row.smallIcon(), c.icon);
        EXPECT_EQ(row.icon(), c.icon);
        EXPECT_EQ(services->createdPaths, c.ghostFiles);
        EXPECT_EQ(services->iconQueries, c.fault == Fault::none ? c.ghostFiles : QStringList());
    }
    EXPECT_EQ(images.listImages().count(), 3);
    EXPECT_EQ(images.listImages().item(2).key, QStringLiteral("pdf"));
}

// Each type's image is its own icon and nothing else, and its rows show it: the surface is
// blanked before every drawing, so where an icon is transparent no earlier type shows through.
TEST_F(IconProcedures, EachTypeShowsItsOwnIconAlone)
{
    const struct {
        const char* suffix;
        QColor colour;
        int paintedRows; // from the top; the rest stays transparent
    } types[] = {{"pdf", Qt::darkCyan, 16}, {"txt", Qt::red, 8}, {"doc", Qt::blue, 2}};
    for (const auto& type : types) {
        SCOPED_TRACE(type.suffix);
        QImage icon(16, 16, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        QPainter(&icon).fillRect(0, 0, 16, type.paintedRows, type.colour);
        services->iconBySuffix.insert(type.suffix, QPixmap::fromImage(icon));

        ListItem row = list->listItems().add(type.suffix, "user");
        ASSERT_TRUE(setItemIcon(*list, row, images, QStringLiteral("d:\\file.") + type.suffix, true));
        list->refresh();
        const QModelIndex shown = list->model()->index(list->listItems().count() - 1, 0);
        EXPECT_EQ(shown.data(Qt::DecorationRole).value<QImage>(), icon);
    }
}

TEST_F(IconProcedures, GhostFileIsMadeOnlyDirectlyInTheTemporaryDirectory)
{
    const char* cases[][3] = {
        {"C:\\Temp\\", "pdf", "C:\\Temp/ghost.pdf"}, {"C:\\Temp", "pdf", "C:\\Temp/ghost.pdf"},
        {"  /var/tmp/ ", "pdf", "/var/tmp/ghost.pdf"}, {"", "pdf", ""}, // never the root
        {"/tmp", "", ""}, {"/tmp", ".", ""}, {"/tmp", "..", ""}, {"/tmp", "/sub/name", ""},
        {"/tmp", "sub\\name", ""}, {"/tmp", "txt:stream", ""},
    };
    for (const auto& c : cases) {
        services->reportedTempPath = QString::fromUtf8(c[0]);
        EXPECT_EQ(createGhostFile(QString::fromUtf8(c[1])), QString::fromUtf8(c[2])) << c[0] << ' ' << c[1];
    }
}

} // namespace
