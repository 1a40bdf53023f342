#include "WidestText.h"

#include <QFontMetricsF>
#include <QSet>
#include <QTextOption>

#include <algorithm>

namespace {

constexpr std::size_t codeUnits = 0x10000;

// Kerning and shaping move a text's width away from the sum of its advances by a few percent
// at most; the margin covers that with room to spare.
double errorMargin(double width)
{
    return 0.05 * width + 4.0;
}

// The distance between tab stops where text is laid out without options of its own.
double tabStop()
{
    constexpr double qtDefault = 80.0;
    const double set = QTextOption().tabStopDistance();
    return set > 0 ? set : qtDefault;
}

} // namespace

WidestText::WidestText(const QFont& font) : m_font(font), m_advance(codeUnits, -1.0F) {}

float WidestText::advance(QChar c)
{
    float& known = m_advance[c.unicode()];
    if (known < 0) {
        // A tab reaches at most to the next tab stop; a lone surrogate is drawn as the
        // replacement character.
        const QChar drawn = c.isSurrogate() ? QChar(QChar::ReplacementCharacter) : c;
        known = static_cast<float>(c == u'\t' ? tabStop() : QFontMetricsF(m_font).horizontalAdvance(drawn));
    }
    return known;
}

// One character, however many code units it takes: an emoji is as wide as its glyph, not
// twice the font's widest letter.
float WidestText::advance(char32_t beyond16Bits)
{
    auto known = m_advanceBeyond16.constFind(beyond16Bits);
    if (known == m_advanceBeyond16.cend()) {
        const QString drawn = QString::fromUcs4(&beyond16Bits, 1);
        known = m_advanceBeyond16.insert(beyond16Bits, static_cast<float>(QFontMetricsF(m_font).horizontalAdvance(drawn)));
    }
    return *known;
}

double WidestText::estimate(const QString& text)
{
    double width = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        // The common case, a character already measured, is one look-up; surrogates never are.
        if (const float known = m_advance[c.unicode()]; known >= 0 && !c.isSurrogate()) {
            width += known;
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
            width += advance(QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
        } else {
            width += advance(c);
        }
    }
    return width;
}

std::vector<std::int32_t> WidestText::candidates(std::int32_t count,
                                                 const std::function<const QString&(std::int32_t)>& textAt)
{
    if (count <= 0)
        return {};
    std::vector<double> widths(static_cast<std::size_t>(count));
    std::int32_t estimatedWidest = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        widths[static_cast<std::size_t>(i)] = estimate(textAt(i));
        if (widths[static_cast<std::size_t>(i)] > widths[static_cast<std::size_t>(estimatedWidest)])
            estimatedWidest = i;
    }
    // A text really wider than the one estimated widest has an estimate within the margin of
    // that text's exact width.
    const double exact = QFontMetricsF(m_font).horizontalAdvance(textAt(estimatedWidest));
    const double threshold = std::min(widths[static_cast<std::size_t>(estimatedWidest)], exact - errorMargin(exact));
    std::vector<std::int32_t> picked;
    QSet<QString> seen;
    for (std::int32_t i = 0; i < count; ++i) {
        if (widths[static_cast<std::size_t>(i)] < threshold)
            continue;
        const QString& text = textAt(i);
        if (seen.contains(text))
            continue;
        seen.insert(text);
        picked.push_back(i);
    }
    return picked;
}
