#include "OfferedLogins.h"

#include <utility>

void OfferedLogins::offer(const QByteArray& host, TypedLogin login)
{
    const std::scoped_lock lock(m_mutex);
    m_waiting.insert_or_assign(host.toLower(), std::move(login));
}

std::optional<TypedLogin> OfferedLogins::take(const QByteArray& host)
{
    const std::scoped_lock lock(m_mutex);
    const auto waiting = m_waiting.find(host.toLower());
    if (waiting == m_waiting.end())
        return std::nullopt;
    std::optional<TypedLogin> login(std::move(waiting->second));
    m_waiting.erase(waiting);
    return login;
}
