#pragma once

// What the benchmarks against the private Samba test server share. The server comes from the
// environment that tests/samba/test-server writes to server.env.

#include "FileHolder.h"

#include <string>
#include <vector>

// The named environment variable; std::runtime_error when it is missing or empty.
std::string environment(const char* name);

// The administrator's password, from the file the server's environment names.
std::string adminPassword();

// The synthetic inventory's paths as files of the server's share, held open as an ordinary
// user until the process ends; made on first use and shared by the benchmarks. The holder
// only grows: asked for more files than it holds, it opens the next ones of the inventory.
constexpr int heldFiles = 10000;
FileHolder& heldShareFiles(int count = heldFiles);

double median(std::vector<double> values);
