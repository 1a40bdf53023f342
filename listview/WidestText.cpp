#include "WidestText.h"

#include <QFontMetricsF>
#include <QSet>

#include <algorithm>

namespace {

constexpr std::size_t codeUnits = 0x10000;

// Kerning and shaping move a text's width away from the sum of its advances by a few percent
// at most; the margin covers that with room to spare.
double errorMargin(double width)
{
    return 0.05 * width + 4.0;
}

} // namespace

WidestText::WidestText(const QFont& font) : m_font(font), m_advance(codeUnits, -1.0F) {}

float WidestText::measure(QChar c) const
{
    const QFontMetricsF metrics(m_font);
    // A lone surrogate has no advance of its own; count it as a wide character.
    return c.isSurrogate() ? static_cast<float>(metrics.maxWidth()) : static_cast<float>(metrics.horizontalAdvance(c));
}

double WidestText::estimate(const QString& text)
{
    double width = 0;
    for (const QChar c : text) {
        float& advance = m_advance[c.unicode()];
        if (advance < 0)
            advance = measure(c);
        width += advance;
    }
    return width;
}

std::vector<std::int32_t> WidestText::candidates(std::int32_t count,
                                                 const std::function<const QString&(std::int32_t)>& textAt)
{
    std::vector<double> widths(static_cast<std::size_t>(std::max(0, count)));
    double widest = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        widths[static_cast<std::size_t>(i)] = estimate(textAt(i));
        widest = std::max(widest, widths[static_cast<std::size_t>(i)]);
    }
    const double threshold = widest - errorMargin(widest);
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
