#pragma once

#include <QString>

class ListView;

// One column of a ListView, identified by its 1-based position.
class ColumnHeader final {
public:
    int index() const { return m_index; }
    QString text() const;
    ListView& listView() const { return *m_list; }

    bool operator==(const ColumnHeader&) const = default;

private:
    friend class ListView;
    ColumnHeader(ListView* list, int index) : m_list(list), m_index(index) {}

    ListView* m_list;
    int m_index;
};
