#include "WindowDriver.h"

#include <QAccessible>
#include <QStyle>
#include <QStyleOptionGroupBox>

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
    const QWidget* const controls[] = {window.frameNomePc, window.txtPc,     window.frameFiltro,
                                       window.txtFiltro,   window.frameConn, window.lst};
    EXPECT_EQ(window.size(), QSize(690, 480));
    std::vector<QRect> previous;
    for (const auto& size : sizes) {
        driver.window.resize(size.width, size.height);
        QCoreApplication::processEvents();
        const int w = window.frameGeometry().width() * 15, h = window.frameGeometry().height() * 15;
        const std::vector<QRect> expected = w < 2400 ? previous : std::vector<QRect>{
            {120, 120, 1935, 735}, {120, 240, 1695, 405}, {2160, 120, w - 2400, 735},
            {120, 240, w - 2640, 405}, {120, 960, w - 360, h - 1560}, {120, 240, w - 600, h - 1920}};
        previous.clear();
        for (const QWidget* c : controls)
            previous.emplace_back(c->x() * 15, c->y() * 15, c->width() * 15, c->height() * 15);
        EXPECT_EQ(previous, expected) << size.width << 'x' << size.height;
    }
}

// What a screen reader announces before any listing, and the tab order.
TEST(WindowLayout, AccessibleNamesAndTabOrder)
{
    WindowDriver driver;
    frmMain& window = driver.window;
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

// At every size the window takes, the frames do not overlap, each frame shows its caption whole
// and no visible control inside a frame covers that caption's text.
TEST(WindowLayout, NoControlHidesAnotherOrAFramesCaption)
{
    WindowDriver driver;
    frmMain& window = driver.window;
    const QGroupBox* const frames[] = {window.frameNomePc, window.frameFiltro, window.frameConn};
    const QSize sizes[] = {{690, 480}, {790, 547}, {740, 600}, {100, 640}, {800, 500}};
    for (const QSize& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width() << 'x' << size.height());
        window.resize(size);
        QCoreApplication::processEvents();
        for (const QGroupBox* frame : frames) {
            SCOPED_TRACE(frame->title().toStdString());
            for (const QGroupBox* other : frames) {
                EXPECT_TRUE(other == frame || !frame->geometry().intersects(other->geometry()));
            }
            QStyleOptionGroupBox option;
            option.initFrom(frame);
            option.text = frame->title();
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            const QRect label =
                frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
            const QRect caption = QStyle::alignedRect(
                frame->layoutDirection(), Qt::AlignCenter,
                QSize(frame->fontMetrics().horizontalAdvance(frame->title()), frame->fontMetrics().height()), label);
            EXPECT_TRUE(frame->rect().contains(caption));
            for (const QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                EXPECT_FALSE(control->isVisible() && control->geometry().intersects(caption));
            }
        }
    }
}

TEST(WindowLayout, ClosingTheWindowEndsTheProgramAtOnce)
{
    WindowDriver driver;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(driver.window.close(), ::testing::ExitedWithCode(0), "");
}
