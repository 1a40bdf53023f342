#include "ServerLogin.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Plain stores that the compiler may not drop as dead, as it may drop a memset before a free.
void wipeBytes(void* bytes, std::size_t size) noexcept
{
    auto* volatile target = static_cast<volatile char*>(bytes);
    for (std::size_t i = 0; i < size; ++i)
        target[i] = 0;
}

// Windows system error codes, the same on every system libnetapi runs on.
constexpr std::array<std::uint32_t, 8> refusedLoginStatuses{
    5,     // ERROR_ACCESS_DENIED
    86,    // ERROR_INVALID_PASSWORD
    1326,  // ERROR_LOGON_FAILURE
    1327,  // ERROR_ACCOUNT_RESTRICTION
    1330,  // ERROR_PASSWORD_EXPIRED
    1331,  // ERROR_ACCOUNT_DISABLED
    1793,  // ERROR_ACCOUNT_EXPIRED
    1909,  // ERROR_ACCOUNT_LOCKED_OUT
};

} // namespace

SecretText::SecretText(std::string_view utf8)
    : m_bytes(utf8.begin(), utf8.end())
{
    m_bytes.push_back('\0');
}

SecretText::~SecretText()
{
    wipe();
}

SecretText::SecretText(SecretText&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, {}))
{
}

SecretText& SecretText::operator=(SecretText&& other) noexcept
{
    if (this != &other) {
        wipe();
        m_bytes = std::exchange(other.m_bytes, {});
    }
    return *this;
}

SecretText SecretText::takeFrom(QString& text)
{
    QByteArray utf8 = text.toUtf8();
    SecretText secret(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    wipeBytes(utf8.data(), static_cast<std::size_t>(utf8.size()));
    wipeBytes(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    text.clear();
    return secret;
}

SecretText SecretText::takeFrom(std::string& text)
{
    SecretText secret(text);
    wipeBytes(text.data(), text.size());
    text.clear();
    return secret;
}

const char* SecretText::utf8() const
{
    return m_bytes.empty() ? "" : m_bytes.data();
}

bool SecretText::isEmpty() const
{
    return m_bytes.size() <= 1;
}

void SecretText::wipe() noexcept
{
    wipeBytes(m_bytes.data(), m_bytes.size());
    m_bytes.clear();
}

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

bool isRefusedLogin(std::uint32_t status)
{
    return std::find(refusedLoginStatuses.begin(), refusedLoginStatuses.end(), status) != refusedLoginStatuses.end();
}
