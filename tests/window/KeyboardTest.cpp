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

// The user of entry 2 is blank: it gets no row, and the rows' keys keep the entry numbers.
std::vector<OpenFileRecord> threeFiles()
{
    return {record(11, "alice", "d:\\docs\\a.txt"), record(14, "  ", "d:\\docs\\x.txt"),
            record(12, "bob", "d:\\docs\\b.pdf"), record(13, "bob", "d:\\c.txt")};
}

} // namespace

// The right button's menu: its items follow the check marks and whether the rows are the
// named server's; no other button opens it. A double click toggles the selected row's mark.
TEST(WindowMenu, StatesFollowTheMarksAndTheServerOfTheRows)
{
    WindowDriver driver;
    ListView& list = *driver.window.lst;
    const auto states = [&] { return WindowDriver::menuStates([&] { driver.rightClickList(); }).toStdString(); };
    EXPECT_EQ(states(), "no menu");
    driver.source->serve(threeFiles());
    driver.typeServer("fs01");
    const auto doubleClick = [&](QPoint at) { QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at); };
    const QPoint second = list.visualRect(list.model()->index(1, 3)).center();
    const struct {
        const char* what;
        std::function<void()> act;
        const char* states;
    } steps[] = {
        {"nothing checked, nothing selected, a double click below the rows",
         [&] { doubleClick({200, 200}); }, "010"},
        {"a double click on a row", [&] { doubleClick(second); }, "111"},
        {"check all", [&] { driver.chooseFromMenu(1); }, "101"},
        {"that row double-clicked again", [&] { doubleClick(second); }, "111"},
        {"uncheck all", [&] { driver.chooseFromMenu(2); }, "010"},
        {"rows of a server whose listing failed",
         [&] {
             driver.source->fail({SourceOutcome::unreachable, 1003});
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
    const auto click = [&](Qt::MouseButton b) { QTest::mouseClick(list.viewport(), b, {}, QPoint(20, 20)); };
    EXPECT_EQ(WindowDriver::menuStates([&] { click(Qt::LeftButton); click(Qt::MiddleButton); }), "no menu");
}

// Name a server, filter, check two rows, close them and confirm: keys only, over the worker.
// The Menu key and Shift+F10 open the right button's menu at the current row; F10 alone not.
TEST(Keyboard, TheWholeJobWithKeysAlone)
{
    WindowDriver driver;
    ListView& list = *driver.window.lst;
    driver.source->serve(threeFiles());
    QTest::keyClicks(QApplication::focusWidget(), "fs01");
    press(Qt::Key_Return);
    ASSERT_TRUE(driver.settle());
    QTest::keyClicks(QApplication::focusWidget(), "docs");
    ASSERT_TRUE(driver.settle());
    ASSERT_EQ(driver.rowKeys(), QStringList({"key1", "key3"}));

    press(Qt::Key_Tab);
    press(Qt::Key_Space);
    press(Qt::Key_Down);
    ASSERT_EQ(QApplication::focusWidget(), &list);
    // From here keys go to the list itself: offscreen, a closed pop-up leaves no window active.
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* states;
    } menuKeys[] = {
        {Qt::Key_Menu, {}, "111"}, {Qt::Key_F10, Qt::ShiftModifier, "111"}, {Qt::Key_F10, {}, "no menu"}};
    for (const auto& k : menuKeys) {
        const std::string what = QKeySequence(k.modifiers | k.key).toString().toStdString();
        QPoint at;
        const QString states = WindowDriver::menuStates([&] { QTest::keyClick(&list, k.key, k.modifiers); }, &at);
        EXPECT_EQ(states.toStdString(), k.states) << what;
        if (k.states != std::string("no menu")) {
            EXPECT_EQ(at, list.viewport()->mapToGlobal(list.visualRect(list.currentIndex()).bottomLeft())) << what;
        }
    }

    QTest::keyClick(&list, Qt::Key_Space);
    const auto menuKey = [&] { QTest::keyClick(&list, Qt::Key_Menu); };
    const bool menuOpened = WindowDriver::whenOpened(menuKey, [](QWidget& menu) {
        QTest::keyClick(&menu, Qt::Key_Down); // the first enabled item: "&Close checked files"
        WindowDriver::whenOpened([&] { QTest::keyClick(&menu, Qt::Key_Return); }, [](QWidget& box) {
            QTest::keyClick(&box, Qt::Key_Return); // Yes is the default button
        });
    });
    ASSERT_TRUE(menuOpened);
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.source->closed(), QStringList({"\\\\fs01 11", "\\\\fs01 12"}));
}
