#include "ListItem.h"

#include "ListModel.h"
#include "ListView.h"

#include <stdexcept>

ListItem::ListItem(ListView* list, std::uint64_t generation, std::int32_t row)
    : m_list(list), m_generation(generation), m_row(row)
{
}

// The row this handle names; a handle from before the last clear names none.
const ListRow& ListItem::row() const
{
    if (!m_list || m_list->m_model->generation() != m_generation || m_row < 0 || m_row >= m_list->m_model->rowCount())
        throw std::out_of_range("the row no longer exists");
    return m_list->m_model->row(m_row);
}

QString ListItem::key() const
{
    return row().key;
}

QString ListItem::text() const
{
    return row().cells.front();
}

QString ListItem::subItem(int n) const
{
    const auto& cells = row().cells;
    if (n < 1 || static_cast<std::size_t>(n) >= cells.size())
        throw std::out_of_range("no such sub-item");
    return cells[static_cast<std::size_t>(n)];
}

void ListItem::setSubItem(int n, const QString& text)
{
    const auto& cells = row().cells;
    if (n < 1 || static_cast<std::size_t>(n) >= cells.size())
        throw std::out_of_range("no such sub-item");
    m_list->m_model->setCell(m_row, n, text);
}

std::int16_t ListItem::tag() const
{
    return row().tag;
}

void ListItem::setTag(std::int16_t tag)
{
    row();
    m_list->m_model->setTag(m_row, tag);
}

bool ListItem::checked() const
{
    return row().checked;
}

void ListItem::setChecked(bool checked)
{
    row();
    m_list->m_model->setChecked(m_row, checked);
}

std::int32_t ListItem::icon() const
{
    return row().icon;
}

void ListItem::setIcon(std::int32_t imageIndex)
{
    row();
    m_list->m_model->setIcon(m_row, imageIndex);
}

std::int32_t ListItem::smallIcon() const
{
    return row().smallIcon;
}

void ListItem::setSmallIcon(std::int32_t imageIndex)
{
    row();
    m_list->m_model->setSmallIcon(m_row, imageIndex);
}
