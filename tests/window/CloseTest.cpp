// Closing never touches a file that was not checked, though one identifier may name two files.
#include "WindowDriver.h"

namespace {

const QString oneShared = "Close files|1 checked file was left open: another open file on the server shares its "
                          "identifier, so closing it would close that file too.";

OpenFileRecord file(std::uint32_t id, const char* name, const char* user = "ann")
{
    return record(id, user, qPrintable(QStringLiteral("c:\\share\\%1").arg(name)));
}

void checkFiles(WindowDriver& driver, const QStringList& names)
{
    for (std::int32_t p = 1; p <= driver.window.lst->listItems().count(); ++p) {
        ListItem row = driver.window.lst->listItems().item(p);
        if (names.contains(row.subItem(3).section(u'\\', -1)))
            row.setChecked(true);
    }
}

} // namespace

TEST(WindowClose, ClosesAnIdentifierOnlyWhenEveryFileUnderItIsCheckedAndStillListed)
{
    const struct {
        const char* what;
        std::vector<OpenFileRecord> listed;
        const char* filter;
        QStringList checked;
        std::vector<OpenFileRecord> afterYes;
        QStringList closed;
        QString notice;
    } cases[] = {
        {"one of two files under one identifier", {file(7, "a.txt"), file(7, "b.txt"), file(8, "c.txt")}, "",
         {"a.txt"}, {file(7, "a.txt"), file(7, "b.txt"), file(8, "c.txt")}, {}, oneShared},
        {"both files under one identifier", {file(7, "a.txt"), file(7, "b.txt"), file(8, "c.txt")}, "",
         {"a.txt", "b.txt"}, {file(7, "a.txt"), file(7, "b.txt"), file(8, "c.txt")}, {"\\\\srv 7"}, ""},
        {"two of three", {file(7, "a.txt"), file(7, "b.txt"), file(7, "c.txt")}, "", {"a.txt", "b.txt"},
         {file(7, "a.txt"), file(7, "b.txt"), file(7, "c.txt")}, {},
         "Close files|2 checked files were left open: another open file on the server shares their identifier, "
         "so closing them would close it too."},
        {"the twin hidden by the filter", {file(7, "a.txt"), file(7, "b.txt")}, "a.txt", {"a.txt"},
         {file(7, "a.txt"), file(7, "b.txt")}, {}, oneShared},
        {"the twin without a row", {file(7, "a.txt"), file(7, "b.txt", " ")}, "", {"a.txt"},
         {file(7, "a.txt"), file(7, "b.txt", " ")}, {}, oneShared},
        {"another file under the identifier after Yes", {file(7, "a.txt"), file(8, "c.txt")}, "", {"a.txt"},
         {file(7, "a.txt"), file(7, "d.txt"), file(8, "c.txt")}, {}, oneShared},
        {"a checked file gone after Yes, the rest in display order",
         {file(9, "e.txt"), file(8, "c.txt"), file(7, "a.txt"), file(7, "b.txt"), file(10, "f.txt")}, "",
         {"f.txt", "a.txt", "e.txt", "c.txt"}, {file(9, "e.txt"), file(7, "a.txt"), file(7, "b.txt"), file(10, "f.txt")},
         {"\\\\srv 9", "\\\\srv 10"},
         "Close files|1 checked file was left open: another open file on the server shares its identifier, so "
         "closing it would close that file too.\n1 checked file was left open: it changed or closed since the "
         "list was read."},
    };
    for (const auto& c : cases) {
        WindowDriver driver;
        driver.source->serve(c.listed);
        driver.typeServer("srv");
        driver.typeFilter(c.filter);
        checkFiles(driver, c.checked);
        const qsizetype listings = driver.source->enumerated().size();
        ASSERT_TRUE(driver.closeChecked([&](QMessageBox&) { driver.source->serve(c.afterYes); })) << c.what;
        ASSERT_TRUE(driver.settle()) << c.what;
        EXPECT_EQ(driver.source->closed(), c.closed) << c.what;
        EXPECT_EQ(driver.takeNotice(), c.notice) << c.what;
        // One listing before the closes, one after.
        EXPECT_EQ(driver.source->enumerated().size(), listings + 2) << c.what;
    }
}

TEST(WindowClose, AnsweringNoClosesNothingAndListsNothing)
{
    WindowDriver driver;
    driver.source->serve({file(7, "a.txt")});
    driver.typeServer("srv");
    checkFiles(driver, {"a.txt"});
    ASSERT_TRUE(driver.chooseFromMenu(0, [](QWidget& box) {
        static_cast<QMessageBox&>(box).button(QMessageBox::No)->click();
    }));
    ASSERT_TRUE(driver.settle());
    EXPECT_TRUE(driver.source->closed().empty());
    EXPECT_EQ(driver.source->enumerated().size(), 1);
    EXPECT_EQ(driver.takeNotice(), "");
}
