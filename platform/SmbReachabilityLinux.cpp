#include "SmbReachability.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace {

struct AddressRelease {
    void operator()(addrinfo* addresses) const noexcept { freeaddrinfo(addresses); }
};

class Socket final {
public:
    explicit Socket(int descriptor)
        : m_descriptor(descriptor)
    {
    }
    ~Socket()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

bool connects(const addrinfo& address, std::chrono::milliseconds limit)
{
    const Socket socket(::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
        address.ai_protocol));
    if (socket.get() < 0)
        return false;
    if (::connect(socket.get(), address.ai_addr, address.ai_addrlen) == 0)
        return true;
    if (errno != EINPROGRESS)
        return false;
    pollfd waiting{socket.get(), POLLOUT, 0};
    if (::poll(&waiting, 1, static_cast<int>(limit.count())) != 1)
        return false;
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

} // namespace

bool acceptsSmbConnections(const QByteArray& host, std::chrono::milliseconds limit)
{
    for (const char* port : {"445", "139"}) {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(host.constData(), port, &hints, &found) != 0)
            return false;
        const std::unique_ptr<addrinfo, AddressRelease> addresses(found);
        for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
            if (connects(*address, limit))
                return true;
        }
    }
    return false;
}
