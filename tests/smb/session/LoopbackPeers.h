#pragma once

#include "WireBytes.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Servers of the tests' own on a loopback address and a port the kernel picks, each serving
// one connection on a thread of its own until destroyed.

// A listening socket and the port the kernel gave it.
struct Listener {
    int fd = -1;
    std::uint16_t port = 0;
};

// Answers every frame the client sends with the same replies, one frame each (none at all when
// there are none); closeAfterFirst closes the connection on the first frame instead.
class ScriptedServer final {
public:
    ScriptedServer(const std::string& address, std::vector<Bytes> replies, bool closeAfterFirst = false);
    ~ScriptedServer();
    std::uint16_t port() const { return m_listener.port; }

private:
    void serve(const std::vector<Bytes>& replies, bool closeAfterFirst);

    Listener m_listener;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Relays one connection to a server, passing each message the server sends through change
// first, until the client closes it.
class TamperingProxy final {
public:
    using Change = std::function<void(Bytes& message)>;
    TamperingProxy(const std::string& address, const std::string& server, std::uint16_t serverPort, Change change);
    ~TamperingProxy();
    std::uint16_t port() const { return m_listener.port; }
    // Ends the relay; then the count of the client's messages relayed is final.
    void stop();
    int requests() const { return m_requests; }

private:
    void relay(std::string server, std::uint16_t serverPort);

    Listener m_listener;
    Change m_change;
    std::atomic<int> m_requests{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
