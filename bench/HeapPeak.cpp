#include "HeapPeak.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>

// glibc's own allocator, under the names it exports for those that wrap it.
extern "C" {
void* __libc_malloc(std::size_t size);
void __libc_free(void* pointer);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

std::atomic<std::size_t> bytesInUse{0};
std::atomic<std::size_t> highWater{0};

void* counted(void* pointer)
{
    if (pointer == nullptr)
        return nullptr;
    const std::size_t size = malloc_usable_size(pointer);
    const std::size_t now = bytesInUse.fetch_add(size, std::memory_order_relaxed) + size;
    std::size_t seen = highWater.load(std::memory_order_relaxed);
    while (now > seen && !highWater.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
    }
    return pointer;
}

void uncount(void* pointer)
{
    if (pointer != nullptr)
        bytesInUse.fetch_sub(malloc_usable_size(pointer), std::memory_order_relaxed);
}

} // namespace

extern "C" {

void* malloc(std::size_t size)
{
    return counted(__libc_malloc(size));
}

void free(void* pointer)
{
    uncount(pointer);
    __libc_free(pointer);
}

void* calloc(std::size_t count, std::size_t size)
{
    return counted(__libc_calloc(count, size));
}

void* realloc(void* pointer, std::size_t size)
{
    // The old block is uncounted first: realloc may free it even when it fails to grow it.
    const std::size_t before = pointer != nullptr ? malloc_usable_size(pointer) : 0;
    void* moved = __libc_realloc(pointer, size);
    if (moved == nullptr && size != 0)
        return nullptr;  // the old block stays, still counted
    bytesInUse.fetch_sub(before, std::memory_order_relaxed);
    return counted(moved);
}

void* memalign(std::size_t alignment, std::size_t size)
{
    return counted(__libc_memalign(alignment, size));
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    return counted(__libc_memalign(alignment, size));
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size)
{
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void* pointer = counted(__libc_memalign(alignment, size));
    if (pointer == nullptr)
        return ENOMEM;
    *result = pointer;
    return 0;
}

void* valloc(std::size_t size)
{
    return counted(__libc_memalign(4096, size));
}

void* pvalloc(std::size_t size)
{
    return counted(__libc_memalign(4096, (size + 4095) & ~std::size_t{4095}));
}

} // extern "C"

namespace heapPeak {

std::size_t inUse()
{
    return bytesInUse.load(std::memory_order_relaxed);
}

void reset()
{
    highWater.store(inUse(), std::memory_order_relaxed);
}

std::size_t peak()
{
    return highWater.load(std::memory_order_relaxed);
}

} // namespace heapPeak
