#include "NetApiStatus.h"

#include <algorithm>
#include <array>

#include <windows.h>
#include <lm.h>

namespace {

// What netapi32 answers when it reaches no server under the name.
constexpr std::array<std::uint32_t, 9> noConnectionStatuses{
    ERROR_BAD_NETPATH,
    ERROR_CAN_NOT_COMPLETE,
    ERROR_NO_NET_OR_BAD_PATH,
    ERROR_NO_NETWORK,
    ERROR_CONNECTION_REFUSED,
    ERROR_NETWORK_UNREACHABLE,
    ERROR_HOST_UNREACHABLE,
    NERR_UseNotFound,
    RPC_S_SERVER_UNAVAILABLE,
};

} // namespace

bool isNoConnection(std::uint32_t status)
{
    return std::ranges::find(noConnectionStatuses, status) != noConnectionStatuses.end();
}
