#include "guard/line_text.h"

#include <cstddef>

#include "settings/break_settings.h"

namespace {

constexpr unsigned char kEscapeByte = 0x1A;

// Bit 0x01: may stand in a mail address. Bit 0x04: may stand in a word in
// front of a number. Written out so that nothing computes or changes it.
constexpr unsigned char CharClassTable[256] = {
    // 0x00-0x1F: control bytes
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0x20-0x2F:    !  "  #  $  %  &  '  (  )  *  +  ,  -  .  /
    0, 1, 0, 0, 5, 1, 1, 0, 0, 0, 1, 0, 0, 1, 1, 1,
    // 0x30-0x3F: 0-9 : ; < = > ?
    5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 0, 1, 0, 0, 0, 1,
    // 0x40-0x5F: @ A-Z [ \ ] ^ _
    5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,
    5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 0, 0, 0, 1, 5,
    // 0x60-0x7F: ` a-z { | } ~ DEL
    0, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,
    5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 0, 0, 0, 1, 0,
    // 0x80-0xFF: nothing
};

constexpr unsigned char kMailChar = 0x01;
constexpr unsigned char kNumberWordChar = 0x04;

bool InRange(uint32_t code, uint32_t low, uint32_t high) noexcept {
  return code >= low && code <= high;
}

int32_t ClampToInt32(int64_t pos) noexcept {
  return pos > INT32_MAX ? INT32_MAX : static_cast<int32_t>(pos);
}

// Where the character walk (escapes step 4) ends its first step at or past p.
int64_t CharWalkTo(LineText text, int64_t p) noexcept {
  int64_t pos = 0;
  while (pos < p) {
    if (IsLeadByte(ByteAt(text, pos)))
      pos += 2;
    else if (IsWideEscape(text, static_cast<int32_t>(pos)))
      pos += 4;
    else
      pos += 1;
  }
  return pos;
}

// Where the byte-pair walk (blind to escapes) ends its first step at or past p.
int64_t BytePairWalkTo(LineText text, int64_t p) noexcept {
  int64_t pos = 0;
  while (pos < p) pos += IsLeadByte(ByteAt(text, pos)) ? 2 : 1;
  return pos;
}

// 1, 2 or 3 when an escape starts that many bytes before p; 0 when none does.
// Looks at the bytes only, nearest first.
int32_t EscapeBackDistance(LineText text, int64_t p) noexcept {
  for (int32_t d = 1; d <= 3; ++d)
    if (p >= d && IsWideEscape(text, ClampToInt32(p - d))) return d;
  return 0;
}

}  // namespace

LineText TextFrom(LineText text, int32_t start) noexcept {
  // Nothing lies before the first byte; past the end the text is empty.
  if (start <= 0) return text;
  if (start >= text.length) return {text.bytes + text.length, 0};
  return {text.bytes + start, text.length - start};
}

bool IsLeadByte(unsigned char b) noexcept {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsWideEscape(LineText text, int32_t pos) noexcept {
  if (ByteAt(text, pos) != kEscapeByte) return false;
  // The three bytes after it read as 0 past the end, so a cut-off escape fails the test.
  const uint32_t w = static_cast<uint32_t>(ByteAt(text, pos)) |
                     static_cast<uint32_t>(ByteAt(text, int64_t{pos} + 1)) << 8 |
                     static_cast<uint32_t>(ByteAt(text, int64_t{pos} + 2)) << 16 |
                     static_cast<uint32_t>(ByteAt(text, int64_t{pos} + 3)) << 24;
  return (w & 0x74808000u) == 0x04808000u;
}

uint16_t DecodeWideEscape(LineText text, int32_t pos) noexcept {
  const unsigned b1 = ByteAt(text, int64_t{pos} + 1);
  const unsigned b2 = ByteAt(text, int64_t{pos} + 2);
  const unsigned b3 = ByteAt(text, int64_t{pos} + 3);
  const unsigned low = (b1 & 0x7Fu) | (b3 & 0x01u) << 7;
  const unsigned high = (b2 & 0x7Fu) | (b3 & 0x02u) << 6;
  return static_cast<uint16_t>(high << 8 | low);
}

int32_t IsInsideDoubleByte(LineText text, int32_t pos) noexcept {
  if (pos <= 0) return 0;
  if (!IsLeadByte(ByteAt(text, int64_t{pos} - 1))) return 0;
  // The byte before pos may be a trail byte with a lead-byte value: only the walk tells.
  return BytePairWalkTo(text, pos) == int64_t{pos} + 1 ? 1 : 0;
}

int32_t AlignCharDown(LineText text, int32_t pos) noexcept {
  if (pos <= 0) return 0;
  const int32_t d = EscapeBackDistance(text, pos);
  if (d != 0) return pos - d;
  if (!IsLeadByte(ByteAt(text, int64_t{pos} - 1))) return pos;
  return CharWalkTo(text, pos) == pos ? pos : pos - 1;
}

int32_t AlignCharUp(LineText text, int32_t pos) noexcept {
  if (pos <= 0) return 0;
  const int32_t d = EscapeBackDistance(text, pos);
  if (d != 0) return ClampToInt32(int64_t{pos} + 4 - d);
  if (!IsLeadByte(ByteAt(text, int64_t{pos} - 1))) return pos;
  return CharWalkTo(text, pos) == pos ? pos : ClampToInt32(int64_t{pos} + 1);
}

int32_t PrevCharWidth(LineText text, int32_t pos) noexcept {
  if (pos >= 4 && IsWideEscape(text, pos - 4)) return 4;
  if (pos <= 1) return 1;
  return IsInsideDoubleByte(text, pos - 1) == 1 ? 2 : 1;
}

int32_t IsMailChar(unsigned char b) noexcept {
  return (CharClassTable[b] & kMailChar) != 0 ? 1 : 0;
}

int32_t IsNumberWordChar(unsigned char b) noexcept {
  return (CharClassTable[b] & kNumberWordChar) != 0 ? 1 : 0;
}

int32_t IsLetterChar(LineText text, int32_t pos) noexcept {
  if (IsWideEscape(text, pos)) {
    const uint16_t code = DecodeWideEscape(text, pos);
    return InRange(code, 0x00C0, 0x0292) || InRange(code, 0x0400, 0x04E9) ? 1 : 0;
  }
  const unsigned char b = ByteAt(text, pos);
  if (IsLeadByte(b)) return InRange(PairCodeAt(text, pos), 0x8440, 0x8491) ? 1 : 0;
  return InRange(b, 0x41, 0x5A) || InRange(b, 0x61, 0x7A) ? 1 : 0;
}

int32_t IsCounterChar(const BreakSettings& settings, uint16_t code) noexcept {
  if (code < settings.NumAfterLow || code > settings.NumAfterHigh) return 0;
  // Two bytes at a time, not by characters; never past the field, terminated or not.
  const auto* s = reinterpret_cast<const unsigned char*>(settings.NumAfter);
  for (size_t i = 0; i + 1 < sizeof settings.NumAfter; i += 2) {
    if (s[i] == 0) break;
    if (code == (s[i] << 8 | s[i + 1])) return 1;
    if (s[i + 1] == 0) break;
  }
  return 0;
}
