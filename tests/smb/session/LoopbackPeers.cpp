#include "LoopbackPeers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

constexpr int pollStep = 50;  // ms between looks at the stop flag

sockaddr_in loopback(const std::string& address, std::uint16_t port)
{
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1)
        throw std::invalid_argument("not an IPv4 address: " + address);
    return where;
}

Listener listenOn(const std::string& address)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where = loopback(address, 0);
    socklen_t length = sizeof where;
    if (bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || listen(fd, 4) != 0
        || getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length) != 0)
        throw std::runtime_error("cannot listen on " + address);
    return Listener{fd, ntohs(where.sin_port)};
}

bool readable(int fd, const std::atomic<bool>& stop)
{
    pollfd waiting{fd, POLLIN, 0};
    while (!stop)
        if (poll(&waiting, 1, pollStep) > 0)
            return true;
    return false;
}

bool readAll(int fd, std::uint8_t* into, std::size_t count)
{
    for (std::size_t got = 0; got < count;) {
        const ssize_t n = recv(fd, into + got, count - got, 0);
        if (n <= 0)
            return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

// One Direct TCP frame's message, or false at the end of the stream.
bool readFrame(int fd, Bytes& message)
{
    std::uint8_t prefix[4];
    if (!readAll(fd, prefix, 4))
        return false;
    message.resize((std::size_t{prefix[1]} << 16) | (std::size_t{prefix[2]} << 8) | prefix[3]);
    return readAll(fd, message.data(), message.size());
}

void writeFrame(int fd, const Bytes& message)
{
    Bytes frame{0, static_cast<std::uint8_t>(message.size() >> 16), static_cast<std::uint8_t>(message.size() >> 8),
                static_cast<std::uint8_t>(message.size())};
    frame.insert(frame.end(), message.begin(), message.end());
    send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
}

} // namespace

ScriptedServer::ScriptedServer(const std::string& address, std::vector<Bytes> replies, bool closeAfterFirst)
    : m_listener(listenOn(address)), m_thread([this, replies, closeAfterFirst] { serve(replies, closeAfterFirst); })
{
}

ScriptedServer::~ScriptedServer()
{
    m_stop = true;
    m_thread.join();
    close(m_listener.fd);
}

void ScriptedServer::serve(const std::vector<Bytes>& replies, bool closeAfterFirst)
{
    if (!readable(m_listener.fd, m_stop))
        return;
    const int client = accept(m_listener.fd, nullptr, nullptr);
    Bytes request;
    while (readable(client, m_stop) && readFrame(client, request) && !closeAfterFirst)
        for (const Bytes& reply : replies)
            writeFrame(client, reply);
    close(client);
}

TamperingProxy::TamperingProxy(const std::string& address, const std::string& server, std::uint16_t serverPort, Change change)
    : m_listener(listenOn(address)), m_change(std::move(change)),
      m_thread([this, server, serverPort] { relay(server, serverPort); })
{
}

TamperingProxy::~TamperingProxy()
{
    stop();
    close(m_listener.fd);
}

void TamperingProxy::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void TamperingProxy::relay(std::string server, std::uint16_t serverPort)
{
    if (!readable(m_listener.fd, m_stop))
        return;
    const int client = accept(m_listener.fd, nullptr, nullptr);
    const int upstream = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in where = loopback(server, serverPort);
    if (connect(upstream, reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0) {
        pollfd both[2] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}};
        Bytes message;
        while (!m_stop) {
            if (poll(both, 2, pollStep) <= 0)
                continue;
            if (both[0].revents) {
                if (!readFrame(client, message))
                    break;
                writeFrame(upstream, message);
                ++m_requests;
            }
            if (both[1].revents) {
                if (!readFrame(upstream, message))
                    break;
                m_change(message);
                writeFrame(client, message);
            }
        }
    }
    close(upstream);
    close(client);
}
