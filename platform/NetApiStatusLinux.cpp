#include "NetApiStatus.h"

#include <algorithm>
#include <array>

namespace {

// libnetapi answers Windows's codes; these say the connection itself failed.
constexpr std::array<std::uint32_t, 8> noConnectionStatuses{
    53,    // ERROR_BAD_NETPATH
    errorCannotComplete,
    1203,  // ERROR_NO_NET_OR_BAD_PATH
    1222,  // ERROR_NO_NETWORK
    1225,  // ERROR_CONNECTION_REFUSED
    1231,  // ERROR_NETWORK_UNREACHABLE
    1232,  // ERROR_HOST_UNREACHABLE
    2250,  // NERR_UseNotFound
};

} // namespace

bool isNoConnection(std::uint32_t status)
{
    return std::ranges::find(noConnectionStatuses, status) != noConnectionStatuses.end();
}
