#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Alters what a server answers on its way to the client, to show that the client notices.
// The bytes are cut into Direct-TCP frames (a 4-byte big-endian length, then the message).
// In every SMB2 message that is a successful READ or IOCTL response carrying data, one byte of
// that data changes (the middle one, which in a listing lies inside a path, so the answer stays
// well-formed and only a signature can give the change away); with clearSigned its SIGNED flag goes as well, so the answer looks as if
// it had never been signed. Of an encrypted message one byte of the ciphertext changes. Every
// other message passes untouched. Nothing the server sends is trusted: lengths and offsets
// that do not fit leave a message as it is, and a frame longer than Direct TCP allows throws
// std::runtime_error.
class FrameTamperer {
public:
    enum class Mode { payload, payloadUnsigned };

    explicit FrameTamperer(Mode mode) : m_mode(mode) {}

    // Takes the next bytes from the server; answers the frames they complete, altered.
    std::vector<std::uint8_t> take(std::span<const std::uint8_t> bytes);

private:
    void alterFrame(std::span<std::uint8_t> frame) const;
    void alterMessage(std::span<std::uint8_t> message) const;

    Mode m_mode;
    std::vector<std::uint8_t> m_pending;  // the start of a frame not yet complete
};
