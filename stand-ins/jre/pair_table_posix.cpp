#include <iconv.h>

#include <cstring>

#include "sjis_wide.h"

namespace {

struct PairTable {
  uint16_t codes[256][256] = {};

  PairTable() noexcept {
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead)
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) codes[lead][trail] = Decode(cd, lead, trail);
    iconv_close(cd);
  }

  static uint16_t Decode(iconv_t cd, unsigned lead, unsigned trail) noexcept {
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    unsigned char out[4] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = sizeof in;
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || outLeft != 0)
      return 0;
    if (out[2] != 0 || out[3] != 0) return 0;  // CP932 stays within 16 bits
    return static_cast<uint16_t>(out[0] | out[1] << 8);
  }
};

}  // namespace

uint16_t DecodeCp932Pair(unsigned char lead, unsigned char trail) noexcept {
  static const PairTable table;
  return table.codes[lead][trail];
}
