#include "WindowDriver.h"

#include <gtest/gtest.h>

namespace {

std::vector<OpenFileRecord> sevenFiles()
{
    std::vector<OpenFileRecord> records;
    for (std::uint32_t i = 1; i <= 7; ++i)
        records.push_back(record(100 + i, "user", qPrintable(QString("c:\\share\\file%1.txt").arg(i))));
    return records;
}

class WindowRefresh : public ::testing::Test {
protected:
    WindowDriver driver;
    frmMain& window = driver.window;

    void SetUp() override { driver.source->serve(sevenFiles()); }
};

} // namespace

TEST_F(WindowRefresh, StartsWithTheBannerAnEmptyListAndNoEnumeration)
{
    EXPECT_TRUE(window.windowTitle().startsWith("Tarnwick v1.0 - "));
    EXPECT_EQ(window.lst->listItems().count(), 0);
    EXPECT_EQ(window.frameConn->title(), "Connections...");
    driver.typeServer("");
    EXPECT_EQ(driver.enumerations(), 0u);
    EXPECT_TRUE(window.txtFiltro->hasFocus());
}

TEST_F(WindowRefresh, EnterRefreshesOnlyForAnotherServerNameAndAlwaysMovesOn)
{
    driver.typeServer("fs01");
    ASSERT_EQ(driver.enumerations(), 1u);
    EXPECT_EQ(driver.source->enumerated.back(), "\\\\fs01");
    EXPECT_TRUE(window.txtFiltro->hasFocus());
    EXPECT_EQ(window.lst->listItems().count(), 7);
    EXPECT_EQ(window.frameConn->title(), " 7 open connections on 'fs01'");

    for (const char* same : {"FS01", " fs01 "}) {
        window.txtPc->setFocus();
        driver.typeServer(same);
        EXPECT_TRUE(window.txtFiltro->hasFocus());
    }
    EXPECT_EQ(driver.enumerations(), 1u);

    window.txtPc->setFocus();
    driver.typeServer("fs02");
    EXPECT_EQ(driver.enumerations(), 2u);
    EXPECT_EQ(driver.source->enumerated.back(), "\\\\fs02");
}

TEST_F(WindowRefresh, LeavingTheServerBoxRefreshesOnlyAfterAChange)
{
    window.txtPc->setText("fs01");
    window.txtFiltro->setFocus();
    EXPECT_EQ(driver.enumerations(), 1u);
    window.txtPc->setFocus();
    window.txtFiltro->setFocus();
    EXPECT_EQ(driver.enumerations(), 1u);
}

TEST_F(WindowRefresh, EveryKeyReleaseInTheFilterRefreshesAndDropsTheChecks)
{
    driver.typeServer("fs01");
    driver.check("key3");
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Shift, Qt::Key_Z}) {
        const auto before = driver.enumerations();
        QTest::keyClick(window.txtFiltro, key);
        EXPECT_EQ(driver.enumerations(), before + 1) << key;
    }
    EXPECT_EQ(window.txtFiltro->text(), "z");
    EXPECT_EQ(window.lst->listItems().count(), 0);
    EXPECT_EQ(window.frameConn->title(), " 7 open connections on 'fs01' - Filtered elements: 0");

    window.txtFiltro->clear();
    QTest::keyClick(window.txtFiltro, Qt::Key_Right);
    EXPECT_EQ(window.lst->listItems().count(), 7);
    for (std::int32_t p = 1; p <= 7; ++p)
        EXPECT_FALSE(window.lst->listItems().item(p).checked());
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

TEST_F(WindowRefresh, FailedEnumerationShowsThePreviousRowsButOffersNoClose)
{
    driver.typeServer("fs01");
    driver.check("key2");
    driver.source->answer.status = 1003;
    window.txtPc->setFocus();
    driver.typeServer("fs02");

    EXPECT_EQ(window.lst->listItems().count(), 7);
    EXPECT_EQ(window.frameConn->title(), QString());
    driver.check("key2");
    bool closeOffered = true;
    EXPECT_TRUE(driver.rightClickList([&](QMenu& menu) {
        closeOffered = menu.actions().at(0)->isEnabled();
        EXPECT_TRUE(menu.actions().at(2)->isEnabled());
        menu.close();
    }));
    EXPECT_FALSE(closeOffered);

    // Listing fs02 successfully makes its rows closable again.
    driver.source->answer.status = 0;
    QTest::keyClick(window.txtFiltro, Qt::Key_Right);
    driver.check("key2");
    EXPECT_TRUE(driver.rightClickList([&](QMenu& menu) {
        closeOffered = menu.actions().at(0)->isEnabled();
        menu.close();
    }));
    EXPECT_TRUE(closeOffered);
}

