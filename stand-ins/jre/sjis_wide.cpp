#include "sjis_wide.h"

namespace {

constexpr unsigned char kEscapeByte = 0x1A;
// Bytes that stand for no character of their own map into the private-use
// area, clear of the range CP932 gives its user-defined characters (U+E000-U+E757).
constexpr wchar_t kLoneBytePrivate = 0xF700;    // + byte: 0x80, 0xA0, 0xFD-0xFF
constexpr wchar_t kBadPairPrivate = 0xF800;     // + second byte of an unmapped pair

bool IsLead(unsigned char b) noexcept { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The escape test, one byte at a time: a NUL fails it, so it never reads past one.
bool IsEscapeAt(const unsigned char* p) noexcept {
  return p[0] == kEscapeByte && (p[1] & 0x80) != 0 && (p[2] & 0x80) != 0 && (p[3] & 0x74) == 0x04;
}

wchar_t EscapeCode(const unsigned char* p) noexcept {
  const unsigned low = (p[1] & 0x7Fu) | (p[3] & 0x01u) << 7;
  const unsigned high = (p[2] & 0x7Fu) | (p[3] & 0x02u) << 6;
  return static_cast<wchar_t>(high << 8 | low);
}

wchar_t SingleByteCode(unsigned char b) noexcept {
  if (b < 0x80) return static_cast<wchar_t>(b);
  if (b >= 0xA1 && b <= 0xDF) return static_cast<wchar_t>(0xFF61 + (b - 0xA1));  // half-width kana
  return static_cast<wchar_t>(kLoneBytePrivate + b);
}

wchar_t PairCode(unsigned char lead, unsigned char trail) noexcept {
  const uint16_t code = DecodeCp932Pair(lead, trail);
  return code != 0 ? static_cast<wchar_t>(code) : static_cast<wchar_t>(kBadPairPrivate + trail);
}

}  // namespace

bool TranscodeText(const unsigned char* text, int64_t limit, WideText& out) {
  out.units.clear();
  out.offsets.clear();
  int64_t pos = 0;
  bool cut = false;
  while ((limit < 0 || pos < limit) && text[pos] != 0) {
    const unsigned char* p = text + pos;
    int64_t width = 1;
    wchar_t code = 0;
    if (IsLead(p[0])) {
      width = 2;
      if (p[1] == 0) {
        cut = true;
        break;
      }
      code = PairCode(p[0], p[1]);
    } else if (IsEscapeAt(p)) {
      width = 4;
      code = EscapeCode(p);
    } else {
      code = SingleByteCode(p[0]);
    }
    if (limit >= 0 && pos + width > limit) {
      cut = true;
      break;
    }
    out.units.push_back(code);
    out.offsets.push_back(static_cast<int32_t>(pos));
    pos += width;
  }
  out.offsets.push_back(static_cast<int32_t>(pos));
  return !cut;
}
