#include "CreditWindow.h"

#include "WireBytes.h"

#include <limits>

namespace smb2 {

std::uint64_t CreditWindow::take(std::uint16_t charge)
{
    if (charge == 0 || charge > m_balance)
        throw ProtocolError("a request beyond the credits the server granted");
    const std::uint64_t first = m_nextId;
    m_nextId += charge;
    m_balance -= charge;
    return first;
}

void CreditWindow::grant(std::uint16_t credits)
{
    const std::uint64_t balance = std::uint64_t{m_balance} + credits;
    // The last id, all ones, is reserved for unsolicited messages.
    if (balance > maxBalance || balance > std::numeric_limits<std::uint64_t>::max() - 1 - m_nextId)
        throw ProtocolError("the server granted credits beyond the sequence window");
    m_balance = static_cast<std::uint32_t>(balance);
}

} // namespace smb2
