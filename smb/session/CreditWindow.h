#pragma once

#include <cstdint>

namespace smb2 {

// The message ids a connection may still use: the server grants credits with each response,
// each request spends its credit charge as that many consecutive message ids.
class CreditWindow final {
public:
    // Samba's client refuses a balance above this as well; no server grants more in practice.
    static constexpr std::uint32_t maxBalance = 0xFFFF;

    std::uint32_t balance() const { return m_balance; }
    bool allows(std::uint16_t charge) const { return charge <= m_balance; }
    // The first of charge message ids. Throws ProtocolError when the credits do not allow it.
    std::uint64_t take(std::uint16_t charge);
    // Throws ProtocolError when the credits would exceed the limit or run past the last id.
    void grant(std::uint16_t credits);

private:
    std::uint64_t m_nextId = 0;
    std::uint32_t m_balance = 1;  // the NEGOTIATE's own
};

} // namespace smb2
