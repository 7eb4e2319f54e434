// Shift_JIS text with four-byte escapes, turned into one wide character per
// character so that the regular-expression engine can only match whole ones.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct WideText {
  std::wstring units;            // one unit per character
  std::vector<int32_t> offsets;  // byte offset of each character, then the end
};

// Walks the bytes from 0 up to `limit` (exclusive; negative: no limit), always
// stopping at the terminating NUL, which is never passed. A character that the
// limit or the NUL would cut is left out. False when one was cut.
bool TranscodeText(const unsigned char* text, int64_t limit, WideText& out);

// Unicode code of a CP932 double-byte character; 0 when it has none.
// Built once per platform (pair_table_*.cpp).
uint16_t DecodeCp932Pair(unsigned char lead, unsigned char trail) noexcept;
