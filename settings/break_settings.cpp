#include "settings/break_settings.h"

#include <cstring>

// Spelled in bytes so the table does not depend on the compiler's execution charset.
const char kDefaultNumAfter[53] =
    "\x94\x4e\x8c\x8e\x93\xfa\x8e\x9e\x95\xaa\x89\x7e\x89\xf1\x8a\x4b\x94\x7b"
    "\x96\x9c\x90\xe7\x95\x53\x89\xad\x92\x9b\x8c\x8f\x92\xca\x90\x6c\x8c\x85"
    "\x8d\x73\x8c\xc2\x93\x5f\x8d\xfb\x96\xbc\x96\x87\x88\xca\x8d\x86";

void InitBreakSettings(BreakSettings& settings) noexcept {
  std::memset(&settings, 0, sizeof settings);
  settings.TarnixKatakanaMax = 10;
  settings.NumAfterLow = 0xFFFF;
  settings.NumAfterHigh = 0;
}

void ComputeNumAfterRange(BreakSettings& settings) noexcept {
  uint16_t low = 0xFFFF;
  uint16_t high = 0;
  // The field may hold a value read without a terminator: never look past it.
  const auto* s = reinterpret_cast<const unsigned char*>(settings.NumAfter);
  const size_t n = strnlen(settings.NumAfter, sizeof settings.NumAfter);
  for (size_t i = 0; i < n;) {
    const unsigned char lead = s[i];
    const bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    if (isLead && i + 1 < n && s[i + 1] >= 0x40) {
      const auto code = static_cast<uint16_t>(lead << 8 | s[i + 1]);
      if (code < low) low = code;
      if (code > high) high = code;
      i += 2;
    } else {
      i += 1;
    }
  }
  settings.NumAfterLow = low;
  settings.NumAfterHigh = high;
}
