#pragma once

#include "FileEntry.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// What closing the checked files may do without touching a file that was not checked. A server
// closes by identifier, and on Samba one identifier can name two open files at once; closing it
// closes both. So an identifier is closed only when
//   - every entry of the last answer that carries it is checked (an entry the filter hides, or
//     one without a row, counts as not checked), and
//   - the fresh answer, read after the person confirmed, lists under it exactly the checked
//     files (same user, same path).
// Files are compared as the inventory derives them (AnswerEntries.h).
struct ClosePlan {
    std::vector<std::uint32_t> ids;    // in the order of the checked files, each once
    std::size_t leftOpenShared = 0;    // checked files whose identifier another open file carries
    std::size_t leftOpenChanged = 0;   // checked files that changed or closed since the last answer
};

// checked: the checked files in display order, each an entry of lastAnswer.
ClosePlan planClose(std::span<const FileEntry> checked, std::span<const FileEntry> lastAnswer,
                    std::span<const FileEntry> fresh);
