#pragma once

// Which sources the slow-link benchmark lists through; all unless its command line narrows
// them (SlowLinkMain.cpp).
struct SlowLinkSources {
    bool ownClient = true;  // SmbOpenFileSource, the project's own SMB2 client
    bool netApi = true;     // NetApiOpenFileSource, libnetapi
    bool netCommand = true;  // Samba's `net rpc file`, a whole process
};

SlowLinkSources& slowLinkSources();
