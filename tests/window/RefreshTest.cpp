#include "WindowDriver.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// file1 ... fileN of one user, identifiers 100 + i. By name, file10 ... file14 sort between
// file1 and file2, so display order and key order differ.
std::vector<OpenFileRecord> files(std::uint32_t n, const char* user = "user")
{
    std::vector<OpenFileRecord> records;
    for (std::uint32_t i = 1; i <= n; ++i)
        records.push_back(record(100 + i, user, qPrintable(QString("c:\\share\\file%1.txt").arg(i))));
    return records;
}

QString menuStates(WindowDriver& driver)
{
    QString seen;
    const bool shown = driver.rightClickList([&](QMenu& menu) {
        for (QAction* action : menu.actions())
            seen += action->isEnabled() ? '1' : '0';
        menu.close();
    });
    return shown ? seen : QStringLiteral("no menu");
}

class WindowRefresh : public ::testing::Test {
protected:
    WindowDriver driver;
    frmMain& window = driver.window;

    void SetUp() override { driver.source->serve(files(14)); }
    // A call on the window's thread would have frozen the window for as long as the server took.
    void TearDown() override { EXPECT_EQ(driver.source->callsOnMainThread(), 0); }

    // The texts of one column, in display order.
    QStringList column(int subItem) const
    {
        QStringList texts;
        for (std::int32_t p = 1; p <= window.lst->listItems().count(); ++p) {
            const ListItem row = window.lst->listItems().item(p);
            texts << (subItem == 0 ? row.text() : row.subItem(subItem));
        }
        return texts;
    }

    std::set<QString> checkedPaths() const
    {
        std::set<QString> paths;
        for (std::int32_t p = 1; p <= window.lst->listItems().count(); ++p)
            if (window.lst->listItems().item(p).checked())
                paths.insert(window.lst->listItems().item(p).subItem(3));
        return paths;
    }

    void checkPath(const QString& name)
    {
        for (std::int32_t p = 1; p <= window.lst->listItems().count(); ++p)
            if (window.lst->listItems().item(p).subItem(3) == "c:\\share\\" + name)
                window.lst->listItems().item(p).setChecked(true);
    }

    // Chooses "Close checked files" and runs `atQuestion` while the question is open.
    void closeChecked(const std::function<void(QMessageBox&)>& atQuestion)
    {
        ASSERT_TRUE(driver.rightClickList([&](QMenu& menu) {
            QTimer::singleShot(0, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                    atQuestion(*box);
            });
            WindowDriver::choose(menu, menu.actions().at(0));
        }));
    }
};

} // namespace

TEST_F(WindowRefresh, StartsWithTheBannerAnEmptyListAndNoListing)
{
    EXPECT_TRUE(window.windowTitle().startsWith("Tarnwick v1.0 - "));
    EXPECT_EQ(window.lst->listItems().count(), 0);
    EXPECT_EQ(window.frameConn->title(), "Connections...");
    driver.typeServer("");
    EXPECT_EQ(driver.enumerations(), 0u);
    EXPECT_TRUE(window.txtFiltro->hasFocus());
}

