#include "WindowDriver.h"

#include <QContextMenuEvent>

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

    // Lists "srv", asks again with the source held, and checks these rows meanwhile.
    void checkDuringAHeldListing(std::initializer_list<const char*> keys)
    {
        driver.typeServer("srv");
        driver.source->hold();
        QTest::keyClick(window.txtFiltro, Qt::Key_End);
        for (const char* key : keys)
            driver.check(key);
    }
};

} // namespace

TEST(WindowTriggers, ListOnlyForAnotherServerOrAKeyInTheFilterAndDropMarksWhenTheyDo)
{
    const struct {
        const char* what;
        std::function<void(WindowDriver&)> act;
        const char* listed; // the server listed again, or nullptr
    } cases[] = {
        {"Enter, same name in capitals and blanks", [](WindowDriver& d) { d.typeServer(" FS01 "); }, nullptr},
        {"Enter, another name", [](WindowDriver& d) { d.typeServer("fs02"); }, "\\\\fs02"},
        {"leaving the box unchanged", [](WindowDriver& d) { d.window.txtFiltro->setFocus(); }, nullptr},
        {"leaving the box changed",
         [](WindowDriver& d) {
             d.window.txtPc->setText("fs03");
             d.window.txtFiltro->setFocus();
         },
         "\\\\fs03"},
        {"the box's own pop-up menu over a changed name",
         [](WindowDriver& d) {
             d.window.txtPc->setText("fs03");
             QContextMenuEvent request(QContextMenuEvent::Keyboard, {}, {});
             EXPECT_NE(WindowDriver::menuStates([&] { QApplication::sendEvent(d.window.txtPc, &request); }),
                       "no menu");
         },
         nullptr},
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
    }
}

TEST_F(WindowRefresh, TypingDuringAHeldListingFiltersAtOnceAndCostsTwoListings)
{
    driver.typeServer("fs01");
    driver.source->hold();
    window.txtFiltro->setFocus();
    const int rows[] = {14, 14, 14, 14, 6, 1}; // after each key of "file12"
    for (int k = 0; k < 6; ++k) {
        QTest::keyClick(window.txtFiltro, "file12"[k]);
        EXPECT_EQ(window.lst->listItems().count(), rows[k]) << window.txtFiltro->text().toStdString();
        EXPECT_EQ(window.frameConn->title(), QString(" 14 open connections on 'fs01' - Filtered elements: %1").arg(rows[k]));
        EXPECT_TRUE(driver.busy());
    }
    EXPECT_EQ(driver.column(3), QStringList{"c:\\share\\file12.txt"});

    driver.source->serve(files(20, "eve"));
    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.source->enumerated().size(), 3);
    EXPECT_EQ(window.frameConn->title(), " 20 open connections on 'fs01' - Filtered elements: 1");
    EXPECT_EQ(driver.column(0), QStringList{"eve"});
}

TEST_F(WindowRefresh, AnAnswerForAServerNoLongerNamedIsNeverShownNorClosed)
{
    driver.source->serve(files(12, "ann"), "\\\\a");
    driver.source->serve({record(201, "bob", "c:\\b1.txt"), record(202, "bob", "c:\\b2.txt")});
    driver.source->hold("\\\\a");
    driver.enterServer("a");
    window.txtPc->setFocus();
    driver.typeServer("b");
    EXPECT_EQ(driver.column(0), QStringList({"bob", "bob"}));

    // The answer for "a" comes only after "b" was named.
    driver.source->releaseAll();
    driver.chooseFromMenu(1);
    ASSERT_TRUE(driver.closeChecked());
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.source->closed(), QStringList({"\\\\b 201", "\\\\b 202"}));
}

// Each server has a worker thread of its own: a silent one holds up none of another's listings.
// Its answer counts only if it is named again, and then the listing asked meanwhile follows.
TEST_F(WindowRefresh, AnotherServerIsListedAtOnceWhileASilentOnesListingIsHeld)
{
    driver.source->hold("\\\\silent");
    driver.enterServer("silent");
    EXPECT_TRUE(driver.busy());
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver.source->enumerated().size() == 1; }));
    window.txtPc->setFocus();
    driver.typeServer("fs01");
    EXPECT_EQ(window.frameConn->title(), " 14 open connections on 'fs01'");
    driver.typeFilter("file1");
    EXPECT_EQ(window.frameConn->title(), " 14 open connections on 'fs01' - Filtered elements: 6");
    window.txtPc->setFocus();
    driver.enterServer("SILENT");
    EXPECT_TRUE(driver.busy());
    EXPECT_EQ(driver.source->enumerated(), QStringList({"\\\\silent", "\\\\fs01", "\\\\fs01"}));

    driver.source->serve(files(3), "\\\\silent");
    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.source->enumerated(), QStringList({"\\\\silent", "\\\\fs01", "\\\\fs01", "\\\\SILENT"}));
    EXPECT_EQ(window.frameConn->title(), " 14 open connections on 'SILENT' - Filtered elements: 6");
}

