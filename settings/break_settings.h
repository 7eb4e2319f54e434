// The user's settings as the break guard reads them: one record, filled by the
// library's attach and poll (or by the command-line tool), read by every check.
#pragma once
#include <cstdint>

enum TarnixFlagBits : int32_t {
  KeepWideDigits = 0x001,
  KeepKatakana = 0x002,
  KeepWideRoman = 0x004,
  KeepMailAddress = 0x008,
  KeepCounterSuffix = 0x010,
  KeepDecimal = 0x020,
  KeepThousands = 0x080,
  KeepLetterWords = 0x100,
};

// All eight rule bits; 0x040 and the bits above 0x100 belong to no rule.
constexpr int32_t kAllRuleBits = 0x1BF;

struct BreakSettings {
  char TarnixWordFile[260];   // CP932 path, zero-terminated; empty: no word file
  int32_t TarnixFlag;         // TarnixFlagBits; other bits kept as read
  char NumAfter[256];         // counter characters, CP932, zero-terminated
  uint16_t NumAfterLow;       // derived from NumAfter by ComputeNumAfterRange
  uint16_t NumAfterHigh;
  int32_t TarnixKatakanaMax;  // longest katakana word kept whole, in characters
};

// 年月日時分円回階倍万千百億兆件通人桁行個点冊名枚位号 in CP932: 26 characters, 52 bytes.
extern const char kDefaultNumAfter[53];

// The values before anything is read: empty path and counters, flag 0,
// katakana limit 10, the empty counter range (0xFFFF, 0).
void InitBreakSettings(BreakSettings& settings) noexcept;

// Keeps NumAfterLow/NumAfterHigh in step with NumAfter; call after every change of it.
void ComputeNumAfterRange(BreakSettings& settings) noexcept;
