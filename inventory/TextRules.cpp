#include "TextRules.h"

#include <utility>

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

bool isBlank(QStringView text)
{
    return trimBlanks(text).isEmpty();
}

QStringView extensionView(QStringView path)
{
    // One backward pass: the first dot met before any separator ends the extension.
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        const char16_t c = path[i].unicode();
        if (c == u'.')
            return path.sliced(i + 1);
        if (c == u'\\' || c == u'/')
            break;
    }
    return {};
}

QString extensionOf(QStringView path)
{
    return extensionView(path).toString();
}

void lowerInPlace(QString& text)
{
    // Branch-free passes, so that the compiler can take the characters in vectors.
    const auto isUpperAscii = [](char16_t c) { return static_cast<char16_t>(c - u'A') < 26; };
    const QStringView chars(text);
    char16_t allBits = 0;
    bool anyUpper = false;
    for (const QChar c : chars) {
        allBits |= c.unicode();
        anyUpper |= isUpperAscii(c.unicode());
    }
    if (allBits >= 0x80) {
        text = std::move(text).toLower();
        return;
    }
    if (!anyUpper)
        return;
    for (QChar& c : text) {  // detaches a shared text, once
        char16_t& code = c.unicode();
        code = static_cast<char16_t>(code + (isUpperAscii(code) ? u'a' - u'A' : 0));
    }
}
