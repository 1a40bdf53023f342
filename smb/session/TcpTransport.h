#pragma once

#include "WireBytes.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace smb2 {

// One TCP connection carrying Direct TCP frames (a 4-byte big-endian length, then the
// message). Every wait is bounded: connecting by the connect limit per address, sending and
// receiving by the progress limit between two bytes.
class TcpTransport final {
public:
    // Larger than any message this client asks for (a READ of 8 MiB with its headers), so
    // that a length the server sends never sizes an allocation on its own say.
    static constexpr std::size_t maxFrame = 16 * 1024 * 1024 + 64 * 1024;

    // Throws Unreachable when the name does not resolve or no address connects in time.
    TcpTransport(const std::string& host, std::uint16_t port, std::chrono::milliseconds connectLimit,
                 std::chrono::milliseconds progressLimit);
    ~TcpTransport();
    TcpTransport(const TcpTransport&) = delete;
    TcpTransport& operator=(const TcpTransport&) = delete;

    // Throw ConnectionLost on a reset or end of stream, Timeout when the peer makes no progress
    // within the progress limit, ProtocolError on a frame above maxFrame.
    void send(ByteView message);
    Bytes receive();

private:
    void receiveExactly(std::uint8_t* into, std::size_t count);
    void waitFor(short events);

    int m_socket = -1;
    std::chrono::milliseconds m_progressLimit;
};

} // namespace smb2
