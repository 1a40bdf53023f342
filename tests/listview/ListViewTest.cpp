#include "ListView.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace {

class ListViewTest : public ::testing::Test {
protected:
    ListView list;

    void SetUp() override
    {
        list.setColumns({"User", "Permission type", "Ext", "File name"}, {1500, 1500, 1500, 5000});
        list.resize(600, 300);
        list.show();
    }

    ListItem add(const QString& key, const QString& text, const QString& fileName = {})
    {
        ListItem row = list.listItems().add(key, text);
        row.setSubItem(3, fileName);
        return row;
    }

    QStringList keysInDisplayOrder() const
    {
        QStringList keys;
        for (std::int32_t p = 1; p <= list.listItems().count(); ++p)
            keys << list.listItems().item(p).key();
        return keys;
    }
};

} // namespace

TEST_F(ListViewTest, PositionsFollowTheSortOrderAlsoForRowsAddedLaterAndTiesKeepTheirOrder)
{
    add("k1", "bob");
    add("k2", "Ann");
    add("k3", "ann");
    add("k4", "carl");
    EXPECT_EQ(keysInDisplayOrder(), QStringList({"k1", "k2", "k3", "k4"}));

    list.setSortKey(0);
    list.setSortOrder(0);
    list.setSorted(true);
    EXPECT_EQ(keysInDisplayOrder(), QStringList({"k2", "k3", "k1", "k4"}));
    add("k5", "ANN");
    EXPECT_EQ(keysInDisplayOrder(), QStringList({"k2", "k3", "k5", "k1", "k4"}));

    list.setSortOrder(1);
    EXPECT_EQ(keysInDisplayOrder(), QStringList({"k4", "k1", "k2", "k3", "k5"}));

    // Sorting by a sub-item, and re-sorting when that sub-item changes.
    list.listItems().item(1).setSubItem(3, "z");
    list.setSortKey(3);
    list.setSortOrder(0);
    EXPECT_EQ(list.listItems().item(5).key(), "k4");
    list.listItems().item(1).setSubItem(3, "zz");
    EXPECT_EQ(list.listItems().item(5).key(), "k1");
}

TEST_F(ListViewTest, RefusesDuplicateKeysBadPositionsAndHandlesFromBeforeAClear)
{
    ListItem first = add("key1", "ann");
    EXPECT_THROW(add("key1", "bob"), std::invalid_argument);
    EXPECT_EQ(list.listItems().count(), 1);
    EXPECT_THROW(list.listItems().item(0), std::out_of_range);
    EXPECT_THROW(list.listItems().item(2), std::out_of_range);
    EXPECT_THROW(first.subItem(4), std::out_of_range);
    EXPECT_THROW(list.selectedItem(), std::out_of_range);

    list.listItems().clear();
    add("key1", "carl"); // the same storage row again, but a new row
    EXPECT_THROW(first.text(), std::out_of_range);
    EXPECT_THROW(first.setChecked(true), std::out_of_range);
    EXPECT_EQ(list.listItems().item(1).text(), "carl");
}

TEST_F(ListViewTest, TheUserChecksTheSelectedRowWithTheSpaceBar)
{
    add("k1", "ann");
    add("k2", "bob");
    QCoreApplication::processEvents();
    list.setFocus();
    list.setCurrentIndex(list.model()->index(1, 0));
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_FALSE(list.listItems().item(1).checked());
    EXPECT_TRUE(list.listItems().item(2).checked());
    EXPECT_EQ(list.selectedItem().key(), "k2");
}

TEST_F(ListViewTest, AutoSizeFitsTheWidestEntryOfAllRowsNotOnlyTheVisibleOnes)
{
    for (int i = 0; i < 3000; ++i)
        add(QString("k%1").arg(i), "ann", QString("c:\\share\\file%1.txt").arg(i));
    list.listItems().item(2999).setSubItem(3, "c:\\share\\" + QString(120, 'W') + ".txt");
    add("wide", "a user with a rather long name");

    list.header()->setResizeContentsPrecision(-1); // the reference measures every row
    const auto expectFitted = [&](const char* when) {
        for (int column = 0; column < 4; ++column) {
            list.autoSizeColumn(column);
            EXPECT_EQ(list.header()->sectionSize(column),
                      std::max(list.header()->minimumSectionSize(),
                               static_cast<QAbstractItemView&>(list).sizeHintForColumn(column)))
                << when << ", column " << column;
        }
    };
    expectFitted("first sizing");
    // Widths measured once are remembered, but not across a change of font.
    QFont larger = list.font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    list.setFont(larger);
    expectFitted("larger font");
    // The header caption does not count: "Permission type" is wider than an empty column.
    EXPECT_LT(list.header()->sectionSize(1), list.fontMetrics().horizontalAdvance("Permission type"));
}

TEST_F(ListViewTest, ReportsMouseButtonsInItsOwnCodesAndPositionsInTwips)
{
    add("k1", "ann");
    QCoreApplication::processEvents();
    QSignalSpy down(&list, &ListView::mouseDown);
    QTest::mousePress(list.viewport(), Qt::RightButton, Qt::ShiftModifier, QPoint(10, 4));
    QTest::mousePress(list.viewport(), Qt::MiddleButton, {}, QPoint(10, 4));
    ASSERT_EQ(down.count(), 2);
    EXPECT_EQ(down[0][0].value<std::int16_t>(), 2);
    EXPECT_EQ(down[0][1].value<std::int16_t>(), 1);
    EXPECT_FLOAT_EQ(down[0][2].toFloat(), 150.0F);
    EXPECT_FLOAT_EQ(down[0][3].toFloat(), 60.0F);
    EXPECT_EQ(down[1][0].value<std::int16_t>(), 4);

    QStringList clicked;
    QObject::connect(&list, &ListView::columnClick,
                     [&](const ColumnHeader& header) { clicked << QString::number(header.index()) + header.text(); });
    QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, {}, QPoint(list.header()->sectionViewportPosition(2) + 5, 5));
    EXPECT_EQ(clicked, QStringList({"3Ext"}));
}
