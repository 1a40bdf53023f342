#include "WindowDriver.h"

#include <QAccessible>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include <array>
#include <utility>

// At every size the window takes, the list and the filter box keep the same margins to its
// right edge, the list also to its bottom, and no box is cut off by its frame or the window; the
// server box stays where it is. The frames do not overlap, each shows its caption whole and no
// visible control inside a frame covers that caption's text. A size too narrow to fit leaves the
// fitting to the next resize.
TEST(WindowLayout, TheListAndTheFilterBoxFollowTheWindowsSizeAndHideNoCaption)
{
    WindowDriver driver;
    frmMain& window = driver.window;
    EXPECT_EQ(window.size(), QSize(690, 480));
    const auto margins = [&] {
        const QRect list(window.lst->mapTo(&window, QPoint()), window.lst->size());
        const QRect filter(window.txtFiltro->mapTo(&window, QPoint()), window.txtFiltro->size());
        return std::array{window.width() - list.right(), window.height() - list.bottom(),
                          window.width() - filter.right()};
    };
    const auto first = margins();
    const QRect serverBox = window.frameNomePc->geometry();
    const std::pair<const QGroupBox*, const QWidget*> frames[] = {
        {window.frameNomePc, window.txtPc}, {window.frameFiltro, window.txtFiltro}, {window.frameConn, window.lst}};
    for (const QSize size : {QSize(690, 480), QSize(790, 547), QSize(740, 600), QSize(100, 640), QSize(800, 500)}) {
        SCOPED_TRACE(testing::Message() << size.width() << 'x' << size.height());
        window.resize(size);
        QCoreApplication::processEvents();
        if (size.width() > 200) {
            EXPECT_EQ(margins(), first);
        }
        EXPECT_EQ(window.frameNomePc->geometry(), serverBox);
        for (const auto& [frame, box] : frames) {
            SCOPED_TRACE(frame->title().toStdString());
            if (size.width() > 200) {
                EXPECT_TRUE(window.rect().contains(frame->geometry()) && frame->rect().contains(box->geometry()));
            }
            for (const auto& other : frames) {
                EXPECT_TRUE(other.first == frame || !frame->geometry().intersects(other.first->geometry()));
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

TEST(WindowLayout, ClosingTheWindowEndsTheProgramAtOnce)
{
    WindowDriver driver;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(driver.window.close(), ::testing::ExitedWithCode(0), "");
}
