// The pop-up menu by mouse and by keys, and the whole job without a mouse.
#include "WindowDriver.h"

#include <QKeySequence>

namespace {

// One key as a keyboard delivers it: the release goes where the focus is after the press
// (nowhere while a closed pop-up hands the focus back).
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QTest::keyPress(QApplication::focusWidget(), key, modifiers);
    if (QWidget* focus = QApplication::focusWidget())
        QTest::keyRelease(focus, key, modifiers);
}

std::vector<OpenFileRecord> threeFiles()
{
    return {record(11, "alice", "d:\\docs\\a.txt"), record(12, "bob", "d:\\docs\\b.pdf"),
            record(13, "bob", "d:\\c.txt")};
}

} // namespace

// The Menu key and Shift+F10 open the right button's menu under its rules, at the current row.
TEST(WindowMenu, MenuKeysOpenTheRightButtonsMenuAtTheCurrentRow)
{
    const struct {
        int rows;
        int checked;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* states;
    } cases[] = {
        {0, 0, Qt::Key_Menu, {}, "no menu"},
        {3, 0, Qt::Key_Menu, {}, "010"},
        {3, 1, Qt::Key_F10, Qt::ShiftModifier, "111"},
        {3, 3, Qt::Key_Menu, {}, "101"},
        {3, 1, Qt::Key_F10, {}, "no menu"},
    };
    for (const auto& c : cases) {
        WindowDriver driver;
        ListView& list = *driver.window.lst;
        driver.source->serve(c.rows ? threeFiles() : std::vector<OpenFileRecord>{});
        driver.typeServer("fs01");
        press(Qt::Key_Tab);
        for (int row = 1; row <= c.checked; ++row) {
            if (row > 1)
                press(Qt::Key_Down);
            press(Qt::Key_Space);
        }
        const std::string what = QKeySequence(c.key).toString().toStdString() + " with " + std::to_string(c.checked) + " checked";
        const QRect current = list.visualRect(list.currentIndex());
        QPoint at;
        EXPECT_EQ(WindowDriver::menuStates([&] { press(c.key, c.modifiers); }, &at).toStdString(), c.states) << what;
        if (c.states != std::string("no menu")) {
            EXPECT_EQ(at, list.viewport()->mapToGlobal(current.bottomLeft())) << what;
        }
    }
}

// The right button's menu: its items follow the check marks and whether the rows are the
// named server's; no other button opens it.
TEST(WindowMenu, StatesFollowTheMarksAndTheServerOfTheRows)
{
    WindowDriver driver;
    const auto states = [&] { return WindowDriver::menuStates([&] { driver.rightClickList(); }).toStdString(); };
    EXPECT_EQ(states(), "no menu");
    driver.source->serve(threeFiles());
    driver.typeServer("fs01");
    const struct {
        const char* what;
        std::function<void()> act;
        const char* states;
    } steps[] = {
        {"nothing checked", [] {}, "010"},
        {"one row checked", [&] { driver.check("key1"); }, "111"},
        {"check all", [&] { driver.chooseFromMenu(1); }, "101"},
        {"uncheck all", [&] { driver.chooseFromMenu(2); }, "010"},
        {"rows of a server whose listing failed",
         [&] {
             driver.source->fail(1003);
             driver.window.txtPc->setFocus();
             driver.typeServer("fs02");
             driver.check("key1");
         },
         "011"},
        {"the same server listed",
         [&] {
             driver.source->serve(threeFiles());
             driver.typeFilter("");
             driver.check("key1");
         },
         "111"},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(states(), step.states) << step.what;
    }
    const auto click = [&](Qt::MouseButton b) { QTest::mouseClick(driver.window.lst->viewport(), b, {}, QPoint(20, 20)); };
    EXPECT_EQ(WindowDriver::menuStates([&] { click(Qt::LeftButton); click(Qt::MiddleButton); }), "no menu");
    EXPECT_EQ(states(), "111");
}

// Name a server, filter, check two rows, close them and confirm: keys only, over the worker.
TEST(Keyboard, TheWholeJobWithKeysAlone)
{
    WindowDriver driver;
    driver.source->serve(threeFiles());
    QTest::keyClicks(QApplication::focusWidget(), "fs01");
    press(Qt::Key_Return);
    ASSERT_TRUE(driver.settle());
    QTest::keyClicks(QApplication::focusWidget(), "docs");
    ASSERT_TRUE(driver.settle());
    ASSERT_EQ(driver.rowKeys(), QStringList({"key1", "key2"}));

    press(Qt::Key_Tab);
    press(Qt::Key_Space);
    press(Qt::Key_Down);
    press(Qt::Key_Space);
    ASSERT_EQ(QApplication::focusWidget(), driver.window.lst);
    const bool menuOpened = WindowDriver::whenOpened([] { press(Qt::Key_Menu); }, [](QWidget& menu) {
        QTest::keyClick(&menu, Qt::Key_Down); // the first enabled item: "&Close checked files"
        WindowDriver::whenOpened([&] { QTest::keyClick(&menu, Qt::Key_Return); }, [](QWidget& box) {
            QTest::keyClick(&box, Qt::Key_Return); // Yes is the default button
        });
    });
    ASSERT_TRUE(menuOpened);
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.source->closed(), QStringList({"\\\\fs01 11", "\\\\fs01 12"}));
}
