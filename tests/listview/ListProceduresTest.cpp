#include "ListView.h"
#include "listViewUtility.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <vector>

namespace {

class ListProcedures : public ::testing::Test {
protected:
    ListView list;

    void SetUp() override { list.setColumns({"User", "Permission", "Type", "File"}, {1500, 1500, 1500, 1500}); }

    void addRows(std::int32_t count)
    {
        for (std::int32_t i = 1; i <= count; ++i)
            list.listItems().add(QStringLiteral("key%1").arg(i), QStringLiteral("user"));
    }

    QString shownColumn(int subItem)
    {
        QString shown;
        for (std::int32_t i = 1; i <= list.listItems().count(); ++i)
            shown += subItem == 0 ? list.listItems().item(i).text() : list.listItems().item(i).subItem(subItem);
        return shown;
    }
};

TEST_F(ListProcedures, SortOrderAlternatesOnEveryClickAcrossHeaders)
{
    for (const char* userAndType : {"by", "cx", "az"}) {
        ListItem row = list.listItems().add(QString::fromUtf8(userAndType), QString::fromUtf8(userAndType, 1));
        row.setSubItem(2, QString::fromUtf8(userAndType + 1));
    }
    list.setSortOrder(0);
    const struct {
        int header;
        std::int16_t order;
        const char* shown;
    } clicks[] = {
        {3, 1, "zyx"}, // the first click reverses the list's initial order
        {1, 0, "abc"}, // a new column continues the alternation
        {1, 1, "cba"},
        {3, 0, "xyz"},
    };
    for (const auto& click : clicks) {
        sortByColumn(list, list.columnHeaders().at(static_cast<std::size_t>(click.header - 1)));
        EXPECT_EQ(list.sortKey(), click.header - 1);
        EXPECT_EQ(list.sortOrder(), click.order);
        EXPECT_TRUE(list.sorted());
        EXPECT_EQ(shownColumn(click.header - 1), QString::fromUtf8(click.shown)) << click.header;
    }
}

TEST_F(ListProcedures, ColumnsFitTheirWidestEntryNotTheirCaptionAndNoRowsKeepTheWidths)
{
    const QString caption = QStringLiteral("A caption far wider than anything below it");
    const QString path = QStringLiteral("d:\\a very long folder name\\and a long file name.txt");
    list.setColumns({caption, "P", "T", "F"}, {6000, 3000, 900, 900});
    const auto widths = [this] {
        return std::vector<int>{list.columnWidth(0), list.columnWidth(1), list.columnWidth(2), list.columnWidth(3)};
    };
    autoSizeColumns(list, nullptr); // nothing to fit yet
    EXPECT_EQ(widths(), (std::vector<int>{400, 200, 60, 60}));

    ListItem row = list.listItems().add(QStringLiteral("key1"), QStringLiteral("ab"));
    row.setSubItem(3, path);
    const std::vector<ColumnHeader> headers = list.columnHeaders();
    autoSizeColumns(list, &headers.at(3)); // one header sizes only its column
    const QFontMetrics metrics(list.font());
    EXPECT_GE(list.columnWidth(3), metrics.horizontalAdvance(path));
    EXPECT_EQ(list.columnWidth(1), 200);

    autoSizeColumns(list, nullptr);
    EXPECT_LT(list.columnWidth(0), metrics.horizontalAdvance(caption));
    EXPECT_GE(list.columnWidth(0), metrics.horizontalAdvance(QStringLiteral("ab")));
    EXPECT_LT(list.columnWidth(1), 200);

    // A listing whose entries all have a blank user adds no row: the header stays as it was.
    const std::vector<int> fitted = widths();
    list.listItems().clear();
    autoSizeColumns(list, nullptr);
    EXPECT_EQ(widths(), fitted);
}

TEST_F(ListProcedures, CheckStatesUpToTheSixteenBitRowLimit)
{
    EXPECT_EQ(countChecked(list), 0);
    setAllChecked(list, true); // an empty list: nothing to do, nothing thrown

    addRows(5);
    list.listItems().item(2).setChecked(true);
    list.listItems().item(5).setChecked(true);
    EXPECT_EQ(countChecked(list), 2);
    setAllChecked(list, true);
    EXPECT_EQ(countChecked(list), 5);
    setAllChecked(list, false);
    EXPECT_EQ(countChecked(list), 0);

    list.listItems().clear();
    addRows(32767);
    setAllChecked(list, true);
    EXPECT_EQ(countChecked(list), 32767);
    // One row more no longer fits the 16-bit row counter: neither procedure touches the rows.
    list.listItems().add(QStringLiteral("key32768"), QStringLiteral("user"));
    EXPECT_EQ(countChecked(list), 0);
    setAllChecked(list, false);
    EXPECT_TRUE(list.listItems().item(1).checked());
}

} // namespace
