#pragma once

#include "OpenFileSource.h"

#include <cstdint>

// The outcome of a status the system's network-management calls answer (libnetapi on Linux,
// netapi32 on Windows): 0 is done, a refused login (isRefusedLogin) is refusedLogin, the
// statuses that say no server answered at that name are unreachable, the rest failed. The
// status itself stays as the code. One definition per operating system, beside its source.
SourceStatus sourceStatusOf(std::uint32_t status);
