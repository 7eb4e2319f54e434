// Counts heap allocations of the whole process, so a benchmark can show
// that the break check makes none.
#pragma once
#include <cstdint>

uint64_t AllocationCount() noexcept;
