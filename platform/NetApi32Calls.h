#pragma once

#include "OpenFileSource.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <type_traits>

#include <windows.h>
#include <lm.h>

// The three netapi32 calls behind the Windows open-file source, with their own signatures.
// NetApiOpenFileSource uses netapi32's; a test hands in calls of its own that serve a buffer
// it built, since no real server answers on a build machine.
struct NetApi32Calls {
    std::function<std::remove_pointer_t<decltype(&::NetFileEnum)>> fileEnum = ::NetFileEnum;
    std::function<std::remove_pointer_t<decltype(&::NetFileClose)>> fileClose = ::NetFileClose;
    std::function<std::remove_pointer_t<decltype(&::NetApiBufferFree)>> bufferFree = ::NetApiBufferFree;
};

// NetApiOpenFileSource::enumerate and close made through the given calls; the contract is the
// source's (NetApiOpenFileSource.h).
OpenFileList enumerateOpenFiles(const NetApi32Calls& calls, const QString& server);
SourceStatus closeOpenFile(const NetApi32Calls& calls, const QString& server, std::uint32_t id);
