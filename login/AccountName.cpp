#include "AccountName.h"

std::optional<AccountName> parseAccount(const QString& typed)
{
    const QString text = typed.trimmed();
    AccountName account;
    const qsizetype backslash = text.indexOf(u'\\');
    const qsizetype at = text.lastIndexOf(u'@');
    if (backslash >= 0 && at >= 0)
        return std::nullopt;
    if (backslash >= 0) {
        account.domain = text.left(backslash);
        account.user = text.mid(backslash + 1);
    } else if (at >= 0) {
        account.user = text.left(at);
        account.realm = text.mid(at + 1);
    } else {
        account.user = text;
    }
    const bool emptyQualifier = (backslash >= 0 && account.domain.isEmpty()) || (at >= 0 && account.realm.isEmpty());
    if (account.user.isEmpty() || emptyQualifier || account.user.contains(u'%') || account.user.contains(u'\\')
        || account.user.contains(u'@'))
        return std::nullopt;
    return account;
}
