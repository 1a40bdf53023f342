#include "WindowDriver.h"

#include "PictureBox.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A control's geometry in twips, relative to its container.
struct Twips {
    int left, top, width, height;
    bool operator==(const Twips&) const = default;
};

Twips twipsOf(const QWidget* w)
{
    return {w->x() * 15, w->y() * 15, w->width() * 15, w->height() * 15};
}

void PrintTo(const Twips& t, std::ostream* os)
{
    *os << t.left << ',' << t.top << ' ' << t.width << 'x' << t.height;
}

class WindowLayout : public ::testing::Test {
protected:
    WindowDriver driver;
    frmMain& window = driver.window;

    int outerWidth() const { return window.frameGeometry().width() * 15; }
    int outerHeight() const { return window.frameGeometry().height() * 15; }

    // Resizes the client area by a number of twips (a whole number of pixels).
    void grow(int dxTwips, int dyTwips)
    {
        window.resize(window.width() + dxTwips / 15, window.height() + dyTwips / 15);
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST_F(WindowLayout, FirstShownWithTheLaidOutControlsAndTheFittedOnes)
{
    EXPECT_EQ(window.size(), QSize(690, 480));
    EXPECT_EQ(twipsOf(window.frameNomePc), (Twips{120, 120, 1935, 735}));
    EXPECT_EQ(twipsOf(window.txtPc), (Twips{120, 240, 1695, 405}));
    EXPECT_EQ(twipsOf(window.pic), (Twips{8160, 240, 1215, 495}));
    EXPECT_EQ(twipsOf(window.frameFiltro), (Twips{2160, 120, outerWidth() - 2400, 735}));
    EXPECT_EQ(twipsOf(window.txtFiltro), (Twips{120, 240, outerWidth() - 2400 - 240, 405}));
    EXPECT_EQ(twipsOf(window.frameConn), (Twips{120, 960, outerWidth() - 360, outerHeight() - 1560}));
    EXPECT_EQ(twipsOf(window.lst), (Twips{120, 240, outerWidth() - 600, outerHeight() - 1920}));
    EXPECT_EQ(window.lst->parentWidget(), window.frameConn);
    EXPECT_EQ(window.txtFiltro->parentWidget(), window.frameFiltro);

    EXPECT_EQ(window.frameNomePc->title(), "Name server:");
    EXPECT_EQ(window.frameFiltro->title(), "Filter:");
    EXPECT_EQ(window.txtPc->text(), "");
    EXPECT_EQ(window.txtPc->font().pointSizeF(), 12.0);
    EXPECT_EQ(window.lst->font().pointSizeF(), 9.75);
    EXPECT_EQ(window.window()->findChild<PictureBox*>("pic"), window.pic);
}

TEST_F(WindowLayout, WiderAndTallerWindowsWidenAndHeightenOnlyTheFittedControls)
{
    const Twips nomePc = twipsOf(window.frameNomePc), pc = twipsOf(window.txtPc);
    const Twips filtro = twipsOf(window.frameFiltro), filter = twipsOf(window.txtFiltro);
    const Twips conn = twipsOf(window.frameConn), list = twipsOf(window.lst);

    grow(1500, 1005);
    EXPECT_EQ(twipsOf(window.frameNomePc), nomePc);
    EXPECT_EQ(twipsOf(window.txtPc), pc);
    EXPECT_EQ(twipsOf(window.frameFiltro), (Twips{filtro.left, filtro.top, filtro.width + 1500, filtro.height}));
    EXPECT_EQ(twipsOf(window.txtFiltro), (Twips{filter.left, filter.top, filter.width + 1500, filter.height}));
    EXPECT_EQ(twipsOf(window.frameConn), (Twips{conn.left, conn.top, conn.width + 1500, conn.height + 1005}));
    EXPECT_EQ(twipsOf(window.lst), (Twips{list.left, list.top, list.width + 1500, list.height + 1005}));
}

TEST_F(WindowLayout, AnInvalidWidthStopsTheFittingUntilTheNextResize)
{
    const Twips conn = twipsOf(window.frameConn), list = twipsOf(window.lst);
    window.resize(100, window.height() + 40); // W - 2400 < 0, heights still valid
    QCoreApplication::processEvents();
    EXPECT_EQ(twipsOf(window.frameConn), conn);
    EXPECT_EQ(twipsOf(window.lst), list);

    window.resize(800, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(twipsOf(window.frameFiltro).width, outerWidth() - 2400);
    EXPECT_EQ(twipsOf(window.lst), (Twips{120, 240, outerWidth() - 600, outerHeight() - 1920}));
}

TEST_F(WindowLayout, MinimisingAndRestoringKeepsTheFittedLayout)
{
    const Twips conn = twipsOf(window.frameConn), list = twipsOf(window.lst);
    window.showMinimized();
    QCoreApplication::processEvents();
    window.showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(twipsOf(window.frameConn), conn);
    EXPECT_EQ(twipsOf(window.lst), list);
    EXPECT_EQ(twipsOf(window.lst).width, outerWidth() - 600);
}

TEST_F(WindowLayout, ListColumnsImagesMenuAndTabOrder)
{
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
    EXPECT_EQ(window.imgList.listImages().item(1).picture.size(), QSize(16, 16));
    EXPECT_FALSE(window.windowIcon().isNull());

    EXPECT_EQ(window.utility->title(), "&Utility");
    QStringList captions;
    for (QAction* item : window.utilitymenu) {
        captions << item->text();
        EXPECT_TRUE(item->isEnabled());
    }
    EXPECT_EQ(captions, QStringList({"&Close checked files", "&Check all files", "&Uncheck all files"}));

    EXPECT_TRUE(window.txtPc->hasFocus());
    QTest::keyClick(window.txtPc, Qt::Key_Tab);
    EXPECT_TRUE(window.txtFiltro->hasFocus());
    QTest::keyClick(window.txtFiltro, Qt::Key_Tab);
    EXPECT_TRUE(window.lst->hasFocus());
}

TEST_F(WindowLayout, ClosingTheWindowEndsTheProgramAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            window.close();
            std::abort(); // never reached: closing ends the process
        },
        ::testing::ExitedWithCode(0), "");
}
