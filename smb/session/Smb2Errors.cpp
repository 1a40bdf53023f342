#include "Smb2Errors.h"

#include <cstdio>
#include <string>

namespace smb2 {

namespace {

std::string describe(std::uint32_t status)
{
    char text[48];
    std::snprintf(text, sizeof text, "the server answered status 0x%08X", status);
    return text;
}

} // namespace

ServerStatus::ServerStatus(std::uint32_t status) : std::runtime_error(describe(status)), m_status(status) {}

} // namespace smb2
