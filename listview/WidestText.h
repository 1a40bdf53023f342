#pragma once

#include <QFont>
#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// Finds, among many texts, the few that may be the widest when drawn in a font, without
// measuring them all: a text's width is estimated from per-character advances (looked up in a
// table, so the estimate costs one addition per character), and only the texts whose estimate
// comes within the possible error of the exact width of the text estimated widest need an exact
// measurement. An estimate that runs high therefore costs measurements, never the real widest.
class WidestText final {
public:
    explicit WidestText(const QFont& font);

    // Among the texts 0 to count - 1, the indexes of those that may be the widest, one index
    // per distinct text.
    std::vector<std::int32_t> candidates(std::int32_t count, const std::function<const QString&(std::int32_t)>& textAt);

private:
    double estimate(const QString& text);
    float advance(QChar c);
    float advance(char32_t beyond16Bits);

    QFont m_font;
    std::vector<float> m_advance;             // by UTF-16 code unit; negative until measured
    QHash<char32_t, float> m_advanceBeyond16; // characters written as a surrogate pair
};
