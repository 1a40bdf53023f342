#pragma once

#include "OpenFileSource.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <condition_variable>
#include <map>
#include <mutex>
#include <utility>

// An open-file source that serves fixed records and remembers every call it received. Calls
// may come from other threads: hold() makes them wait until the test lets them through, one
// by one (release) or all (releaseAll); hold(server) holds only the calls to that server.
// The answer (the server's own, if it was served one) is read when a call is let through.
class FakeOpenFileSource final : public OpenFileSource {
public:
    SourceStatus closeStatus;

    OpenFileList enumerate(const QString& server) override
    {
        std::unique_lock lock(m_mutex);
        m_enumerated << server;
        waitForTurn(lock, server);
        const auto own = m_answers.find(server);
        return own == m_answers.end() ? m_answer : own->second;
    }

    SourceStatus close(const QString& server, std::uint32_t id) override
    {
        std::unique_lock lock(m_mutex);
        m_closed << server + u' ' + QString::number(id);
        waitForTurn(lock, server);
        return closeStatus;
    }

    // To every server, or only to one ("\\" + name).
    void serve(std::vector<OpenFileRecord> records, const QString& server = {})
    {
        const std::lock_guard lock(m_mutex);
        (server.isEmpty() ? m_answer : m_answers[server]) = {{}, std::move(records)};
    }

    void fail(SourceStatus status)
    {
        const std::lock_guard lock(m_mutex);
        m_answer.status = status;
    }

    void hold(const QString& server = {})
    {
        setHeld(true);
        const std::lock_guard lock(m_mutex);
        m_heldServer = server;
    }

    void release()
    {
        const std::lock_guard lock(m_mutex);
        ++m_passes;
        m_turn.notify_all();
    }

    void releaseAll() { setHeld(false); }

    // The servers enumerated, as passed ("\\" + name).
    QStringList enumerated() const { return locked(m_enumerated); }
    // "server id" per close, in the order asked.
    QStringList closed() const { return locked(m_closed); }
    // Calls made on the application's main thread, where a held call would never return.
    int callsOnMainThread() const { return locked(m_callsOnMainThread); }

private:
    template <typename T>
    T locked(const T& member) const
    {
        const std::lock_guard lock(m_mutex);
        return member;
    }

    void setHeld(bool held)
    {
        const std::lock_guard lock(m_mutex);
        m_held = held;
        m_passes = 0;
        m_turn.notify_all();
    }

    void waitForTurn(std::unique_lock<std::mutex>& lock, const QString& server)
    {
        if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread()) {
            ++m_callsOnMainThread;
            return;
        }
        const auto held = [&] { return m_held && (m_heldServer.isEmpty() || m_heldServer == server); };
        m_turn.wait(lock, [&] { return !held() || m_passes > 0; });
        if (held())
            --m_passes;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_turn;
    OpenFileList m_answer;
    std::map<QString, OpenFileList> m_answers;
    QStringList m_enumerated;
    QStringList m_closed;
    bool m_held = false;
    QString m_heldServer;  // empty: every server
    int m_passes = 0;
    int m_callsOnMainThread = 0;
};

inline OpenFileRecord record(std::uint32_t id, const char* user, const char* path, std::uint32_t permissions = 1)
{
    return {id, permissions, 0, QString::fromUtf8(path), QString::fromUtf8(user)};
}
