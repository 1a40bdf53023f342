// A loopback TCP proxy that makes the private test server look far away: every chunk read on
// one side is written to the other half a round trip later, in each direction, with no limit
// on bandwidth. libnetapi always connects to port 445, so the proxy listens on port 445 of a
// loopback address of its own (binding it needs root).
//
//   tarnwick-delay-proxy LISTEN TARGET ROUND_TRIP_MS [--tamper | --tamper-unsigned | --smb1-only-first]
//                                                      forward LISTEN:445 to TARGET:445
//   tarnwick-delay-proxy LISTEN --mute                 accept connections, never answer
//
// --tamper changes one byte of the data of every READ and IOCTL answer (and of every encrypted
// message) on its way to the client; --tamper-unsigned also clears the answer's SIGNED flag
// (FrameTamperer.h). The server's answers then go on whole frames at a time. --smb1-only-first
// plays a server that speaks only SMB1 on the first connection: it closes it as soon as the
// client speaks, as Samba with "server max protocol = NT1" does on an SMB2 NEGOTIATE; later
// connections are forwarded. The mute form
// plays a host that accepts the connection and then never says a word. Both addresses must be
// loopback ones. The proxy prints "listening" once it accepts connections and "accepted" for
// each connection it takes, and ends on SIGTERM or SIGINT, or when its parent ends.
//
// Round trips: on SIGUSR1 and at its end the proxy prints "round trips N", the network round
// trips its connections took so far. A chunk from the client is one round trip deeper than the
// last answer chunk delivered to it, an answer chunk as deep as the last request chunk
// delivered to the server; each connection took as many round trips as its deepest chunk, so
// requests in flight together count once. Connection set-up itself is not delayed, not counted.

#include "FrameTamperer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <list>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint16_t smbPort = 445;

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t countRequested = 0;

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

sockaddr_in loopbackAddress(const char* text)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(smbPort);
    if (inet_pton(AF_INET, text, &address.sin_addr) != 1 || (ntohl(address.sin_addr.s_addr) >> 24) != 127)
        throw std::runtime_error(std::string(text) + " is not a loopback address");
    return address;
}

