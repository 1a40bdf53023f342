// The window without a mouse: the menu keys, the whole job by keys alone, and what a screen
// reader announces.
#include "WindowDriver.h"

#include <QAccessible>
#include <QKeySequence>

#include <gtest/gtest.h>

namespace {

QString announcedName(QObject* control)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("<not accessible>");
}

// Runs `inPopup` on the next pop-up menu or modal box once `act` has opened it; answers whether
// one opened. `inPopup` must close what it was given.
bool whenOpened(const std::function<void()>& act, const std::function<void(QWidget&)>& inPopup)
{
    bool opened = false;
    QTimer::singleShot(0, [&] {
        QWidget* popup = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                           : QApplication::activeModalWidget();
        if (popup) {
            opened = true;
            inPopup(*popup);
        }
    });
    act();
    QApplication::processEvents();
    return opened;
}

// "no menu", or the enabled states of the menu's items as 1 and 0, and where the menu opened.
struct MenuSeen {
    QString states = QStringLiteral("no menu");
    QPoint at;
};

MenuSeen menuOpenedBy(const std::function<void()>& act)
{
    MenuSeen seen;
    whenOpened(act, [&](QWidget& popup) {
        seen.states.clear();
        for (QAction* action : popup.actions())
            seen.states += action->isEnabled() ? u'1' : u'0';
        seen.at = popup.pos();
        popup.close();
    });
    return seen;
}

// One key as a keyboard delivers it: the release goes where the focus is after the press
// (nowhere while a closed pop-up hands the focus back).
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QTest::keyPress(QApplication::focusWidget(), key, modifiers);
    if (QWidget* focus = QApplication::focusWidget())
        QTest::keyRelease(focus, key, modifiers);
}

// Tab into the list and check its first n rows.
void checkFirstRows(int n)
{
    press(Qt::Key_Tab);
    for (int row = 1; row <= n; ++row) {
        if (row > 1)
            press(Qt::Key_Down);
        press(Qt::Key_Space);
    }
}

std::vector<OpenFileRecord> threeFiles()
{
    return {record(11, "alice", "d:\\docs\\a.txt"), record(12, "bob", "d:\\docs\\b.pdf"),
            record(13, "bob", "d:\\c.txt")};
}

} // namespace

// The Menu key and Shift+F10 open the right button's menu under its rules, at the current row.
TEST(Keyboard, MenuKeysOpenTheRightButtonsMenuAtTheCurrentRow)
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
        checkFirstRows(c.checked);
        const std::string what = QKeySequence(c.key).toString().toStdString() + " with " + std::to_string(c.checked) + " checked";

        const QRect current = list.visualRect(list.currentIndex());
        const MenuSeen byKey = menuOpenedBy([&] { press(c.key, c.modifiers); });
        EXPECT_EQ(byKey.states.toStdString(), c.states) << what;
        if (byKey.states != "no menu") {
            EXPECT_EQ(byKey.at, list.viewport()->mapToGlobal(current.isValid() ? current.bottomLeft() : QPoint()))
                << what;
            EXPECT_EQ(byKey.states, menuOpenedBy([&] { driver.rightClickList([](QMenu& m) { m.close(); }); }).states);
        }
    }
}

// Name a server, filter, check two rows, close them and confirm: keys only, over the worker.
TEST(Keyboard, TheWholeJobWithKeysAlone)
{
    WindowDriver driver;
    frmMain& window = driver.window;
    driver.source->serve(threeFiles());
    QTest::keyClicks(QApplication::focusWidget(), "fs01");
    press(Qt::Key_Return);
    ASSERT_TRUE(driver.settle());
    QTest::keyClicks(QApplication::focusWidget(), "docs");
    ASSERT_TRUE(driver.settle());
    ASSERT_EQ(driver.rowKeys(), QStringList({"key1", "key2"}));

    checkFirstRows(2);
    ASSERT_EQ(QApplication::focusWidget(), window.lst);
    QString question;
    const bool menuOpened = whenOpened([&] { press(Qt::Key_Menu); }, [&](QWidget& menu) {
        QTest::keyClick(&menu, Qt::Key_Down); // the first enabled item: "&Close checked files"
        whenOpened([&] { QTest::keyClick(&menu, Qt::Key_Return); }, [&](QWidget& box) {
            if (auto* confirmation = qobject_cast<QMessageBox*>(&box))
                question = confirmation->text();
            QTest::keyClick(&box, Qt::Key_Return); // Yes is the default button
        });
    });
    ASSERT_TRUE(menuOpened);
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(question, "Close checked files?");
    std::vector<std::uint32_t> closed;
    for (const auto& call : driver.source->closedSoFar()) {
        EXPECT_EQ(call.server, "\\\\fs01");
        closed.push_back(call.id);
    }
    EXPECT_EQ(closed, (std::vector<std::uint32_t>{11, 12}));
    EXPECT_EQ(driver.source->callsOnMainThread(), 0);
}

TEST(Keyboard, ScreenReadersAnnounceTheListTheBoxesAndTheMenu)
{
    WindowDriver driver;
    frmMain& window = driver.window;
    const std::pair<QObject*, const char*> controls[] = {
        {window.lst, "Open files"}, {window.txtPc, "Name server"}, {window.txtFiltro, "Filter"}, {window.utility, "Utility"}};
    for (const auto& [control, name] : controls)
        EXPECT_EQ(announcedName(control).toStdString(), name);
}