TEST_F(WindowRefresh, ABackgroundAnswerKeepsTheMarksOfFilesStillListed)
{
    checkDuringAHeldListing({"key3", "key5", "key7", "key12"});

    // file1's user is now blank, so it gets no row; file3 is gone, file5 is held by another
    // user, file7 under another identifier; file12 stays but becomes entry 11, in row 10.
    std::vector<OpenFileRecord> now = files(15);
    now[0].userName = "  ";
    now[4].userName = "eve";
    now[6].id += 1000;
    now.erase(now.begin() + 2);
    driver.source->serve(now);
    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());

    EXPECT_EQ(window.lst->listItems().count(), 13);
    EXPECT_EQ(driver.checkedKeys(), QStringList{"key11"});
    const ListItem row = window.lst->listItems().item(10);
    EXPECT_EQ(QStringList({row.text(), row.subItem(1), row.subItem(2), row.subItem(3)}),
              QStringList({"user", "read access", "txt", "c:\\share\\file12.txt"}));
    EXPECT_GT(row.smallIcon(), 1); // its type's own image, not the one for no extension
}

TEST_F(WindowRefresh, ClosingRunsOnTheWorkerInDisplayOrderAppliesNoAnswerAndRefreshesOnce)
{
    checkDuringAHeldListing({"key2", "key11", "key12", "key9"});
    QTest::mouseClick(window.lst->header()->viewport(), Qt::LeftButton, {},
                      QPoint(window.lst->header()->sectionViewportPosition(3) + 5, 5));
    ASSERT_EQ(driver.rowKeys().mid(0, 2), QStringList({"key9", "key8"}));
    QString asked;
    ASSERT_TRUE(driver.closeChecked([&](QMessageBox& box) { asked = box.windowTitle() + '|' + box.text(); }));
    EXPECT_EQ(asked, "Close files|Close checked files?");

    // The listing asked before and the one that decides what may close answer; the first close
    // is held. Neither answer is applied.
    driver.source->release();
    driver.source->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !driver.source->closed().empty(); }));
    driver.source->serve(files(14, "eve"));
    QApplication::processEvents();
    EXPECT_EQ(driver.column(0).first(), "user");
    EXPECT_EQ(driver.checkedKeys().size(), 4);
    EXPECT_TRUE(driver.busy());
    EXPECT_EQ(WindowDriver::menuStates([&] { driver.rightClickList(); }), "no menu");

    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.source->closed(), QStringList({"\\\\srv 109", "\\\\srv 102", "\\\\srv 112", "\\\\srv 111"}));
    EXPECT_EQ(driver.source->enumerated().size(), 4);
    EXPECT_EQ(driver.column(0).first(), "eve");
    EXPECT_TRUE(driver.checkedKeys().empty());
    EXPECT_EQ(driver.takeNotice(), "");
}

// Either the listing failing while the question is open or the one after Yes closes nothing.
TEST_F(WindowRefresh, NoCloseWhenAListingFailsBetweenTheMenuAndTheCloses)
{
    checkDuringAHeldListing({"key12", "key3"});
    driver.source->fail({SourceOutcome::unreachable, 1003});
    ASSERT_TRUE(driver.closeChecked([&](QMessageBox&) {
        driver.source->releaseAll();
        (void)QTest::qWaitFor([&] { return window.frameConn->title().isEmpty(); });
    }));
    ASSERT_TRUE(driver.settle());
    EXPECT_TRUE(driver.source->closed().empty());

    driver.source->serve(files(14));
    driver.typeFilter("");
    driver.check("key12");
    driver.source->hold();
    ASSERT_TRUE(driver.closeChecked());
    driver.source->fail({SourceOutcome::failed, 59});
    driver.source->releaseAll();
    ASSERT_TRUE(driver.settle());
    EXPECT_TRUE(driver.source->closed().empty());
    EXPECT_EQ(driver.takeNotice(),
              "Close files|1 checked file was left open: the server could not be listed again just before closing.");
}

TEST_F(WindowRefresh, OverflowingInventoryLeavesNoRowNamingAnotherEntry)
{
    driver.typeServer("srv");
    // More than 32,767 matches: with a filter the inventory fails while composing its message,
    // with none the fill fails at the count. Either way none of the rows shown from the last
    // answer (the filter "e" matches them all) stays, and the message shows.
    driver.source->serve(std::vector<OpenFileRecord>(32768, record(5, "eve", "c:\\e.txt")));
    for (const char* filter : {"e", ""}) {
        driver.typeFilter(filter);
        EXPECT_EQ(window.lst->listItems().count(), 0) << filter;
        EXPECT_EQ(window.frameConn->title(), " 32768 open connections on 'srv'") << filter;
    }
    driver.source->serve(files(14));
    driver.typeFilter("file3");
    EXPECT_EQ(driver.rowKeys(), QStringList({"key1"}));
}