TEST(WindowTriggers, ListOnlyForAnotherServerOrAKeyInTheFilterAndDropMarksWhenTheyDo)
{
    const struct {
        const char* what;
        std::function<void(WindowDriver&)> act;
        const char* listed; // the server listed again, or nullptr
    } cases[] = {
        {"Enter, same name in capitals", [](WindowDriver& d) { d.typeServer("FS01"); }, nullptr},
        {"Enter, same name in blanks", [](WindowDriver& d) { d.typeServer(" fs01 "); }, nullptr},
        {"Enter, another name", [](WindowDriver& d) { d.typeServer("fs02"); }, "\\\\fs02"},
        {"leaving the box unchanged", [](WindowDriver& d) { d.window.txtFiltro->setFocus(); }, nullptr},
        {"leaving the box changed",
         [](WindowDriver& d) {
             d.window.txtPc->setText("fs03");
             d.window.txtFiltro->setFocus();
         },
         "\\\\fs03"},
        {"arrow key in the filter", [](WindowDriver& d) { QTest::keyClick(d.window.txtFiltro, Qt::Key_Left); }, "\\\\fs01"},
        {"Shift in the filter", [](WindowDriver& d) { QTest::keyClick(d.window.txtFiltro, Qt::Key_Shift); }, "\\\\fs01"},
        {"letter in the filter", [](WindowDriver& d) { QTest::keyClick(d.window.txtFiltro, Qt::Key_E); }, "\\\\fs01"},
    };
    for (const auto& c : cases) {
        WindowDriver driver;
        driver.source->serve(files(14));
        driver.typeServer("fs01");
        ASSERT_EQ(driver.window.frameConn->title(), " 14 open connections on 'fs01'");
        driver.check("key3");
        driver.window.txtPc->setFocus();
        c.act(driver);
        ASSERT_TRUE(driver.settle()) << c.what;

        const std::vector<QString> listed = driver.source->enumeratedSoFar();
        EXPECT_EQ(listed.size(), c.listed ? 2u : 1u) << c.what;
        if (c.listed) {
            EXPECT_EQ(listed.back(), c.listed) << c.what;
        }
        EXPECT_EQ(driver.window.lst->listItems().count(), 14) << c.what;
        EXPECT_EQ(driver.window.lst->listItems().item(3).checked(), !c.listed) << c.what;
        if (QString(c.what).startsWith("Enter")) {
            EXPECT_TRUE(driver.window.txtFiltro->hasFocus()) << c.what;
        }
    }
}

TEST_F(WindowRefresh, TypingDuringAHeldListingFiltersAtOnceAndCostsTwoListings)
{
    driver.typeServer("fs01");
    const std::size_t before = driver.enumerations();
    driver.source->hold();
    window.txtFiltro->setFocus();

    const struct {
        Qt::Key key;
        int rows;
    } keys[] = {{Qt::Key_F, 14}, {Qt::Key_I, 14}, {Qt::Key_L, 14}, {Qt::Key_E, 14}, {Qt::Key_1, 6}, {Qt::Key_2, 1}};
    for (const auto& k : keys) {
        QTest::keyClick(window.txtFiltro, k.key);
        EXPECT_EQ(window.lst->listItems().count(), k.rows) << window.txtFiltro->text().toStdString();
        EXPECT_EQ(window.frameConn->title(), QString(" 14 open connections on 'fs01' - Filtered elements: %1").arg(k.rows));
        EXPECT_TRUE(driver.busy());
    }
    EXPECT_EQ(column(3), QStringList{"c:\\share\\file12.txt"});
    const int wide = window.lst->width();
    window.resize(window.width() + 120, window.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.lst->width() > wide; }));
    EXPECT_LE(driver.enumerations(), before + 1);

    driver.source->serve(files(20, "eve"));
    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.enumerations(), before + 2);
    EXPECT_EQ(window.frameConn->title(), " 20 open connections on 'fs01' - Filtered elements: 1");
    EXPECT_EQ(column(0), QStringList{"eve"});
}

