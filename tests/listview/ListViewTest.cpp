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

    // Fits every column and compares it with what the view itself finds over all its rows.
    void expectFitted(const char* when)
    {
        list.header()->setResizeContentsPrecision(-1);
        for (int column = 0; column < 4; ++column) {
            list.autoSizeColumn(column);
            EXPECT_EQ(list.header()->sectionSize(column),
                      std::max(list.header()->minimumSectionSize(),
                               static_cast<QAbstractItemView&>(list).sizeHintForColumn(column)))
                << when << ", column " << column;
        }
    }
};

} // namespace

// Long enough for an unstable sort to mix up ties.
TEST_F(ListViewTest, SortingKeepsTiesInTheOrderOfAddingBothWays)
{
    const char* spellings[] = {"bob", "Ann", "ann", "BOB", "ANN"};
    QStringList ann, bob;
    for (int i = 0; i < 200; ++i) {
        const QString text = QString::fromUtf8(spellings[i * 7 % 5]);
        const QString key = QString("k%1").arg(i);
        add(key, text);
        (text.compare("ann", Qt::CaseInsensitive) == 0 ? ann : bob) << key;
    }
    const QStringList added = keysInDisplayOrder();
    list.setSortKey(0);
    list.setSortOrder(0);
    list.setSorted(true);
    EXPECT_EQ(keysInDisplayOrder(), ann + bob);
    list.setSortOrder(1);
    EXPECT_EQ(keysInDisplayOrder(), bob + ann);
    add("late", "Ann"); // a sorted list places new rows too
    EXPECT_EQ(keysInDisplayOrder(), bob + ann + QStringList{"late"});
    list.setSorted(false);
    EXPECT_EQ(keysInDisplayOrder(), added + QStringList{"late"});

    // By a sub-item, re-sorted when that sub-item changes.
    list.setSortKey(3);
    list.setSortOrder(0);
    list.setSorted(true);
    const QString first = list.listItems().item(1).key();
    list.listItems().item(1).setSubItem(3, "z");
    EXPECT_EQ(list.listItems().item(list.listItems().count()).key(), first);
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

TEST_F(ListViewTest, CheckMarksLandOnTheRowTheUserSees)
{
    add("k1", "ann");
    add("k2", "bob");
    QCoreApplication::processEvents();
    list.setFocus();
    list.setCurrentIndex(list.model()->index(1, 0));
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(list.selectedItem().key(), "k2");
    EXPECT_TRUE(list.listItems().item(2).checked());

    // New rows the view has not been told about yet: its rows still show the old ones.
    list.listItems().clear();
    add("k3", "carl");
    QAbstractItemModel& model = *list.model();
    EXPECT_FALSE(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_FALSE(list.listItems().item(1).checked());
    EXPECT_FALSE(model.data(model.index(1, 0)).isValid()); // gone, not read past the end
}

TEST_F(ListViewTest, FittingMeasuresTheWidestEntryOfAllRowsInDisplayOrder)
{
    for (int i = 0; i < 3000; ++i)
        add(QString("k%1").arg(i), "ann", QString("c:\\share\\file%1.txt").arg(i));
    list.listItems().item(3000).setSubItem(3, "c:\\share\\" + QString(120, 'W') + ".txt");
    add("wide", "a user with a rather long name");
    // Sorted, so that no widest row shows at its storage position.
    list.setSortKey(0);
    list.setSorted(true);

    expectFitted("first sizing");
    // Widths measured once are remembered, but not across a change of font.
    QFont larger = list.font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    list.setFont(larger);
    expectFitted("larger font");
    // The header caption does not count: "Permission type" is wider than an empty column.
    EXPECT_LT(list.header()->sectionSize(1), list.fontMetrics().horizontalAdvance("Permission type"));
}

// Texts whose width the estimate gets wrong, next to a plain one that is really wider or
// narrower: whatever the estimate, the text that is really widest decides.
TEST_F(ListViewTest, FittingFindsTheWidestTextWhateverItsCharacters)
{
    const QString plain = "c:\\" + QString(40, 'm');
    const struct {
        const char* what;
        QString text;
    } cases[] = {
        {"emoji, beyond 16 bits", "c:\\" + QString::fromUtf8("\xF0\x9F\x93\x81").repeated(12)},
        {"soft hyphens, drawn only at a line break", "c:\\" + QString("a\u00AD").repeated(60)},
        {"tabs, as wide as the next tab stop", "c:\\" + QString("a\t").repeated(20)},
    };
    for (const auto& c : cases) {
        list.listItems().clear();
        add("k1", "u", c.text);
        add("k2", "u", plain);
        expectFitted(c.what);
    }
}

TEST_F(ListViewTest, ReportsMouseButtonsInItsOwnCodesAndPositionsInTwips)
{
    add("k1", "ann");
    QCoreApplication::processEvents();
    QSignalSpy down(&list, &ListView::mouseDown);
    QTest::mousePress(list.viewport(), Qt::RightButton, Qt::ShiftModifier, QPoint(10, 4));
    QTest::mousePress(list.viewport(), Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier, QPoint(10, 4));
    ASSERT_EQ(down.count(), 2);
    EXPECT_EQ(down[0][0].value<std::int16_t>(), 2);
    EXPECT_EQ(down[0][1].value<std::int16_t>(), 1);
    EXPECT_FLOAT_EQ(down[0][2].toFloat(), 150.0F);
    EXPECT_FLOAT_EQ(down[0][3].toFloat(), 60.0F);
    EXPECT_EQ(down[1][0].value<std::int16_t>(), 4);
    EXPECT_EQ(down[1][1].value<std::int16_t>(), 6);

    QStringList clicked;
    QObject::connect(&list, &ListView::columnClick,
                     [&](const ColumnHeader& header) { clicked << QString::number(header.index()) + header.text(); });
    QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, {}, QPoint(list.header()->sectionViewportPosition(2) + 5, 5));
    EXPECT_EQ(clicked, QStringList({"3Ext"}));
}
