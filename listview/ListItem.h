#pragma once

#include <QString>

#include <cstdint>

class ListView;
struct ListRow;

// A handle to one row of a ListView, as ListItems::add or ListItems::item hand it out.
// It stays valid until the list is cleared; any use after that throws std::out_of_range.
class ListItem final {
public:
    QString key() const;
    QString text() const;

    // Sub-item n is the text of column n + 1; n runs from 1 to the number of columns - 1.
    // Any other n throws std::out_of_range.
    QString subItem(int n) const;
    void setSubItem(int n, const QString& text);

    std::int16_t tag() const;
    void setTag(std::int16_t tag);

    bool checked() const;
    void setChecked(bool checked);

    // 1-based indexes into the list's image lists; 0 is no image.
    std::int32_t icon() const;
    void setIcon(std::int32_t imageIndex);
    std::int32_t smallIcon() const;
    void setSmallIcon(std::int32_t imageIndex);

    bool operator==(const ListItem&) const = default;

private:
    friend class ListView;
    ListItem(ListView* list, std::uint64_t generation, std::int32_t row);
    const ListRow& row() const;

    ListView* m_list = nullptr;
    std::uint64_t m_generation = 0; // the list's clear count when this handle was made
    std::int32_t m_row = 0;         // storage row, independent of the display order
};
