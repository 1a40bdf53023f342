#include "TcpTransport.h"

#include "Smb2Errors.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace smb2 {

namespace {

struct AddressListFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

// A non-blocking socket connected to the address within the limit, or -1.
int connectWithin(const addrinfo& address, std::chrono::milliseconds limit)
{
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0)
        return -1;
    if (connect(fd, address.ai_addr, address.ai_addrlen) == 0)
        return fd;
    if (errno == EINPROGRESS) {
        pollfd waiting{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        if (poll(&waiting, 1, static_cast<int>(limit.count())) == 1
            && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
            return fd;
    }
    close(fd);
    return -1;
}

} // namespace

TcpTransport::TcpTransport(const std::string& host, std::uint16_t port, std::chrono::milliseconds connectLimit,
                           std::chrono::milliseconds progressLimit)
    : m_progressLimit(progressLimit)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const int resolved = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (resolved != 0)
        throw Unreachable(host + ": " + gai_strerror(resolved));
    const std::unique_ptr<addrinfo, AddressListFree> addresses(found);
    for (const addrinfo* address = found; address && m_socket < 0; address = address->ai_next)
        m_socket = connectWithin(*address, connectLimit);
    if (m_socket < 0)
        throw Unreachable(host + ": no address accepted a connection on port " + std::to_string(port));
    const int on = 1;
    setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

TcpTransport::~TcpTransport()
{
    close(m_socket);
}

void TcpTransport::waitFor(short events)
{
    pollfd waiting{m_socket, events, 0};
    int ready;
    do
        ready = poll(&waiting, 1, static_cast<int>(m_progressLimit.count()));
    while (ready < 0 && errno == EINTR);
    if (ready == 0)
        throw Timeout("the server made no progress within " + std::to_string(m_progressLimit.count()) + " ms");
    if (ready < 0)
        throw ConnectionLost(std::string("waiting on the connection: ") + std::strerror(errno));
}

void TcpTransport::send(ByteView message)
{
    if (message.size() > maxFrame)
        throw ProtocolError("message too large to send");
    Bytes frame{static_cast<std::uint8_t>(message.size() >> 24), static_cast<std::uint8_t>(message.size() >> 16), static_cast<std::uint8_t>(message.size() >> 8),
                static_cast<std::uint8_t>(message.size())};
    frame.insert(frame.end(), message.begin(), message.end());
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t written = ::send(m_socket, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (written > 0)
            sent += static_cast<std::size_t>(written);
        else if (errno == EAGAIN || errno == EWOULDBLOCK)
            waitFor(POLLOUT);
        else if (errno != EINTR)
            throw ConnectionLost(std::string("sending: ") + std::strerror(errno));
    }
}

void TcpTransport::receiveExactly(std::uint8_t* into, std::size_t count)
{
    std::size_t received = 0;
    while (received < count) {
        const ssize_t read = recv(m_socket, into + received, count - received, 0);
        if (read > 0)
            received += static_cast<std::size_t>(read);
        else if (read == 0)
            throw ConnectionLost("the server closed the connection");
        else if (errno == EAGAIN || errno == EWOULDBLOCK)
            waitFor(POLLIN);
        else if (errno != EINTR)
            throw ConnectionLost(std::string("receiving: ") + std::strerror(errno));
    }
}

Bytes TcpTransport::receive()
{
    std::uint8_t prefix[4];
    receiveExactly(prefix, sizeof prefix);
    const std::uint32_t length = (std::uint32_t{prefix[0]} << 24) | (std::uint32_t{prefix[1]} << 16)
                                 | (std::uint32_t{prefix[2]} << 8) | prefix[3];
    Bytes message(checkedLength(length, maxFrame, "frame length"));
    receiveExactly(message.data(), message.size());
    return message;
}

} // namespace smb2
