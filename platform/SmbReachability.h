#pragma once

#include <QByteArray>

#include <chrono>

// Whether the host accepts TCP connections on an SMB port (445, else 139) within the limit
// per address. libnetapi answers one status for "no server there" and "the server refused
// the login"; this tells the two apart without logging in.
bool acceptsSmbConnections(const QByteArray& host, std::chrono::milliseconds limit);
