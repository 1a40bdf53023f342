#include "LoweredTextPool.h"

#include "TextRules.h"

namespace {

std::u16string_view charactersOf(QStringView text)
{
    return {text.utf16(), static_cast<std::size_t>(text.size())};
}

} // namespace

QString LoweredTextPool::lowered(QStringView text)
{
    if (text.isEmpty())
        return {};
    if (const auto found = m_forms.find(charactersOf(text)); found != m_forms.end())
        return found->second.lowered;

    Forms forms{text.toString(), {}};
    forms.lowered = forms.original;
    lowerInPlace(forms.lowered);
    // The key views the original's characters, which stay put while the original lives: moving
    // a QString moves its pointer, not its characters.
    const std::u16string_view key = charactersOf(forms.original);
    return m_forms.emplace(key, std::move(forms)).first->second.lowered;
}
