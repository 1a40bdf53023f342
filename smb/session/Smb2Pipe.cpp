#include "Smb2Pipe.h"

#include "Smb2Errors.h"

#include <algorithm>
#include <deque>
#include <stdexcept>

namespace smb2 {

namespace {

// More READs than this at once would not be answered by any server before the progress limit.
constexpr std::size_t maxReadsAtOnce = 8192;

// The data, left where it came: the response's own buffer, cut down to it.
Bytes dataOf(Bytes message, ByteView data)
{
    const auto offset = static_cast<std::size_t>(data.data() - message.data());
    message.erase(message.begin(), message.begin() + static_cast<std::ptrdiff_t>(offset));
    message.resize(data.size());
    return message;
}

Bytes readResult(Response response, std::uint32_t maxBytes)
{
    switch (response.header.status) {
    case status::success: {
        const ByteView data = parseReadResponse(response.message, maxBytes);
        return data.empty() ? Bytes{} : dataOf(std::move(response.message), data);
    }
    case status::insufficientResources:
    case status::pipeEmpty:
        return {};
    case status::bufferOverflow:
        throw ProtocolError("a pipe message did not fit the READ");
    default:
        throw ServerStatus(response.header.status);
    }
}

} // namespace

Smb2Pipe::Smb2Pipe(Smb2Channel& channel, std::uint32_t treeId, FileId file, Limits limits)
    : m_channel(channel), m_treeId(treeId), m_file(file), m_limits(limits)
{
}

Bytes Smb2Pipe::transceive(ByteView pdu, std::uint32_t maxReply)
{
    if (pdu.size() > m_limits.maxTransact || maxReply > m_limits.maxTransact)
        throw std::invalid_argument("pipe transceive larger than the server allows");
    Response response = m_channel.call(
        {Command::ioctl, ioctlRequestBody(fsctl::pipeTransceive, m_file, pdu, maxReply), m_treeId,
         std::max(static_cast<std::uint32_t>(pdu.size()), maxReply)});
    if (response.header.status == status::bufferOverflow)
        throw ProtocolError("a pipe message did not fit the transceive");
    if (response.header.status != status::success)
        throw ServerStatus(response.header.status);
    const ByteView reply = parseIoctlResponse(response.message, fsctl::pipeTransceive, maxReply);
    return reply.empty() ? Bytes{} : dataOf(std::move(response.message), reply);
}

std::vector<Bytes> Smb2Pipe::readMany(std::size_t count, std::uint32_t maxBytes)
{
    if (count > maxReadsAtOnce || maxBytes > m_limits.maxRead)
        throw std::invalid_argument("pipe reads beyond what the server allows");
    m_channel.wantCredits(static_cast<std::uint32_t>(count));
    const Smb2Channel::Request read{Command::read, readRequestBody(m_file, maxBytes), m_treeId, maxBytes};
    std::vector<Bytes> results;
    results.reserve(count);
    std::deque<std::uint64_t> inFlight;
    std::size_t sent = 0;
    try {
        while (results.size() < count) {
            while (sent < count && (inFlight.empty() || m_channel.canSend(maxBytes))) {
                inFlight.push_back(m_channel.send(read));
                ++sent;
            }
            results.push_back(readResult(m_channel.receive(inFlight.front()), maxBytes));
            inFlight.pop_front();
        }
    } catch (...) {
        // The READs out stay pending on the server; the connection waits for them at its end.
        for (const std::uint64_t messageId : inFlight)
            m_channel.abandon(messageId);
        throw;
    }
    return results;
}

} // namespace smb2
