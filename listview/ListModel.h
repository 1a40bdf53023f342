#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

#include <cstdint>
#include <vector>

class ImageList;

// One row of a list.
struct ListRow {
    QString key;
    std::vector<QString> cells; // cells[0] is the item text, cells[n] sub-item n
    std::int16_t tag = 0;
    bool checked = false;
    std::int32_t icon = 0;
    std::int32_t smallIcon = 0;
};

// The rows of a ListView and the order in which it shows them.
//
// Rows are kept in the order they were added (storage rows); the display order is either that
// order or, while the list is sorted, a stable sort of it. The view learns about changes in one
// go: edits mark what they touched, and publish() (run from the event loop, or directly when the
// list must be current) sorts if needed and sends a single reset, layout change or data change.
// So the display order is always the one the view was last told; until then the view also
// keeps the row count it was last told, and every read it makes is bounds-checked against the
// rows as they are now.
class ListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using Row = ListRow;

    explicit ListModel(QObject* parent = nullptr);

    void setHeaderTexts(const QStringList& texts);
    const QStringList& headerTexts() const { return m_headerTexts; }

    // Editing. Storage rows are 0-based indexes into the rows in the order they were added.
    void clear();
    std::int32_t append(const QString& key, const QString& text);
    std::int32_t rowCount() const { return static_cast<std::int32_t>(m_rows.size()); }
    const Row& row(std::int32_t storageRow) const { return m_rows.at(static_cast<std::size_t>(storageRow)); }
    void setCell(std::int32_t storageRow, int column, const QString& text);
    void setTag(std::int32_t storageRow, std::int16_t tag);
    void setChecked(std::int32_t storageRow, bool checked);
    void setIcon(std::int32_t storageRow, std::int32_t imageIndex);
    void setSmallIcon(std::int32_t storageRow, std::int32_t imageIndex);

    // Clears count once per clear; handles made before a clear compare against it.
    std::uint64_t generation() const { return m_generation; }

    // Display order, current once pending rows or order are published (which these do first).
    void setSorting(bool sorted, int column, Qt::SortOrder order);
    std::int32_t storageRowAt(std::int32_t displayRow);
    std::int32_t displayRowOf(std::int32_t storageRow);

    void setSmallIcons(const ImageList* images);

    // Tells the view everything changed since the last publish.
    void publish();

    // QAbstractItemModel.
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    enum class Pending { nothing, cells, order, rows };
    void mark(Pending what);
    void publishOrder();
    void sortRows();
    std::int32_t storageRowForView(int viewRow) const;

    QStringList m_headerTexts;
    std::vector<Row> m_rows;
    QHash<QString, std::int32_t> m_rowByKey;
    std::uint64_t m_generation = 0;

    bool m_sorted = false;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::vector<std::int32_t> m_order;    // display row -> storage row; empty while unsorted
    std::vector<std::int32_t> m_position; // storage row -> display row; empty while unsorted

    const ImageList* m_smallIcons = nullptr;

    Pending m_pending = Pending::nothing;
    bool m_publishQueued = false;
    int m_viewRowCount = 0; // the row count the view was last told
};
