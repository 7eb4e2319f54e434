#include "cli/encoding.h"

#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "guard/line_text.h"

namespace {

// One converter each way for the process; iconv keeps no state between
// characters here because every call converts one whole character.
struct Converters {
  iconv_t toHost;
  iconv_t toUtf8;
};

bool IsOpen(iconv_t cd) { return cd != reinterpret_cast<iconv_t>(static_cast<intptr_t>(-1)); }

Converters& TheConverters() {
  static Converters converters{iconv_open("CP932", "UTF-8"), iconv_open("UTF-8", "CP932")};
  return converters;
}

// Converts one whole character; false when the target cannot hold it.
bool ConvertOne(iconv_t cd, std::string_view in, std::string* out) {
  if (!IsOpen(cd)) return false;
  char inBuffer[8];
  char outBuffer[16];
  if (in.size() > sizeof inBuffer) return false;
  std::memcpy(inBuffer, in.data(), in.size());
  char* inPtr = inBuffer;
  char* outPtr = outBuffer;
  size_t inLeft = in.size();
  size_t outLeft = sizeof outBuffer;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
    return false;
  if (outPtr == outBuffer) return false;
  out->append(outBuffer, static_cast<size_t>(outPtr - outBuffer));
  return true;
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 character at `at` (1 to 4) with its code
// point; 0 when the bytes there are malformed.
int DecodeUtf8(std::string_view s, size_t at, uint32_t* cp) {
  const auto b0 = static_cast<unsigned char>(s[at]);
  int length = 0;
  uint32_t low = 0x80;  // smallest allowed second byte
  uint32_t high = 0xBF;
  if (b0 < 0x80) {
    *cp = b0;
    return 1;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF) length = 2;
  else if (b0 >= 0xE0 && b0 <= 0xEF) length = 3;
  else if (b0 >= 0xF0 && b0 <= 0xF4) length = 4;
  else return 0;
  if (b0 == 0xE0) low = 0xA0;  // overlong
  if (b0 == 0xED) high = 0x9F;  // surrogates
  if (b0 == 0xF0) low = 0x90;  // overlong
  if (b0 == 0xF4) high = 0x8F;  // above U+10FFFF
  if (at + static_cast<size_t>(length) > s.size()) return 0;
  const auto b1 = static_cast<unsigned char>(s[at + 1]);
  if (b1 < low || b1 > high) return 0;
  uint32_t code = b0 & (0x7Fu >> length);
  for (int k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(s[at + static_cast<size_t>(k)]);
    if (!IsContinuation(b)) return 0;
    code = code << 6 | (b & 0x3Fu);
  }
  *cp = code;
  return length;
}

void AppendUtf8(std::string* out, uint32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | cp >> 6));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | cp >> 12));
    out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | cp >> 18));
    out->push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// "\xNN" for a byte that stands for nothing, "\uNNNN" for a code shown as such.
void AppendShownByte(std::string* out, unsigned value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\x%02X", value);
  out->append(buffer);
}

void AppendShownCode(std::string* out, unsigned value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04X", value);
  out->append(buffer);
}

bool IsHighSurrogate(uint32_t code) { return code >= 0xD800 && code <= 0xDBFF; }
bool IsLowSurrogate(uint32_t code) { return code >= 0xDC00 && code <= 0xDFFF; }

LineText AsLineText(std::string_view host) {
  return LineText{reinterpret_cast<const unsigned char*>(host.data()),
                  static_cast<int32_t>(host.size())};
}

// The character at an escape; returns the bytes it took (4, or 8 for a pair).
int32_t AppendEscapeShown(LineText text, int32_t pos, std::string* out) {
  const uint32_t code = DecodeWideEscape(text, pos);
  if (IsHighSurrogate(code) && IsWideEscape(text, pos + 4)) {
    const uint32_t low = DecodeWideEscape(text, pos + 4);
    if (IsLowSurrogate(low)) {
      AppendUtf8(out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
      return 8;
    }
  }
  if (code == 0 || IsHighSurrogate(code) || IsLowSurrogate(code))
    AppendShownCode(out, code);
  else
    AppendUtf8(out, code);
  return 4;
}

}  // namespace

void AppendWideEscape(std::string* host, uint16_t code) {
  const unsigned low = code & 0xFFu;
  const unsigned high = code >> 8;
  host->push_back(0x1A);
  host->push_back(static_cast<char>(0x80 | (low & 0x7F)));
  host->push_back(static_cast<char>(0x80 | (high & 0x7F)));
  host->push_back(static_cast<char>(0x04 | (low >> 7 & 1) | (high >> 7 & 1) << 1));
}

bool Utf8ToHost(std::string_view utf8, std::string* host, std::vector<CharSpan>* chars,
                size_t* badOffset) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t at = 0; at < utf8.size();) {
    uint32_t cp = 0;
    const int length = DecodeUtf8(utf8, at, &cp);
    if (length == 0) {
      if (badOffset) *badOffset = at;
      return false;
    }
    const size_t hostStart = out.size();
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp > 0xFFFF) {
      AppendWideEscape(&out, static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      AppendWideEscape(&out, static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else if (!ConvertOne(TheConverters().toHost, utf8.substr(at, static_cast<size_t>(length)),
                           &out)) {
      AppendWideEscape(&out, static_cast<uint16_t>(cp));
    }
    if (chars)
      chars->push_back(CharSpan{static_cast<int32_t>(hostStart),
                                static_cast<int32_t>(out.size() - hostStart), at});
    at += static_cast<size_t>(length);
  }
  *host = std::move(out);
  return true;
}

std::vector<CharSpan> HostChars(std::string_view host) {
  const LineText text = AsLineText(host);
  std::vector<CharSpan> chars;
  for (int32_t pos = 0; pos < text.length;) {
    int32_t length = 1;
    if (IsLeadByte(ByteAt(text, pos))) length = 2;
    else if (IsWideEscape(text, pos)) length = 4;
    if (length > text.length - pos) length = text.length - pos;
    chars.push_back(CharSpan{pos, length, static_cast<size_t>(pos)});
    pos += length;
  }
  return chars;
}

std::string HostToUtf8(std::string_view host) {
  const LineText text = AsLineText(host);
  std::string out;
  for (int32_t pos = 0; pos < text.length;) {
    const unsigned char b = ByteAt(text, pos);
    if (IsWideEscape(text, pos)) {
      pos += AppendEscapeShown(text, pos, &out);
      continue;
    }
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++pos;
      continue;
    }
    const int32_t length = IsLeadByte(b) && pos + 1 < text.length ? 2 : 1;
    if (ConvertOne(TheConverters().toUtf8, host.substr(static_cast<size_t>(pos),
                                                       static_cast<size_t>(length)),
                   &out)) {
      pos += length;
    } else {
      AppendShownByte(&out, b);
      ++pos;
    }
  }
  return out;
}

bool ToHost(TextEncoding encoding, std::string_view text, std::string* host, size_t* badOffset) {
  if (encoding == TextEncoding::Cp932) {
    host->assign(text);
    return true;
  }
  return Utf8ToHost(text, host, nullptr, badOffset);
}

std::string FromHost(TextEncoding encoding, std::string_view host) {
  if (encoding == TextEncoding::Cp932) return std::string(host);
  return HostToUtf8(host);
}
