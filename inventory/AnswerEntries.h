#pragma once

#include "FileEntry.h"
#include "OpenFileSource.h"

#include <vector>

// The inventory's entries of an enumeration's records, in the server's order: texts lowered,
// permission words and extension derived. Any two answers derived here compare entry by entry.
std::vector<FileEntry> entriesOf(std::vector<OpenFileRecord> records);
