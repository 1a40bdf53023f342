#pragma once

#include <cstddef>

// The heap of the whole process as a benchmark that links HeapPeak.cpp sees it: that file
// takes over malloc and its kin and counts the bytes in use. Linked into one benchmark binary
// only, since the count costs a little on every allocation.
namespace heapPeak {

// Bytes in use now (as malloc_usable_size counts them).
std::size_t inUse();

// Starts a new high-water mark at what is in use now.
void reset();

// The most bytes in use since the last reset.
std::size_t peak();

} // namespace heapPeak
