#pragma once

#include "ColumnHeader.h"
#include "ListItem.h"

#include <QFont>
#include <QHash>
#include <QStringList>
#include <QTreeView>

#include <cstdint>
#include <memory>
#include <vector>

class ImageList;
class ListModel;
class PictureBox;
class WidestText;

// A report list with check boxes: rows with a key, a text, sub-items, a tag, a check mark and
// an icon, shown in columns. Positions are 1-based and follow the display order, which is the
// order of adding unless the list is sorted.
//
// Built for tens of thousands of rows: rows live in plain storage, and the changes made in one
// go (a clear followed by many adds) reach the view as a single model reset when control
// returns to the event loop, or earlier when the list must be current (refresh, sizing).
class ListView final : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;

    // The row collection.
    class ListItems final {
    public:
        void clear();
        // Appends a row; a key already present throws std::invalid_argument.
        ListItem add(const QString& key, const QString& text);
        std::int32_t count() const;
        // The row at a 1-based position in display order; std::out_of_range otherwise.
        ListItem item(std::int32_t position) const;

    private:
        friend class ListView;
        explicit ListItems(ListView* list) : m_list(list) {}
        ListView* m_list;
    };

    ListItems& listItems() { return m_listItems; }
    const ListItems& listItems() const { return m_listItems; }

    // The selected row; std::out_of_range when no row is selected.
    ListItem selectedItem() const;

    void setColumns(const QStringList& headerTexts, const std::vector<int>& widthsInTwips);
    std::vector<ColumnHeader> columnHeaders();

    // 0-based column the list sorts by, 0 (ascending) or 1 (descending), and whether the list
    // keeps itself sorted (also while rows are added). Texts compare case-insensitively; equal
    // texts keep the order in which the rows were added.
    std::int16_t sortKey() const;
    void setSortKey(std::int16_t column);
    std::int16_t sortOrder() const;
    void setSortOrder(std::int16_t order);
    bool sorted() const;
    void setSorted(bool on);

    // The image lists rows' icon indexes refer to; none is bound at first.
    void setIcons(ImageList* images);
    ImageList* icons() const;
    void setSmallIcons(ImageList* images);
    ImageList* smallIcons() const;

    // The list's own hidden surface, on which a file type's icon is drawn to be captured.
    PictureBox& drawingSurface();

    // Fits a 0-based column to its widest entry over all rows (the header caption is not
    // taken into account). A list without rows keeps its widths.
    void autoSizeColumn(int column);

    // Brings the view up to date with the rows and repaints it.
    void refresh();

    // Where a pop-up menu for the current row opens, in screen coordinates: below the row's
    // first cell, brought into view first; the top left of the rows without a current row.
    QPoint currentRowMenuPosition();

signals:
    // The button and the shift state in the codes of EventCodes.h; the position in twips.
    void mouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void columnClick(ColumnHeader header);
    void dblClick();
    // The keyboard asks for the context menu: the Menu key, or Shift+F10.
    void contextMenuKey();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class ColumnHeader;
    friend class ListItem;

    void applySorting();
    int measuredWidth(const QModelIndex& index, const QStyleOptionViewItem& option);

    // A cell as the item delegate sizes it: its column (which decides the check box), whether
    // an icon precedes the text, and the text.
    struct MeasuredCell {
        int column = 0;
        bool decorated = false;
        QString text;
        bool operator==(const MeasuredCell&) const = default;
        friend std::size_t qHash(const MeasuredCell& cell, std::size_t seed)
        {
            return qHashMulti(seed, cell.column, cell.decorated, cell.text);
        }
    };

    ListItems m_listItems{this};
    std::unique_ptr<ListModel> m_model;
    std::int16_t m_sortKey = 0;
    std::int16_t m_sortOrder = 0;
    bool m_sorted = false;
    ImageList* m_icons = nullptr;
    ImageList* m_smallIcons = nullptr;
    PictureBox* m_drawingSurface; // a hidden child: on the list's screen, at its pixel ratio
    std::unique_ptr<WidestText> m_widestText; // kept between sizings: its advance table
    QFont m_widestTextFont;
    // Exact widths already measured in that font: a list read again and again (at every key in
    // the filter box) measures each text once.
    QHash<MeasuredCell, int> m_measuredWidths;
};
