#pragma once

#include "OpenFileSource.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <condition_variable>
#include <mutex>
#include <utility>

// An open-file source that serves fixed records and remembers every call it received. Calls
// may come from another thread: hold() makes them wait until the test lets them through, one
// by one (release) or all (releaseAll). The answer is read when a call is let through.
class FakeOpenFileSource final : public OpenFileSource {
public:
    SourceStatus closeStatus;

    OpenFileList enumerate(const QString& server) override
    {
        std::unique_lock lock(m_mutex);
        m_enumerated << server;
        waitForTurn(lock);
        return m_answer;
    }

    SourceStatus close(const QString& server, std::uint32_t id) override
    {
        std::unique_lock lock(m_mutex);
        m_closed << server + u' ' + QString::number(id);
        waitForTurn(lock);
        return closeStatus;
    }

    void serve(std::vector<OpenFileRecord> records)
    {
        const std::lock_guard lock(m_mutex);
        m_answer = {{}, std::move(records)};
    }

    void fail(SourceStatus status)
    {
        const std::lock_guard lock(m_mutex);
        m_answer.status = status;
    }

    void hold() { setHeld(true); }

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

    void waitForTurn(std::unique_lock<std::mutex>& lock)
    {
        if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread()) {
            ++m_callsOnMainThread;
            return;
        }
        m_turn.wait(lock, [this] { return !m_held || m_passes > 0; });
        if (m_held)
            --m_passes;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_turn;
    OpenFileList m_answer;
    QStringList m_enumerated;
    QStringList m_closed;
    bool m_held = false;
    int m_passes = 0;
    int m_callsOnMainThread = 0;
};

inline OpenFileRecord record(std::uint32_t id, const char* user, const char* path, std::uint32_t permissions = 1)
{
    return {id, permissions, 0, QString::fromUtf8(path), QString::fromUtf8(user)};
}
