#pragma once

#include "OpenFileSource.h"

#include <cstdint>

// Windows codes both sources of Linux answer, as libnetapi does for the same causes.
constexpr std::uint32_t errorAccessDenied = 5;       // ERROR_ACCESS_DENIED
constexpr std::uint32_t errorNotEnoughMemory = 8;    // ERROR_NOT_ENOUGH_MEMORY
constexpr std::uint32_t errorInvalidData = 13;       // ERROR_INVALID_DATA
constexpr std::uint32_t errorNetnameDeleted = 64;    // ERROR_NETNAME_DELETED: the connection dropped
constexpr std::uint32_t errorCannotComplete = 1003;  // libnetapi's word for no connection to IPC$
constexpr std::uint32_t errorLogonFailure = 1326;    // ERROR_LOGON_FAILURE

// The outcome of a status the system's network-management calls answer (libnetapi on Linux,
// netapi32 on Windows): 0 is done, a refused login (isRefusedLogin) is refusedLogin, a status
// that says no server answered at that name (isNoConnection) is unreachable, the rest failed.
// The status itself stays as the code.
SourceStatus sourceStatusOf(std::uint32_t status);

// Whether a status says no server answered at that name. One definition per operating system,
// beside its source: each system's calls say it with other codes.
bool isNoConnection(std::uint32_t status);

// Whether a failed call's status means the server refused who the call said it was: access
// denied, an unknown user or a wrong password, an account that may not log in. The codes are
// Windows's, the same on every system.
bool isRefusedLogin(std::uint32_t status);
