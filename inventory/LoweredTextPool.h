#pragma once

#include <QString>
#include <QStringView>

#include <string_view>
#include <unordered_map>

// Lower-case forms of texts that repeat across the records of one enumeration (user names,
// extensions): each distinct text is lowered and stored once, and every request for it is
// answered with a shared copy, so thousands of entries cost one allocation per distinct text.
class LoweredTextPool final {
public:
    // The text as lowerInPlace would leave it; empty for an empty text.
    QString lowered(QStringView text);

private:
    struct Forms {
        QString original;  // owns the characters the map's key views
        QString lowered;
    };
    std::unordered_map<std::u16string_view, Forms> m_forms;
};
