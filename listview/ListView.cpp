#include "ListView.h"

#include "EventCodes.h"
#include "ImageList.h"
#include "ListModel.h"
#include "PictureBox.h"
#include "Twips.h"
#include "WidestText.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <stdexcept>

ListView::ListView(QWidget* parent)
    : QTreeView(parent), m_model(std::make_unique<ListModel>()), m_drawingSurface(new PictureBox(this))
{
    m_drawingSurface->hide();
    setModel(m_model.get());
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false); // the list sorts itself through sortKey/sortOrder/sorted
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int section) { emit columnClick(ColumnHeader(this, section + 1)); });
}

ListView::~ListView()
{
    setModel(nullptr);
}

void ListView::ListItems::clear()
{
    m_list->m_model->clear();
}

ListItem ListView::ListItems::add(const QString& key, const QString& text)
{
    const std::int32_t row = m_list->m_model->append(key, text);
    return ListItem(m_list, m_list->m_model->generation(), row);
}

std::int32_t ListView::ListItems::count() const
{
    return m_list->m_model->rowCount();
}

ListItem ListView::ListItems::item(std::int32_t position) const
{
    if (position < 1 || position > count())
        throw std::out_of_range("no row at this position");
    return ListItem(m_list, m_list->m_model->generation(), m_list->m_model->storageRowAt(position - 1));
}

ListItem ListView::selectedItem() const
{
    m_model->publish();
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        throw std::out_of_range("no row is selected");
    return ListItem(const_cast<ListView*>(this), m_model->generation(), m_model->storageRowAt(rows.first().row()));
}

void ListView::setColumns(const QStringList& headerTexts, const std::vector<int>& widthsInTwips)
{
    m_model->setHeaderTexts(headerTexts);
    for (int c = 0; c < headerTexts.size() && static_cast<std::size_t>(c) < widthsInTwips.size(); ++c)
        header()->resizeSection(c, pixelsFromTwips(widthsInTwips[static_cast<std::size_t>(c)]));
}

std::vector<ColumnHeader> ListView::columnHeaders()
{
    std::vector<ColumnHeader> headers;
    for (int c = 1; c <= m_model->columnCount({}); ++c)
        headers.push_back(ColumnHeader(this, c));
    return headers;
}

QString ColumnHeader::text() const
{
    return m_list->m_model->headerTexts().value(m_index - 1);
}

std::int16_t ListView::sortKey() const
{
    return m_sortKey;
}

void ListView::setSortKey(std::int16_t column)
{
    if (column < 0)
        throw std::out_of_range("negative sort column");
    m_sortKey = column;
    applySorting();
}

std::int16_t ListView::sortOrder() const
{
    return m_sortOrder;
}

void ListView::setSortOrder(std::int16_t order)
{
    if (order != 0 && order != 1)
        throw std::invalid_argument("sort order is 0 (ascending) or 1 (descending)");
    m_sortOrder = order;
    applySorting();
}

bool ListView::sorted() const
{
    return m_sorted;
}

void ListView::setSorted(bool on)
{
    m_sorted = on;
    applySorting();
}

void ListView::applySorting()
{
    const auto order = m_sortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder;
    m_model->setSorting(m_sorted, m_sortKey, order);
    header()->setSortIndicatorShown(m_sorted);
    if (m_sorted)
        header()->setSortIndicator(m_sortKey, order);
}

void ListView::setIcons(ImageList* images)
{
    m_icons = images;
}

ImageList* ListView::icons() const
{
    return m_icons;
}

void ListView::setSmallIcons(ImageList* images)
{
    m_smallIcons = images;
    m_model->setSmallIcons(images);
}

ImageList* ListView::smallIcons() const
{
    return m_smallIcons;
}

PictureBox& ListView::drawingSurface()
{
    return *m_drawingSurface;
}

// Measures exactly, with the item delegate, only the rows whose text may be the widest.
void ListView::autoSizeColumn(int column)
{
    if (column < 0 || column >= m_model->columnCount({}))
        throw std::out_of_range("no such column");
    m_model->publish();
    // Nothing to fit: a column sized to no entry would vanish, header and all.
    if (m_model->rowCount() == 0)
        return;
    if (!m_widestText || m_widestTextFont != font()) {
        m_widestText = std::make_unique<WidestText>(font());
        m_widestTextFont = font();
        m_measuredWidths.clear();
    }
    const auto col = static_cast<std::size_t>(column);
    const std::vector<std::int32_t> candidates = m_widestText->candidates(
        m_model->rowCount(), [&](std::int32_t s) -> const QString& { return m_model->row(s).cells[col]; });

    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int width = 0;
    for (const std::int32_t s : candidates)
        width = std::max(width, measuredWidth(m_model->index(m_model->displayRowOf(s), column), option));
    header()->resizeSection(column, width);
}

int ListView::measuredWidth(const QModelIndex& index, const QStyleOptionViewItem& option)
{
    constexpr qsizetype forgetBeyond = 1 << 16;  // bounds the memory over a long session
    MeasuredCell cell{index.column(), index.data(Qt::DecorationRole).isValid(), index.data().toString()};
    if (const auto known = m_measuredWidths.constFind(cell); known != m_measuredWidths.cend())
        return *known;
    if (m_measuredWidths.size() >= forgetBeyond)
        m_measuredWidths.clear();
    const int width = itemDelegateForIndex(index)->sizeHint(option, index).width();
    m_measuredWidths.insert(std::move(cell), width);
    return width;
}

void ListView::refresh()
{
    m_model->publish();
    viewport()->update();
}

QPoint ListView::currentRowMenuPosition()
{
    m_model->publish();
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return viewport()->mapToGlobal(QPoint(0, 0));
    scrollTo(current);
    return viewport()->mapToGlobal(visualRect(current.siblingAtColumn(0)).bottomLeft());
}

void ListView::mousePressEvent(QMouseEvent* event)
{
    QTreeView::mousePressEvent(event);
    emit mouseDown(buttonCodeOf(event->button()), shiftStateOf(event->modifiers()),
                   static_cast<float>(twipsFromPixels(event->position().x())),
                   static_cast<float>(twipsFromPixels(event->position().y())));
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    emit dblClick();
}

// The platform may also send a context-menu event for the Menu key; the view ignores those, so
// the key press alone opens the menu, once.
void ListView::keyPressEvent(QKeyEvent* event)
{
    const bool menuKey = event->key() == Qt::Key_Menu
                         || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (!menuKey) {
        QTreeView::keyPressEvent(event);
        return;
    }
    event->accept();
    emit contextMenuKey();
}
