#include <windows.h>

#include "sjis_wide.h"

namespace {

struct PairTable {
  uint16_t codes[256][256] = {};

  PairTable() noexcept {
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead)
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) codes[lead][trail] = Decode(lead, trail);
  }

  static uint16_t Decode(unsigned lead, unsigned trail) noexcept {
    const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    wchar_t out[2] = {};
    if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, in, 2, out, 2) != 1) return 0;
    return static_cast<uint16_t>(out[0]);
  }
};

}  // namespace

uint16_t DecodeCp932Pair(unsigned char lead, unsigned char trail) noexcept {
  static const PairTable table;
  return table.codes[lead][trail];
}
