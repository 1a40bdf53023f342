#pragma once

#include "OpenFileSource.h"

#include <QCoreApplication>
#include <QThread>

#include <condition_variable>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

// An open-file source that serves fixed records and remembers every call it received. Calls
// may come from another thread: hold() makes them wait until the test lets them through, one
// by one (release) or all (releaseAll). The answer is read when a call is let through, and a
// server with an answer of its own (serveServer) gets that one instead of `answer`.
//
// Members are read directly only while no other thread calls; the *SoFar accessors lock.
class FakeOpenFileSource final : public OpenFileSource {
public:
    struct CloseCall {
        QString server;
        std::uint32_t id;
    };

    OpenFileList answer;
    std::uint32_t closeStatus = 0;
    std::vector<QString> enumerated;
    std::vector<CloseCall> closed;

    OpenFileList enumerate(const QString& server) override
    {
        std::unique_lock lock(m_mutex);
        enumerated.push_back(server);
        waitForTurn(lock);
        const auto own = m_serverAnswers.find(server);
        return own != m_serverAnswers.end() ? own->second : answer;
    }

    std::uint32_t close(const QString& server, std::uint32_t id) override
    {
        std::unique_lock lock(m_mutex);
        closed.push_back({server, id});
        waitForTurn(lock);
        return closeStatus;
    }

    void serve(std::vector<OpenFileRecord> records)
    {
        const std::lock_guard lock(m_mutex);
        answer = {0, std::move(records)};
    }

    void fail(std::uint32_t status)
    {
        const std::lock_guard lock(m_mutex);
        answer.status = status;
    }

    // What enumerations of this server ("\\" + name) answer from now on.
    void serveServer(const QString& server, std::vector<OpenFileRecord> records)
    {
        const std::lock_guard lock(m_mutex);
        m_serverAnswers[server] = {0, std::move(records)};
    }

    void hold()
    {
        const std::lock_guard lock(m_mutex);
        m_held = true;
        m_passes = 0;
    }

    void release(int calls = 1)
    {
        const std::lock_guard lock(m_mutex);
        m_passes += calls;
        m_turn.notify_all();
    }

    void releaseAll()
    {
        const std::lock_guard lock(m_mutex);
        m_held = false;
        m_turn.notify_all();
    }

    std::vector<QString> enumeratedSoFar() const
    {
        const std::lock_guard lock(m_mutex);
        return enumerated;
    }

    std::vector<CloseCall> closedSoFar() const
    {
        const std::lock_guard lock(m_mutex);
        return closed;
    }

    // Calls made on the application's main thread, where a held call would never return.
    int callsOnMainThread() const
    {
        const std::lock_guard lock(m_mutex);
        return m_callsOnMainThread;
    }

private:
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
    bool m_held = false;
    int m_passes = 0;
    int m_callsOnMainThread = 0;
    std::map<QString, OpenFileList> m_serverAnswers;
};

inline OpenFileRecord record(std::uint32_t id, const char* user, const char* path, std::uint32_t permissions = 1)
{
    return {id, permissions, 0, QString::fromUtf8(path), QString::fromUtf8(user)};
}
