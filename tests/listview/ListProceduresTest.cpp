#include "ListView.h"
#include "listViewUtility.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A four-column list: user, permission, extension, path.
class ListProcedures : public ::testing::Test {
protected:
    ListView list;

    void SetUp() override
    {
        list.setColumns({QStringLiteral("User"), QStringLiteral("Permission"), QStringLiteral("Type"), QStringLiteral("File")},
                        {1500, 1500, 1500, 1500});
    }

    void addRows(std::int32_t count)
    {
        for (std::int32_t i = 1; i <= count; ++i)
            list.listItems().add(QStringLiteral("key%1").arg(i), QStringLiteral("user"));
    }

    void addRow(const QString& user, const QString& type)
    {
        ListItem row = list.listItems().add(QStringLiteral("key%1").arg(list.listItems().count() + 1), user);
        row.setSubItem(1, QStringLiteral("read"));
        row.setSubItem(2, type);
        row.setSubItem(3, QStringLiteral("d:\\") + user + u'.' + type);
    }

    QString shownColumn(int subItem)
    {
        QString shown;
        for (std::int32_t i = 1; i <= list.listItems().count(); ++i) {
            const ListItem row = list.listItems().item(i);
            shown += subItem == 0 ? row.text() : row.subItem(subItem);
        }
        return shown;
    }
};

TEST_F(ListProcedures, SortOrderAlternatesOnEveryClickAcrossHeaders)
{
    addRow(QStringLiteral("b"), QStringLiteral("y"));
    addRow(QStringLiteral("c"), QStringLiteral("x"));
    addRow(QStringLiteral("a"), QStringLiteral("z"));
    list.setSortOrder(0);

    const struct {
        int header;
        std::int16_t key;
        std::int16_t order;
        int shownSubItem;
        const char* shown;
    } clicks[] = {
        {3, 2, 1, 2, "zyx"}, // the first click reverses the list's initial order
        {1, 0, 0, 0, "abc"}, // a new column continues the alternation
        {1, 0, 1, 0, "cba"},
        {3, 2, 0, 2, "xyz"},
    };
    for (const auto& click : clicks) {
        sortByColumn(list, list.columnHeaders().at(static_cast<std::size_t>(click.header - 1)));
        EXPECT_EQ(list.sortKey(), click.key);
        EXPECT_EQ(list.sortOrder(), click.order);
        EXPECT_TRUE(list.sorted());
        EXPECT_EQ(shownColumn(click.shownSubItem), QString::fromUtf8(click.shown)) << click.header;
    }
}

TEST_F(ListProcedures, ColumnsFitTheirWidestEntryNotTheirCaption)
{
    const QString caption = QStringLiteral("A caption far wider than anything below it");
    list.setColumns({caption, QStringLiteral("P"), QStringLiteral("T"), QStringLiteral("F")}, {6000, 300, 300, 300});
    addRow(QStringLiteral("ab"), QStringLiteral("pdf"));
    const QString longPath = QStringLiteral("d:\\a very long folder name\\and a long file name.txt");
    list.listItems().item(1).setSubItem(3, longPath);

    autoSizeColumns(list, nullptr);

    const QFontMetrics metrics(list.font());
    const int captionWidth = metrics.horizontalAdvance(caption);
    EXPECT_LT(list.columnWidth(0), captionWidth);
    EXPECT_GE(list.columnWidth(0), metrics.horizontalAdvance(QStringLiteral("ab")));
    EXPECT_GE(list.columnWidth(3), metrics.horizontalAdvance(longPath));

    // One header alone sizes only its column.
    list.setColumnWidth(3, 10);
    list.setColumnWidth(1, 200);
    const std::vector<ColumnHeader> headers = list.columnHeaders();
    autoSizeColumns(list, &headers.at(3));
    EXPECT_GE(list.columnWidth(3), metrics.horizontalAdvance(longPath));
    EXPECT_EQ(list.columnWidth(1), 200);
}

TEST_F(ListProcedures, CheckStatesOnEmptyAndPartlyCheckedLists)
{
    EXPECT_EQ(countChecked(list), 0);
    setAllChecked(list, true);
    EXPECT_EQ(countChecked(list), 0);

    addRows(5);
    list.listItems().item(2).setChecked(true);
    list.listItems().item(5).setChecked(true);
    EXPECT_EQ(countChecked(list), 2);
    setAllChecked(list, true);
    EXPECT_EQ(countChecked(list), 5);
    setAllChecked(list, false);
    EXPECT_EQ(countChecked(list), 0);
}

TEST_F(ListProcedures, CheckStatesStopAtTheSixteenBitRowLimit)
{
    addRows(32767);
    setAllChecked(list, true);
    EXPECT_EQ(countChecked(list), 32767);

    list.listItems().add(QStringLiteral("key32768"), QStringLiteral("user"));
    EXPECT_EQ(countChecked(list), 0);
    setAllChecked(list, false);
    EXPECT_TRUE(list.listItems().item(1).checked());
    EXPECT_FALSE(list.listItems().item(32768).checked());
}

} // namespace
