#include "TextRules.h"

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

QString extensionOf(QStringView path)
{
    const qsizetype lastSeparator = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    const QStringView component = path.sliced(lastSeparator + 1);
    const qsizetype dot = component.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    return component.sliced(dot + 1).toString();
}