TEST_F(WindowRefresh, AnAnswerForAServerNoLongerNamedIsNeverShownNorClosed)
{
    driver.source->serveServer("\\\\a", files(12, "ann"));
    driver.source->serveServer("\\\\b", {record(201, "bob", "c:\\b1.txt"), record(202, "bob", "c:\\b2.txt")});
    driver.source->hold();
    driver.enterServer("a");
    window.txtPc->setFocus();
    driver.enterServer("b");

    driver.source->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver.enumerations() == 2; }));
    EXPECT_EQ(window.lst->listItems().count(), 0);
    EXPECT_EQ(window.frameConn->title(), "Connections...");

    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(column(0), QStringList({"bob", "bob"}));
    driver.rightClickList([](QMenu& menu) { WindowDriver::choose(menu, menu.actions().at(1)); });
    closeChecked([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    ASSERT_TRUE(driver.settle());
    const auto closed = driver.source->closedSoFar();
    ASSERT_EQ(closed.size(), 2u);
    for (const auto& call : closed) {
        EXPECT_EQ(call.server, "\\\\b");
        EXPECT_GT(call.id, 200u);
    }
}

TEST_F(WindowRefresh, ABackgroundAnswerKeepsTheMarksOfFilesStillListed)
{
    driver.typeServer("srv");
    driver.source->hold();
    QTest::keyClick(window.txtFiltro, Qt::Key_End);
    for (const char* name : {"file3.txt", "file5.txt", "file7.txt", "file12.txt"})
        checkPath(name);

    // file3 is gone, file5 is held by another user, file7 under another identifier; file12
    // stays but becomes entry 11.
    std::vector<OpenFileRecord> now = files(15);
    now[4].userName = "eve";
    now[6].id += 1000;
    now.erase(now.begin() + 2);
    driver.source->serve(now);
    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());

    EXPECT_EQ(window.lst->listItems().count(), 14);
    EXPECT_EQ(checkedPaths(), std::set<QString>{"c:\\share\\file12.txt"});
    EXPECT_EQ(window.lst->listItems().item(11).key(), "key11");
    EXPECT_TRUE(window.lst->listItems().item(11).checked());
}

TEST_F(WindowRefresh, ClosingRunsOnTheWorkerInDisplayOrderAppliesNoAnswerAndRefreshesOnce)
{
    driver.typeServer("srv");
    const std::size_t before = driver.enumerations();
    QTest::mouseClick(window.lst->header()->viewport(), Qt::LeftButton, {},
                      QPoint(window.lst->header()->sectionViewportPosition(3) + 5, 5));
    ASSERT_EQ(driver.rowKeys().mid(0, 2), QStringList({"key9", "key8"}));

    driver.source->hold();
    QTest::keyClick(window.txtFiltro, Qt::Key_End);
    for (const char* key : {"key2", "key11", "key12", "key9"})
        driver.check(key);
    driver.source->serve(files(14, "eve"));
    QString asked;
    closeChecked([&](QMessageBox& box) {
        asked = box.windowTitle() + '|' + box.text();
        box.button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(asked, "Close files|Close checked files?");

    // The listing asked before answers while the first close is held: it is not applied.
    driver.source->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !driver.source->closedSoFar().empty(); }));
    QApplication::processEvents();
    EXPECT_EQ(column(0).first(), "user");
    EXPECT_EQ(checkedPaths().size(), 4u);
    EXPECT_TRUE(driver.busy());
    EXPECT_EQ(menuStates(driver), "no menu");

    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());
    std::vector<std::uint32_t> ids;
    for (const auto& call : driver.source->closedSoFar()) {
        ids.push_back(call.id);
        EXPECT_EQ(call.server, "\\\\srv");
    }
    EXPECT_EQ(ids, std::vector<std::uint32_t>({109, 102, 112, 111}));
    EXPECT_EQ(driver.enumerations(), before + 2);
    EXPECT_EQ(column(0).first(), "eve");
    EXPECT_TRUE(checkedPaths().empty());
}

TEST_F(WindowRefresh, NoCloseWhenAListingFailsBetweenTheMenuAndYes)
{
    driver.typeServer("srv");
    driver.source->hold();
    QTest::keyClick(window.txtFiltro, Qt::Key_End);
    driver.check("key12");
    driver.source->fail(1003);
    closeChecked([&](QMessageBox& box) {
        driver.source->releaseAll();
        (void)QTest::qWaitFor([&] { return window.frameConn->title().isEmpty(); });
        box.button(QMessageBox::Yes)->click();
    });
    ASSERT_TRUE(driver.settle());
    EXPECT_TRUE(driver.source->closedSoFar().empty());
    EXPECT_EQ(window.lst->listItems().count(), 14);
    EXPECT_EQ(window.frameConn->title(), QString());
}

