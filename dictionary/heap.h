// Growable memory for the dictionary. Every block of the store and the
// pattern list comes from here, so tests can make the Nth request fail.
#pragma once
#include <cstddef>

void* HeapAlloc0(size_t bytes) noexcept;                  // zero-filled; null on failure
void* HeapRealloc(void* block, size_t bytes) noexcept;     // null on failure, block kept
void HeapFree(void* block) noexcept;

// Fault injection for tests: the Nth request from now (1 = the next) fails,
// and every later one succeeds again. 0 disarms.
void HeapFailAt(long nth) noexcept;
