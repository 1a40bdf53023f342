#include "WindowDriver.h"

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

class WindowRefresh : public ::testing::Test {
protected:
    WindowDriver driver;
    frmMain& window = driver.window;

    void SetUp() override { driver.source->serve(files(14)); }
};

} // namespace

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

        const QStringList listed = driver.source->enumerated();
        EXPECT_EQ(listed.size(), c.listed ? 2 : 1) << c.what;
        EXPECT_EQ(listed.back(), c.listed ? c.listed : "\\\\fs01") << c.what;
        EXPECT_EQ(driver.window.lst->listItems().count(), 14) << c.what;
        EXPECT_EQ(driver.checkedKeys(), c.listed ? QStringList() : QStringList{"key3"}) << c.what;
        if (QString(c.what).startsWith("Enter")) {
            EXPECT_TRUE(driver.window.txtFiltro->hasFocus()) << c.what;
        }
    }
}

TEST_F(WindowRefresh, TypingDuringAHeldListingFiltersAtOnceAndCostsTwoListings)
{
    driver.typeServer("fs01");
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
    EXPECT_EQ(driver.column(3), QStringList{"c:\\share\\file12.txt"});
    EXPECT_LE(driver.source->enumerated().size(), 2);

    driver.source->serve(files(20, "eve"));
    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.source->enumerated().size(), 3);
    EXPECT_EQ(window.frameConn->title(), " 20 open connections on 'fs01' - Filtered elements: 1");
    EXPECT_EQ(driver.column(0), QStringList{"eve"});
}

TEST_F(WindowRefresh, AnAnswerForAServerNoLongerNamedIsNeverShownNorClosed)
{
    driver.source->serve(files(12, "ann"));
    driver.source->hold();
    driver.enterServer("a");
    window.txtPc->setFocus();
    driver.enterServer("b");

    // The answer for "a" comes only after "b" was named.
    driver.source->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver.source->enumerated().size() == 2; }));
    EXPECT_EQ(window.lst->listItems().count(), 0);
    EXPECT_EQ(window.frameConn->title(), "Connections...");

    driver.source->serve({record(201, "bob", "c:\\b1.txt"), record(202, "bob", "c:\\b2.txt")});
    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.column(0), QStringList({"bob", "bob"}));
    driver.chooseFromMenu(1);
    ASSERT_TRUE(driver.closeChecked());
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.source->closed(), QStringList({"\\\\b 201", "\\\\b 202"}));
}

TEST_F(WindowRefresh, ABackgroundAnswerKeepsTheMarksOfFilesStillListed)
{
    driver.typeServer("srv");
    driver.source->hold();
    QTest::keyClick(window.txtFiltro, Qt::Key_End);
    for (const char* key : {"key3", "key5", "key7", "key12"})
        driver.check(key);

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
    EXPECT_EQ(driver.checkedKeys(), QStringList{"key11"});
    EXPECT_EQ(window.lst->listItems().item(11).subItem(3), "c:\\share\\file12.txt");
}

TEST_F(WindowRefresh, ClosingRunsOnTheWorkerInDisplayOrderAppliesNoAnswerAndRefreshesOnce)
{
    driver.typeServer("srv");
    QTest::mouseClick(window.lst->header()->viewport(), Qt::LeftButton, {},
                      QPoint(window.lst->header()->sectionViewportPosition(3) + 5, 5));
    ASSERT_EQ(driver.rowKeys().mid(0, 2), QStringList({"key9", "key8"}));

    driver.source->hold();
    QTest::keyClick(window.txtFiltro, Qt::Key_End);
    for (const char* key : {"key2", "key11", "key12", "key9"})
        driver.check(key);
    driver.source->serve(files(14, "eve"));
    QString asked;
    ASSERT_TRUE(driver.closeChecked([&](QMessageBox& box) { asked = box.windowTitle() + '|' + box.text(); }));
    EXPECT_EQ(asked, "Close files|Close checked files?");

    // The listing asked before answers while the first close is held: it is not applied.
    driver.source->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !driver.source->closed().empty(); }));
    QApplication::processEvents();
    EXPECT_EQ(driver.column(0).first(), "user");
    EXPECT_EQ(driver.checkedKeys().size(), 4);
    EXPECT_TRUE(driver.busy());
    EXPECT_EQ(WindowDriver::menuStates([&] { driver.rightClickList(); }), "no menu");

    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.source->closed(), QStringList({"\\\\srv 109", "\\\\srv 102", "\\\\srv 112", "\\\\srv 111"}));
    EXPECT_EQ(driver.source->enumerated().size(), 3);
    EXPECT_EQ(driver.column(0).first(), "eve");
    EXPECT_TRUE(driver.checkedKeys().empty());
}

TEST_F(WindowRefresh, NoCloseWhenAListingFailsBetweenTheMenuAndYes)
{
    driver.typeServer("srv");
    driver.source->hold();
    QTest::keyClick(window.txtFiltro, Qt::Key_End);
    driver.check("key12");
    driver.source->fail(1003);
    ASSERT_TRUE(driver.closeChecked([&](QMessageBox&) {
        driver.source->releaseAll();
        (void)QTest::qWaitFor([&] { return window.frameConn->title().isEmpty(); });
    }));
    ASSERT_TRUE(driver.settle());
    EXPECT_TRUE(driver.source->closed().empty());
    EXPECT_EQ(window.lst->listItems().count(), 14);
    EXPECT_EQ(window.frameConn->title(), QString());
}

TEST_F(WindowRefresh, BlankUserNamesGetNoRowAndKeysKeepTheirEntryNumbers)
{
    driver.source->serve({record(1, "ann", "c:\\a.pdf"), record(2, "   ", "c:\\b.pdf"), record(3, "", "c:\\c"),
                          record(4, "bob", "c:\\d.PDF")});
    driver.typeServer("srv");
    EXPECT_EQ(driver.rowKeys(), QStringList({"key1", "key4"}));
    const ListItem row = window.lst->listItems().item(2);
    EXPECT_EQ(QStringList({row.text(), row.subItem(1), row.subItem(2), row.subItem(3)}),
              QStringList({"bob", "read access", "pdf", "c:\\d.pdf"}));
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
    EXPECT_TRUE(driver.checkedKeys().empty());

    const QRect first = window.lst->visualRect(window.lst->model()->index(0, 3));
    QTest::mouseClick(window.lst->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(window.lst->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_TRUE(window.lst->listItems().item(1).checked());
    QTest::mouseDClick(window.lst->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_FALSE(window.lst->listItems().item(1).checked());
}
