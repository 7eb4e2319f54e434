#include "bench/allocation_counter.h"

#include <atomic>
#include <cstddef>

// glibc's own entry points; defining malloc here interposes on every caller,
// operator new included.
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);

namespace {
std::atomic<uint64_t> gAllocations{0};
}

uint64_t AllocationCount() noexcept { return gAllocations.load(std::memory_order_relaxed); }

extern "C" void* malloc(size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}

extern "C" void* realloc(void* block, size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(block, size);
}
