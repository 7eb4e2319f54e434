// Stand-in for the host's regular-expression library: the five functions the
// extension binds, on std::wregex (ECMAScript). Text and pattern are turned
// into one wide character per Shift_JIS character first, so a match never
// begins or ends inside a double-byte character or an escape.
#include <cstring>
#include <new>
#include <regex>

#include "dictionary/patterns.h"
#include "sjis_wide.h"

#ifdef _WIN32
#define JRE_EXPORT extern "C"
#else
#define JRE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The exports, with the signatures the extension binds them by.
JRE_EXPORT int VX_CALL Jre2Open(JreRecord* r);
JRE_EXPORT int VX_CALL Jre2Compile(JreRecord* r, const char* pattern);
JRE_EXPORT int VX_CALL Jre2GetMatchInfo(JreRecord* r, const char* text);
#ifndef VX_JRE_WITHOUT_V318
JRE_EXPORT int VX_CALL Jre2GetMatchInfo_V318(JreRecord* r, const char* text, int32_t end,
                                             int32_t zero1, int32_t zero2);
#endif
JRE_EXPORT int VX_CALL Jre2Close(JreRecord* r);

namespace {

// Our bytes of the record (the extension owns 0-3, 8-11, 20-27): a mark set by
// Jre2Open and the address of the compiled expression. The record is moved by
// plain copies, so it holds nothing that points back at itself.
constexpr int kMarkOffset = 32;
constexpr int kRegexOffset = 40;
constexpr uint32_t kOpenMark = 0x524A5856;  // "VXJR"
// Characters searched from the start on; far more than a protected word needs.
constexpr size_t kMaxSubjectChars = 512;

static_assert(kRegexOffset + sizeof(void*) <= kJreRecordSize, "record too small for our state");

uint32_t LoadU32(const JreRecord* r, int offset) noexcept {
  uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v |= static_cast<uint32_t>(r->bytes[offset + k]) << (8 * k);
  return v;
}

void StoreU32(JreRecord* r, int offset, uint32_t v) noexcept {
  for (int k = 0; k < 4; ++k) r->bytes[offset + k] = static_cast<unsigned char>(v >> (8 * k));
}

std::wregex* RegexOf(const JreRecord* r) noexcept {
  std::wregex* re = nullptr;
  std::memcpy(&re, r->bytes + kRegexOffset, sizeof re);
  return re;
}

void SetRegex(JreRecord* r, std::wregex* re) noexcept {
  std::memcpy(r->bytes + kRegexOffset, &re, sizeof re);
}

bool IsOpened(const JreRecord* r) noexcept {
  return r && LoadU32(r, 0) == kJreRecordSize && LoadU32(r, kMarkOffset) == kOpenMark;
}

// Searches from the start field up to `limit` bytes (negative: up to the NUL).
int Match(JreRecord* r, const char* text, int64_t limit) {
  if (!IsOpened(r) || !text) return 0;
  const std::wregex* re = RegexOf(r);
  if (!re) return 0;
  WideText wide;
  TranscodeText(reinterpret_cast<const unsigned char*>(text), limit, wide);
  // A start inside a character moves on to the next character.
  const int64_t start = static_cast<int32_t>(LoadU32(r, kJreStartOffset));
  size_t first = 0;
  while (first < wide.units.size() && wide.offsets[first] < start) ++first;
  if (start > wide.offsets.back()) return 0;

  // The engine recurses once per character it consumes: a long subject would
  // overflow the stack. Beyond the cap the line goes on, so it is no line end.
  auto flags = first > 0 ? std::regex_constants::match_prev_avail
                         : std::regex_constants::match_default;
  size_t last = wide.units.size();
  if (last - first > kMaxSubjectChars) {
    last = first + kMaxSubjectChars;
    flags |= std::regex_constants::match_not_eol | std::regex_constants::match_not_eow;
  }
  const auto begin = wide.units.cbegin();
  std::match_results<std::wstring::const_iterator> m;
  if (!std::regex_search(begin + static_cast<std::ptrdiff_t>(first),
                         begin + static_cast<std::ptrdiff_t>(last), m, *re, flags))
    return 0;
  const size_t at = first + static_cast<size_t>(m.position(0));
  const size_t past = at + static_cast<size_t>(m.length(0));
  StoreU32(r, kJrePositionOffset, static_cast<uint32_t>(wide.offsets[at]));
  StoreU32(r, kJreLengthOffset, static_cast<uint32_t>(wide.offsets[past] - wide.offsets[at]));
  return 1;
}

}  // namespace

JRE_EXPORT int VX_CALL Jre2Open(JreRecord* r) {
  if (!r || LoadU32(r, 0) != kJreRecordSize) return 0;
  StoreU32(r, kMarkOffset, kOpenMark);
  SetRegex(r, nullptr);
  return 1;
}

JRE_EXPORT int VX_CALL Jre2Compile(JreRecord* r, const char* pattern) {
  if (!IsOpened(r) || !pattern) return 0;
  try {
    delete RegexOf(r);
    SetRegex(r, nullptr);
    WideText wide;
    if (!TranscodeText(reinterpret_cast<const unsigned char*>(pattern), -1, wide)) return 0;
    // Refused: nothing is left in the record to release.
    std::wregex* re = new std::wregex(wide.units, std::regex_constants::ECMAScript);
    SetRegex(r, re);
    return 1;
  } catch (...) {
    return 0;
  }
}

JRE_EXPORT int VX_CALL Jre2GetMatchInfo(JreRecord* r, const char* text) {
  try {
    return Match(r, text, -1);
  } catch (...) {
    return 0;
  }
}

#ifndef VX_JRE_WITHOUT_V318
JRE_EXPORT int VX_CALL Jre2GetMatchInfo_V318(JreRecord* r, const char* text, int32_t end, int32_t,
                                             int32_t) {
  try {
    return Match(r, text, end < 0 ? 0 : end);
  } catch (...) {
    return 0;
  }
}
#endif

JRE_EXPORT int VX_CALL Jre2Close(JreRecord* r) {
  if (!IsOpened(r)) return 0;
  delete RegexOf(r);
  SetRegex(r, nullptr);
  return 1;
}
