// One line of host text: CP932 bytes with embedded four-byte escapes
// (0x1A b1 b2 b3) for characters CP932 cannot hold.
//
// A LineText carries its length. Every read goes through ByteAt, which gives 0
// at or past the length (and before the start), as the NUL after a host line
// would: no operation here or in the rules reads outside the bytes it was given.
// Callers that hand text on to the pattern library also guarantee that
// bytes[length] is a readable NUL.
#pragma once
#include <cstdint>

struct BreakSettings;

struct LineText {
  const unsigned char* bytes;
  int32_t length;
};

inline unsigned char ByteAt(LineText text, int64_t pos) noexcept {
  return (pos >= 0 && pos < text.length) ? text.bytes[pos] : 0;
}

// The text from `start` on, positions counted from there (start may be past the end).
LineText TextFrom(LineText text, int32_t start) noexcept;

// 16-bit code of the byte pair at pos: first * 256 + second.
inline uint16_t PairCodeAt(LineText text, int64_t pos) noexcept {
  return static_cast<uint16_t>(ByteAt(text, pos) << 8 | ByteAt(text, pos + 1));
}

bool IsLeadByte(unsigned char b) noexcept;
bool IsWideEscape(LineText text, int32_t pos) noexcept;
uint16_t DecodeWideEscape(LineText text, int32_t pos) noexcept;

int32_t IsInsideDoubleByte(LineText text, int32_t pos) noexcept;  // byte-pair walk
int32_t AlignCharDown(LineText text, int32_t pos) noexcept;       // character walk
int32_t AlignCharUp(LineText text, int32_t pos) noexcept;         // character walk
int32_t PrevCharWidth(LineText text, int32_t pos) noexcept;       // 4, 2 or 1

int32_t IsMailChar(unsigned char b) noexcept;
int32_t IsNumberWordChar(unsigned char b) noexcept;
int32_t IsLetterChar(LineText text, int32_t pos) noexcept;
int32_t IsCounterChar(const BreakSettings& settings, uint16_t code) noexcept;
