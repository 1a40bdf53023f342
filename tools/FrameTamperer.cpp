#include "FrameTamperer.h"

#include <algorithm>
#include <stdexcept>

namespace {

constexpr std::size_t frameLengthSize = 4;
constexpr std::uint32_t maxFrameLength = 0xFFFFFF;  // Direct TCP's first length byte is zero
constexpr std::size_t headerSize = 64;
constexpr std::size_t transformHeaderSize = 52;
constexpr std::uint32_t signedFlag = 0x00000008;
constexpr std::uint16_t readCommand = 0x0008;
constexpr std::uint16_t ioctlCommand = 0x000B;
constexpr std::uint32_t statusSuccess = 0;
// A pipe's READ or IOCTL answers data with this warning when more of the message follows.
constexpr std::uint32_t statusBufferOverflow = 0x80000005;

std::uint16_t le16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t le32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(le16(bytes, at)) | static_cast<std::uint32_t>(le16(bytes, at + 2)) << 16;
}

bool startsWith(std::span<const std::uint8_t> bytes, std::uint8_t first)
{
    return bytes.size() >= 4 && bytes[0] == first && bytes[1] == 'S' && bytes[2] == 'M' && bytes[3] == 'B';
}

// The middle byte of the data, its lowest bit flipped: a letter stays a letter.
void alterMiddle(std::span<std::uint8_t> data)
{
    if (!data.empty())
        data[data.size() / 2] ^= 0x01;
}

// The data a successful READ or IOCTL response carries; empty for any other message, or when
// the response's own offset and length do not fit inside it.
std::span<std::uint8_t> responseData(std::span<std::uint8_t> message)
{
    const std::uint32_t status = le32(message, 8);
    if (status != statusSuccess && status != statusBufferOverflow)
        return {};
    std::size_t offset = 0;
    std::size_t length = 0;
    switch (le16(message, 12)) {
    case readCommand:  // StructureSize 17, DataOffset (1 byte), Reserved, DataLength
        if (message.size() < headerSize + 16 || le16(message, headerSize) != 17)
            return {};
        offset = message[headerSize + 2];
        length = le32(message, headerSize + 4);
        break;
    case ioctlCommand:  // StructureSize 49, ..., OutputOffset at 32, OutputCount at 36
        if (message.size() < headerSize + 48 || le16(message, headerSize) != 49)
            return {};
        offset = le32(message, headerSize + 32);
        length = le32(message, headerSize + 36);
        break;
    default:
        return {};
    }
    if (offset < headerSize || offset > message.size() || length > message.size() - offset)
        return {};
    return message.subspan(offset, length);
}

} // namespace

std::vector<std::uint8_t> FrameTamperer::take(std::span<const std::uint8_t> bytes)
{
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    std::size_t done = 0;
    while (m_pending.size() - done >= frameLengthSize) {
        const std::span<std::uint8_t> rest = std::span(m_pending).subspan(done);
        const std::uint32_t length = static_cast<std::uint32_t>(rest[0]) << 24 | static_cast<std::uint32_t>(rest[1]) << 16
            | static_cast<std::uint32_t>(rest[2]) << 8 | rest[3];
        if (length > maxFrameLength)
            throw std::runtime_error("a frame longer than Direct TCP allows");
        if (rest.size() - frameLengthSize < length)
            break;
        alterFrame(rest.subspan(frameLengthSize, length));
        done += frameLengthSize + length;
    }
    std::vector<std::uint8_t> frames(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(done));
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(done));
    return frames;
}

void FrameTamperer::alterFrame(std::span<std::uint8_t> frame) const
{
    if (startsWith(frame, 0xFD)) {
        if (frame.size() > transformHeaderSize)
            alterMiddle(frame.subspan(transformHeaderSize));
        return;
    }
    // Responses may come compounded, each message but the last naming where the next begins.
    while (startsWith(frame, 0xFE) && frame.size() >= headerSize) {
        const std::uint32_t next = le32(frame, 20);
        if (next != 0 && (next < headerSize || next > frame.size()))
            return;
        alterMessage(next == 0 ? frame : frame.first(next));
        if (next == 0)
            return;
        frame = frame.subspan(next);
    }
}

void FrameTamperer::alterMessage(std::span<std::uint8_t> message) const
{
    const std::span<std::uint8_t> data = responseData(message);
    if (data.empty())
        return;
    alterMiddle(data);
    if (m_mode == Mode::payloadUnsigned)
        message[16] &= static_cast<std::uint8_t>(~signedFlag);
}
