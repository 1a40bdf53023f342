#include "ListModel.h"

#include "ImageList.h"

#include <QMetaObject>

#include <algorithm>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <utility>

ListModel::ListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ListModel::setHeaderTexts(const QStringList& texts)
{
    beginResetModel();
    m_headerTexts = texts;
    const auto cellCount = static_cast<std::size_t>(std::max<qsizetype>(1, texts.size()));
    for (Row& r : m_rows)
        r.cells.resize(cellCount);
    sortRows();
    m_viewRowCount = rowCount();
    m_pending = Pending::nothing;
    endResetModel();
}

void ListModel::clear()
{
    m_rows.clear();
    m_rowByKey.clear();
    ++m_generation;
    mark(Pending::rows);
}

std::int32_t ListModel::append(const QString& key, const QString& text)
{
    if (m_rows.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw std::overflow_error("the list is full");
    const auto storageRow = rowCount();
    if (!key.isEmpty()) {
        if (m_rowByKey.contains(key))
            throw std::invalid_argument("a row with this key exists");
        m_rowByKey.insert(key, storageRow);
    }
    Row& r = m_rows.emplace_back();
    r.key = key;
    r.cells.resize(static_cast<std::size_t>(std::max<qsizetype>(1, m_headerTexts.size())));
    r.cells[0] = text;
    mark(Pending::rows);
    return storageRow;
}

void ListModel::setCell(std::int32_t storageRow, int column, const QString& text)
{
    Row& r = m_rows.at(static_cast<std::size_t>(storageRow));
    if (column < 0 || static_cast<std::size_t>(column) >= r.cells.size())
        throw std::out_of_range("no such column");
    r.cells[static_cast<std::size_t>(column)] = text;
    mark(m_sorted && column == m_sortColumn ? Pending::order : Pending::cells);
}

void ListModel::setTag(std::int32_t storageRow, std::int16_t tag)
{
    m_rows.at(static_cast<std::size_t>(storageRow)).tag = tag;
}

void ListModel::setChecked(std::int32_t storageRow, bool checked)
{
    m_rows.at(static_cast<std::size_t>(storageRow)).checked = checked;
    mark(Pending::cells);
}

void ListModel::setIcon(std::int32_t storageRow, std::int32_t imageIndex)
{
    m_rows.at(static_cast<std::size_t>(storageRow)).icon = imageIndex;
}

void ListModel::setSmallIcon(std::int32_t storageRow, std::int32_t imageIndex)
{
    m_rows.at(static_cast<std::size_t>(storageRow)).smallIcon = imageIndex;
    mark(Pending::cells);
}

void ListModel::setSorting(bool sorted, int column, Qt::SortOrder order)
{
    if (sorted == m_sorted && column == m_sortColumn && order == m_sortOrder)
        return;
    m_sorted = sorted;
    m_sortColumn = column;
    m_sortOrder = order;
    mark(Pending::order);
}

std::int32_t ListModel::storageRowAt(std::int32_t displayRow)
{
    publishOrder();
    return m_order.empty() ? displayRow : m_order.at(static_cast<std::size_t>(displayRow));
}

std::int32_t ListModel::displayRowOf(std::int32_t storageRow)
{
    publishOrder();
    return m_position.empty() ? storageRow : m_position.at(static_cast<std::size_t>(storageRow));
}

// Check marks and icons leave the order alone: only added rows and sort texts make it stale.
void ListModel::publishOrder()
{
    if (m_pending == Pending::rows || m_pending == Pending::order)
        publish();
}

void ListModel::setSmallIcons(const ImageList* images)
{
    m_smallIcons = images;
    mark(Pending::cells);
}

void ListModel::mark(Pending what)
{
    m_pending = std::max(m_pending, what);
    if (m_publishQueued)
        return;
    m_publishQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_publishQueued = false;
            publish();
        },
        Qt::QueuedConnection);
}

// Sorts the storage rows stably by the sort column's text, ignoring case; only while publishing.
void ListModel::sortRows()
{
    if (!m_sorted) {
        m_order.clear();
        m_position.clear();
        return;
    }
    m_order.resize(m_rows.size());
    std::iota(m_order.begin(), m_order.end(), 0);
    const auto column = static_cast<std::size_t>(std::max(0, m_sortColumn));
    const auto textOf = [&](std::int32_t s) -> const QString& {
        static const QString none;
        const auto& cells = m_rows[static_cast<std::size_t>(s)].cells;
        return column < cells.size() ? cells[column] : none;
    };
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    std::stable_sort(m_order.begin(), m_order.end(), [&](std::int32_t a, std::int32_t b) {
        const int c = QString::compare(textOf(a), textOf(b), Qt::CaseInsensitive);
        return descending ? c > 0 : c < 0;
    });
    m_position.resize(m_rows.size());
    for (std::size_t d = 0; d < m_order.size(); ++d)
        m_position[static_cast<std::size_t>(m_order[d])] = static_cast<std::int32_t>(d);
}

void ListModel::publish()
{
    const Pending what = std::exchange(m_pending, Pending::nothing);
    switch (what) {
    case Pending::nothing:
        return;
    case Pending::rows:
        beginResetModel();
        sortRows();
        m_viewRowCount = rowCount();
        endResetModel();
        return;
    case Pending::order: {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        std::vector<std::int32_t> storageRows; // behind the persistent indexes, in the old order
        storageRows.reserve(static_cast<std::size_t>(before.size()));
        for (const QModelIndex& index : before)
            storageRows.push_back(storageRowForView(index.row()));
        sortRows();
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const std::int32_t s = storageRows[static_cast<std::size_t>(i)];
            after << (s < 0 ? QModelIndex() : createIndex(displayRowOf(s), before[i].column()));
        }
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        return;
    }
    case Pending::cells:
        if (m_viewRowCount > 0)
            emit dataChanged(index(0, 0), index(m_viewRowCount - 1, columnCount({}) - 1));
        return;
    }
}

// The storage row behind a row of the view as the view knows it; -1 when that row is gone.
std::int32_t ListModel::storageRowForView(int viewRow) const
{
    if (viewRow < 0 || viewRow >= m_viewRowCount)
        return -1;
    const auto v = static_cast<std::size_t>(viewRow);
    const std::int32_t s = m_order.empty() ? viewRow : (v < m_order.size() ? m_order[v] : -1);
    return s < rowCount() ? s : -1;
}

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_viewRowCount;
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(std::max<qsizetype>(1, m_headerTexts.size()));
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    const std::int32_t s = storageRowForView(index.row());
    if (s < 0)
        return {};
    const Row& r = m_rows[static_cast<std::size_t>(s)];
    const auto column = static_cast<std::size_t>(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return column < r.cells.size() ? r.cells[column] : QString();
    case Qt::CheckStateRole:
        return column == 0 ? QVariant(r.checked ? Qt::Checked : Qt::Unchecked) : QVariant();
    case Qt::DecorationRole:
        if (column == 0 && m_smallIcons && r.smallIcon >= 1 && r.smallIcon <= m_smallIcons->listImages().count())
            return m_smallIcons->listImages().item(r.smallIcon).picture;
        return {};
    default:
        return {};
    }
}

bool ListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    // Until the view has heard of the latest rows, its rows may stand for others.
    if (role != Qt::CheckStateRole || index.column() != 0 || m_pending == Pending::rows)
        return false;
    const std::int32_t s = storageRowForView(index.row());
    if (s < 0)
        return false;
    m_rows[static_cast<std::size_t>(s)].checked = value.value<Qt::CheckState>() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return m_headerTexts.value(section);
}
