#pragma once

#include "ServerLogins.h"

#include <QByteArray>

#include <map>
#include <mutex>
#include <optional>

// Typed logins waiting for the next call to their server, one per host (compared ignoring
// case). Offering never waits on a call in flight; any thread.
class OfferedLogins final {
public:
    void offer(const QByteArray& host, TypedLogin login);
    // The login waiting for the host, which then waits no more.
    std::optional<TypedLogin> take(const QByteArray& host);

private:
    std::mutex m_mutex;
    std::map<QByteArray, TypedLogin> m_waiting;
};