TEST_F(WindowRefresh, OverflowingInventoryLeavesNoRowNamingAnotherEntry)
{
    driver.typeServer("srv");
    ASSERT_EQ(window.lst->listItems().count(), 7);

    // More than 32,767 matches with a filter: the inventory fails while composing its message.
    driver.source->serve(std::vector<OpenFileRecord>(32768, record(5, "eve", "c:\\e.txt")));
    driver.typeFilter("eve");
    EXPECT_EQ(window.lst->listItems().count(), 0);
    EXPECT_EQ(window.frameConn->title(), " 32768 open connections on 'srv'");

    // With a blank filter the fill itself fails at the count: no rows, message shown.
    driver.typeFilter("");
    EXPECT_EQ(window.lst->listItems().count(), 0);
    EXPECT_EQ(window.frameConn->title(), " 32768 open connections on 'srv'");

    driver.source->serve(sevenFiles());
    driver.typeFilter("file3");
    EXPECT_EQ(driver.rowKeys(), QStringList({"key1"}));
}

TEST_F(WindowRefresh, MenuStatesFollowTheCheckedRows)
{
    EXPECT_FALSE(driver.rightClickList([](QMenu& menu) { menu.close(); }));
    driver.typeServer("srv");
    auto states = [&] {
        QString seen;
        driver.rightClickList([&](QMenu& menu) {
            for (QAction* action : menu.actions())
                seen += action->isEnabled() ? '1' : '0';
            menu.close();
        });
        return seen;
    };
    EXPECT_EQ(states(), "010");
    driver.check("key1");
    EXPECT_EQ(states(), "111");
    driver.rightClickList([](QMenu& menu) { WindowDriver::choose(menu, menu.actions().at(1)); });
    EXPECT_EQ(states(), "101");
    driver.rightClickList([](QMenu& menu) { WindowDriver::choose(menu, menu.actions().at(2)); });
    EXPECT_EQ(states(), "010");

    // Other buttons never show the menu.
    bool shown = false;
    QTimer::singleShot(0, [&] { shown = QApplication::activePopupWidget() != nullptr; });
    QTest::mouseClick(window.lst->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseClick(window.lst->viewport(), Qt::MiddleButton, {}, QPoint(20, 20));
    QApplication::processEvents();
    EXPECT_FALSE(shown);
}

TEST_F(WindowRefresh, ClosingAsksFirstAndClosesCheckedRowsInDisplayOrder)
{
    driver.typeServer("srv");
    driver.check("key2");
    driver.check("key7");
    const auto listed = driver.enumerations();

    QString asked;
    driver.rightClickList([&](QMenu& menu) {
        WindowDriver::answerConfirmation(QMessageBox::No, &asked);
        WindowDriver::choose(menu, menu.actions().at(0));
    });
    EXPECT_EQ(asked, "Close files|Close checked files?");
    EXPECT_TRUE(driver.source->closed.empty());
    EXPECT_EQ(driver.enumerations(), listed);
    EXPECT_TRUE(window.lst->listItems().item(2).checked());

    // Sort the file names descending, so that file7 (key7) shows before file2 (key2).
    window.lst->setSortOrder(0);
    QTest::mouseClick(window.lst->header()->viewport(), Qt::LeftButton, {},
                      QPoint(window.lst->header()->sectionViewportPosition(3) + 5, 5));
    ASSERT_EQ(driver.rowKeys().first(), "key7");

    driver.rightClickList([&](QMenu& menu) {
        WindowDriver::answerConfirmation(QMessageBox::Yes);
        WindowDriver::choose(menu, menu.actions().at(0));
    });
    ASSERT_EQ(driver.source->closed.size(), 2u);
    EXPECT_EQ(driver.source->closed[0].id, 107u);
    EXPECT_EQ(driver.source->closed[1].id, 102u);
    EXPECT_EQ(driver.source->closed[0].server, "\\\\srv");
    EXPECT_EQ(driver.enumerations(), listed + 1);
    EXPECT_EQ(window.lst->listItems().count(), 7);
    EXPECT_FALSE(window.lst->listItems().item(1).checked());
}

TEST_F(WindowRefresh, DoubleClickTogglesTheSelectedRowOnly)
{
    driver.typeServer("srv");
    QTest::mouseDClick(window.lst->viewport(), Qt::LeftButton, {}, QPoint(200, 200)); // below the rows
    for (std::int32_t p = 1; p <= 7; ++p)
        EXPECT_FALSE(window.lst->listItems().item(p).checked());

    const QRect first = window.lst->visualRect(window.lst->model()->index(0, 3));
    QTest::mouseClick(window.lst->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(window.lst->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_TRUE(window.lst->listItems().item(1).checked());
    QTest::mouseDClick(window.lst->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_FALSE(window.lst->listItems().item(1).checked());
}