class Socket {
public:
    explicit Socket(int fd) : m_fd(fd)
    {
        if (m_fd < 0)
            fail("socket");
    }
    ~Socket() { ::close(m_fd); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

void tuneForwarding(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// One direction of a connection: what was read, each chunk with the moment it may go on.
struct Direction {
    struct Chunk {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;
        std::uint64_t depth = 0;  // in round trips
    };
    std::deque<Chunk> chunks;
    bool readerEnded = false;
    bool writerShut = false;
    std::uint64_t deliveredDepth = 0;  // of the last chunk written whole

    bool dueNow(Clock::time_point now) const { return !chunks.empty() && chunks.front().due <= now; }
    bool done() const { return writerShut; }
};

struct Link {
    std::unique_ptr<Socket> client;
    std::unique_ptr<Socket> server;            // none when mute
    Direction up;                              // client to server
    Direction down;                            // server to client
    std::optional<FrameTamperer> tamperer;  // of the server's answers, when tampering
    bool closeOnRequest = false;            // no server: closed once the client speaks
    bool broken = false;
    std::uint64_t roundTrips = 0;  // the deepest request chunk's depth

    bool finished() const { return broken || (up.done() && (server == nullptr || down.done())); }
};

// Reads what is there into the direction's queue, through the tamperer if there is one; false
// at the end of the stream or on error.
bool readInto(int fd, Direction& direction, Clock::duration delay, std::uint64_t depth, bool keep,
              FrameTamperer* tamperer = nullptr)
{
    std::uint8_t buffer[65536];
    const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
    if (count < 0)
        return errno == EAGAIN || errno == EINTR;
    if (count == 0)
        return false;
    if (!keep)
        return true;
    const std::span<const std::uint8_t> read(buffer, static_cast<std::size_t>(count));
    std::vector<std::uint8_t> bytes = tamperer != nullptr ? tamperer->take(read) : std::vector(read.begin(), read.end());
    if (!bytes.empty())
        direction.chunks.push_back({Clock::now() + delay, std::move(bytes), 0, depth});
    return true;
}

// Writes the due chunks; false when the peer is gone.
bool writeDue(int fd, Direction& direction)
{
    const auto now = Clock::now();
    while (direction.dueNow(now)) {
        auto& chunk = direction.chunks.front();
        const ssize_t count = ::send(fd, chunk.bytes.data() + chunk.sent, chunk.bytes.size() - chunk.sent, MSG_NOSIGNAL);
        if (count < 0)
            return errno == EAGAIN || errno == EINTR;
        chunk.sent += static_cast<std::size_t>(count);
        if (chunk.sent < chunk.bytes.size())
            return true;
        direction.deliveredDepth = chunk.depth;
        direction.chunks.pop_front();
    }
    if (direction.readerEnded && direction.chunks.empty() && !direction.writerShut) {
        ::shutdown(fd, SHUT_WR);
        direction.writerShut = true;
    }
    return true;
}

// Blocks the proxy's signals outside its wait for events; answers the mask for that wait.
sigset_t blockSignals()
{
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal : {SIGTERM, SIGINT, SIGUSR1})
        sigaddset(&blocked, signal);
    sigset_t previous;
    ::sigprocmask(SIG_BLOCK, &blocked, &previous);
    return previous;
}

class Proxy {
public:
    Proxy(const char* listenAddress, std::optional<sockaddr_in> target, Clock::duration roundTrip,
        std::optional<FrameTamperer::Mode> tampering, bool smb1First)
        : m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), m_target(target), m_halfTrip(roundTrip / 2),
          m_tampering(tampering), m_smb1Next(smb1First)
    {
        const sockaddr_in address = loopbackAddress(listenAddress);
        const int on = 1;
        ::setsockopt(m_listener.fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(m_listener.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            fail(std::string("bind ") + listenAddress);
        if (::listen(m_listener.fd(), 64) != 0)
            fail("listen");
    }

    void run()
    {
        std::puts("listening");
        std::fflush(stdout);
        while (stopRequested == 0) {
            if (countRequested != 0) {
                countRequested = 0;
                printRoundTrips();
            }
            std::vector<pollfd> fds{{m_listener.fd(), POLLIN, 0}};
            for (const auto& link : m_links)
                addPolls(link, fds);
            // The signals arrive only while waiting here, so none is missed.
            const int ready = ::ppoll(fds.data(), fds.size(), timeout(), &m_waitMask);
            if (ready < 0 && errno != EINTR)
                fail("poll");
            if (ready <= 0) {
                flushAll();
                continue;
            }
            if ((fds[0].revents & POLLIN) != 0)
                accept();
            serve();
        }
        printRoundTrips();
    }

private:
    void addPolls(const Link& link, std::vector<pollfd>& fds) const
    {
        const auto now = Clock::now();
        const auto events = [&](const Direction& in, const Direction& out) {
            short wanted = in.readerEnded ? 0 : POLLIN;
            if (out.dueNow(now))
                wanted |= POLLOUT;
            return wanted;
        };
        fds.push_back({link.client->fd(), events(link.up, link.down), 0});
        if (link.server)
            fds.push_back({link.server->fd(), events(link.down, link.up), 0});
    }

    // Until the next chunk falls due, rounded up to whole milliseconds; none without chunks.
    const timespec* timeout()
    {
        const int ms = timeoutMs();
        if (ms < 0)
            return nullptr;
        m_timeout = {ms / 1000, (ms % 1000) * 1000000L};
        return &m_timeout;
    }

    int timeoutMs() const
    {
        std::optional<Clock::time_point> next;
        for (const auto& link : m_links)
            for (const Direction* direction : {&link.up, &link.down})
                if (!direction->chunks.empty())
                    next = std::min(next.value_or(Clock::time_point::max()), direction->chunks.front().due);
        if (!next)
            return -1;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
        return static_cast<int>(std::max<std::int64_t>(wait, 0));
    }

    void accept()
    {
        const int fd = ::accept4(m_listener.fd(), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        auto client = std::make_unique<Socket>(fd);
        std::puts("accepted");
        std::fflush(stdout);
        tuneForwarding(client->fd());
        Link link;
        link.client = std::move(client);
        if (m_smb1Next) {
            m_smb1Next = false;
            link.closeOnRequest = true;
        } else if (m_target) {
            link.server = std::make_unique<Socket>(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            // A loopback connection is made or refused at once.
            if (::connect(link.server->fd(), reinterpret_cast<const sockaddr*>(&*m_target), sizeof *m_target) != 0)
                return;  // the client sees its connection end
            tuneForwarding(link.server->fd());
            if (m_tampering)
                link.tamperer.emplace(*m_tampering);
        }
        m_links.push_back(std::move(link));
    }

    void serve()
    {
        for (auto& link : m_links) {
            const bool forwarding = link.server != nullptr;
            if (!link.up.readerEnded
                && !readInto(link.client->fd(), link.up, m_halfTrip, link.down.deliveredDepth + 1,
                       forwarding || link.closeOnRequest))
                link.up.readerEnded = true;
            if (!link.up.chunks.empty())
                link.roundTrips = std::max(link.roundTrips, link.up.chunks.back().depth);
            if (forwarding) {
                if (!link.down.readerEnded && !readDown(link))
                    link.down.readerEnded = true;
                if (!writeDue(link.server->fd(), link.up) || !writeDue(link.client->fd(), link.down))
                    link.broken = true;
            } else {
                link.broken = link.up.readerEnded || (link.closeOnRequest && !link.up.chunks.empty());
            }
        }
        removeFinished();
    }

    // A server that breaks the framing loses the connection, as a client would drop it.
    bool readDown(Link& link) const
    {
        try {
            return readInto(link.server->fd(), link.down, m_halfTrip, link.up.deliveredDepth, true,
                            link.tamperer ? &*link.tamperer : nullptr);
        } catch (const std::runtime_error& error) {
            std::fprintf(stderr, "tarnwick-delay-proxy: %s\n", error.what());
            link.broken = true;
            return false;
        }
    }

    void removeFinished()
    {
        for (const auto& link : m_links)
            if (link.finished())
                m_closedRoundTrips += link.roundTrips;
        m_links.remove_if([](const Link& link) { return link.finished(); });
    }

    void printRoundTrips() const
    {
        std::uint64_t total = m_closedRoundTrips;
        for (const auto& link : m_links)
            total += link.roundTrips;
        std::printf("round trips %llu\n", static_cast<unsigned long long>(total));
        std::fflush(stdout);
    }

    void flushAll()
    {
        for (auto& link : m_links)
            if (link.server)
                if (!writeDue(link.server->fd(), link.up) || !writeDue(link.client->fd(), link.down))
                    link.broken = true;
        removeFinished();
    }

    Socket m_listener;
    std::optional<sockaddr_in> m_target;
    Clock::duration m_halfTrip;
    std::optional<FrameTamperer::Mode> m_tampering;
    bool m_smb1Next;  // the next connection plays a server that speaks only SMB1
    std::list<Link> m_links;
    std::uint64_t m_closedRoundTrips = 0;
    sigset_t m_waitMask = blockSignals();
    timespec m_timeout{};
};

} // namespace

int main(int argc, char** argv)
{
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    std::signal(SIGINT, [](int) { stopRequested = 1; });
    std::signal(SIGUSR1, [](int) { countRequested = 1; });
    const bool mute = argc == 3 && std::string(argv[2]) == "--mute";
    const std::string mode = argc == 5 ? argv[4] : "";
    std::optional<FrameTamperer::Mode> tampering;
    if (mode == "--tamper")
        tampering = FrameTamperer::Mode::payload;
    else if (mode == "--tamper-unsigned")
        tampering = FrameTamperer::Mode::payloadUnsigned;
    const bool smb1First = mode == "--smb1-only-first";
    if (!mute && argc != 4 && !tampering && !smb1First) {
        std::fputs("usage: tarnwick-delay-proxy LISTEN TARGET ROUND_TRIP_MS [--tamper | --tamper-unsigned | --smb1-only-first]"
                   " | LISTEN --mute\n", stderr);
        return 2;
    }
    try {
        std::optional<sockaddr_in> target;
        std::chrono::milliseconds roundTrip{0};
        if (!mute) {
            target = loopbackAddress(argv[2]);
            roundTrip = std::chrono::milliseconds(std::stol(argv[3]));
        }
        Proxy(argv[1], target, roundTrip, tampering, smb1First).run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnwick-delay-proxy: %s\n", error.what());
        return 1;
    }
    return 0;
}
