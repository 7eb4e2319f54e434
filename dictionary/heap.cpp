#include "dictionary/heap.h"

#include <cstdlib>

namespace {
long gFailCountdown = 0;

bool ShouldFail() noexcept {
  if (gFailCountdown <= 0) return false;
  return --gFailCountdown == 0;
}
}  // namespace

void* HeapAlloc0(size_t bytes) noexcept {
  if (ShouldFail()) return nullptr;
  return std::calloc(bytes ? bytes : 1, 1);
}

void* HeapRealloc(void* block, size_t bytes) noexcept {
  if (ShouldFail()) return nullptr;
  return std::realloc(block, bytes ? bytes : 1);
}

void HeapFree(void* block) noexcept { std::free(block); }

void HeapFailAt(long nth) noexcept { gFailCountdown = nth; }
