#include "WindowDriver.h"

#include "PictureBox.h"

#include <QAccessible>

#include <vector>

void PrintTo(const QRect& r, std::ostream* os)
{
    *os << r.left() << ',' << r.top() << ' ' << r.width() << 'x' << r.height();
}

// Sizes in pixels, one after the other, from the first show on. The fitted controls follow
// the outer size W x H in twips; an invalid width stops the fitting, heights and all, until
// the next resize. Geometries are in twips, relative to the controls' containers.
TEST(WindowLayout, ResizesFitTheListAndTheFilterBoxOnly)
{
    WindowDriver driver;
    const frmMain& window = driver.window;
    const struct {
        int width, height;
    } sizes[] = {{690, 480}, {790, 547}, {740, 600}, {100, 640}, {800, 500}};
    const QWidget* const controls[] = {window.frameNomePc, window.txtPc,    window.pic, window.frameFiltro,
                                       window.txtFiltro,   window.frameConn, window.lst};
    EXPECT_EQ(window.size(), QSize(690, 480));
    std::vector<QRect> previous;
    for (const auto& size : sizes) {
        driver.window.resize(size.width, size.height);
        QCoreApplication::processEvents();
        const int w = window.frameGeometry().width() * 15, h = window.frameGeometry().height() * 15;
        const std::vector<QRect> expected = w < 2400 ? previous : std::vector<QRect>{
            {120, 120, 1935, 735}, {120, 240, 1695, 405}, {8160, 240, 1215, 495}, {2160, 120, w - 2400, 735},
            {120, 240, w - 2640, 405}, {120, 960, w - 360, h - 1560}, {120, 240, w - 600, h - 1920}};
        previous.clear();
        for (const QWidget* c : controls)
            previous.emplace_back(c->x() * 15, c->y() * 15, c->width() * 15, c->height() * 15);
        EXPECT_EQ(previous, expected) << size.width << 'x' << size.height;
    }
}

// What the user sees and a screen reader announces before any listing, and the tab order.
TEST(WindowLayout, CaptionsFontsColumnsImagesMenuAndTabOrder)
{
    WindowDriver driver;
    frmMain& window = driver.window;
    EXPECT_TRUE(window.windowTitle().startsWith("Tarnwick v1.0 - "));
    EXPECT_EQ(window.frameNomePc->title(), "Name server:");
    EXPECT_EQ(window.frameFiltro->title(), "Filter:");
    EXPECT_EQ(window.txtPc->font().pointSizeF(), 12.0);
    EXPECT_EQ(window.txtFiltro->font().pointSizeF(), 12.0);
    EXPECT_EQ(window.lst->font().pointSizeF(), 9.75);

    QStringList headers;
    QList<int> widths;
    for (const ColumnHeader& column : window.lst->columnHeaders()) {
        headers << column.text();
        widths << window.lst->header()->sectionSize(column.index() - 1) * 15;
    }
    EXPECT_EQ(headers, QStringList({"User", "Permission type", "Ext", "File name"}));
    EXPECT_EQ(widths, QList<int>({1500, 1500, 1500, 4995})); // 5000 twips is 333 1/3 pixels

    ASSERT_EQ(window.imgList.listImages().count(), 1);
    EXPECT_EQ(window.imgList.listImages().item(1).key, "noExt");
    EXPECT_FALSE(window.windowIcon().isNull());

    EXPECT_EQ(window.utility->title(), "&Utility");
    QStringList captions;
    for (QAction* item : window.utilitymenu)
        captions << item->text();
    EXPECT_EQ(captions, QStringList({"&Close checked files", "&Check all files", "&Uncheck all files"}));

    const std::pair<QObject*, const char*> controls[] = {
        {window.lst, "Open files"}, {window.txtPc, "Name server"}, {window.txtFiltro, "Filter"}, {window.utility, "Utility"}};
    for (const auto& [control, name] : controls) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(accessible, nullptr) << name;
        EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), name);
    }

    EXPECT_TRUE(window.txtPc->hasFocus());
    QTest::keyClick(window.txtPc, Qt::Key_Tab);
    EXPECT_TRUE(window.txtFiltro->hasFocus());
    QTest::keyClick(window.txtFiltro, Qt::Key_Tab);
    EXPECT_TRUE(window.lst->hasFocus());
}

TEST(WindowLayout, ClosingTheWindowEndsTheProgramAtOnce)
{
    WindowDriver driver;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(driver.window.close(), ::testing::ExitedWithCode(0), "");
}