TEST_F(WindowRefresh, MenuStatesFollowTheMarksAndTheServerOfTheRows)
{
    EXPECT_EQ(menuStates(driver), "no menu");
    driver.typeServer("fs01");
    const struct {
        const char* what;
        std::function<void()> act;
        const char* states;
    } steps[] = {
        {"nothing checked", [] {}, "010"},
        {"one row checked", [&] { driver.check("key1"); }, "111"},
        {"check all", [&] { driver.rightClickList([](QMenu& m) { WindowDriver::choose(m, m.actions().at(1)); }); }, "101"},
        {"uncheck all", [&] { driver.rightClickList([](QMenu& m) { WindowDriver::choose(m, m.actions().at(2)); }); }, "010"},
        {"rows of a server whose listing failed",
         [&] {
             driver.source->fail(1003);
             window.txtPc->setFocus();
             driver.typeServer("fs02");
             driver.check("key1");
         },
         "011"},
        {"the same server listed", [&] {
             driver.source->serve(files(14));
             driver.typeFilter("");
             driver.check("key1");
         }, "111"},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(menuStates(driver), step.states) << step.what;
    }

    bool shown = false;
    QTimer::singleShot(0, [&] { shown = QApplication::activePopupWidget() != nullptr; });
    QTest::mouseClick(window.lst->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseClick(window.lst->viewport(), Qt::MiddleButton, {}, QPoint(20, 20));
    QApplication::processEvents();
    EXPECT_FALSE(shown);
}

TEST_F(WindowRefresh, BlankUserNamesGetNoRowAndKeysKeepTheirEntryNumbers)
{
    driver.source->serve({record(1, "ann", "c:\\a.pdf"), record(2, "   ", "c:\\b.pdf"), record(3, "", "c:\\c"),
                          record(4, "bob", "c:\\d.PDF")});
    driver.typeServer("srv");
    EXPECT_EQ(driver.rowKeys(), QStringList({"key1", "key4"}));
    const ListItem row = window.lst->listItems().item(2);
    EXPECT_EQ(row.text(), "bob");
    EXPECT_EQ(row.subItem(1), "read access");
    EXPECT_EQ(row.subItem(2), "pdf");
    EXPECT_EQ(row.subItem(3), "c:\\d.pdf");
    EXPECT_EQ(row.tag(), 4);
    EXPECT_EQ(row.smallIcon(), window.lst->listItems().item(1).smallIcon());
    EXPECT_GT(row.smallIcon(), 1);
}

TEST_F(WindowRefresh, OverflowingInventoryLeavesNoRowNamingAnotherEntry)
{
    driver.typeServer("srv");
    // More than 32,767 matches with a filter: the inventory fails while composing its message.
    driver.source->serve(std::vector<OpenFileRecord>(32768, record(5, "eve", "c:\\e.txt")));
    driver.typeFilter("eve");
    EXPECT_EQ(window.lst->listItems().count(), 0);
    EXPECT_EQ(window.frameConn->title(), " 32768 open connections on 'srv'");

    // With a blank filter the fill itself fails at the count: no rows, message shown.
    driver.typeFilter("");
    EXPECT_EQ(window.lst->listItems().count(), 0);
    EXPECT_EQ(window.frameConn->title(), " 32768 open connections on 'srv'");

    driver.source->serve(files(14));
    driver.typeFilter("file3");
    EXPECT_EQ(driver.rowKeys(), QStringList({"key1"}));
}

TEST_F(WindowRefresh, DoubleClickTogglesTheSelectedRowOnly)
{
    driver.source->serve(files(7));
    driver.typeServer("srv");
    QTest::mouseDClick(window.lst->viewport(), Qt::LeftButton, {}, QPoint(200, 200)); // below the rows
    EXPECT_TRUE(checkedPaths().empty());

    const QRect first = window.lst->visualRect(window.lst->model()->index(0, 3));
    QTest::mouseClick(window.lst->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(window.lst->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_TRUE(window.lst->listItems().item(1).checked());
    QTest::mouseDClick(window.lst->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_FALSE(window.lst->listItems().item(1).checked());
}
