#include "NetApiStatus.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::uint32_t, 8> refusedLoginStatuses{
    errorAccessDenied,
    86,    // ERROR_INVALID_PASSWORD
    errorLogonFailure,
    1327,  // ERROR_ACCOUNT_RESTRICTION
    1330,  // ERROR_PASSWORD_EXPIRED
    1331,  // ERROR_ACCOUNT_DISABLED
    1793,  // ERROR_ACCOUNT_EXPIRED
    1909,  // ERROR_ACCOUNT_LOCKED_OUT
};

} // namespace

bool isRefusedLogin(std::uint32_t status)
{
    return std::ranges::find(refusedLoginStatuses, status) != refusedLoginStatuses.end();
}

SourceStatus sourceStatusOf(std::uint32_t status)
{
    if (status == 0)
        return {};
    if (isRefusedLogin(status))
        return {SourceOutcome::refusedLogin, status};
    if (isNoConnection(status))
        return {SourceOutcome::unreachable, status};
    return {SourceOutcome::failed, status};
}
