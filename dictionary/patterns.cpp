#include "dictionary/patterns.h"

#include <cstring>

#include "dictionary/heap.h"
#include "dictionary/message_sink.h"
#include "dictionary/word_dictionary.h"
#include "guard/break_check.h"

const char kPatternMalformedMessage[] =
    "分割禁止ワード用ファイルでの正規表現パターンの指定がおかしいです。Tarnixの詳しくはヘルプを参照ください。";
const char kPatternRefusedMessage[] =
    "分割禁止ワード用ファイルでの正規表現パターンの解釈でエラーが発生しました。Tarnixの詳しくはヘルプを参照ください。";

namespace {

constexpr int64_t kPatternBlockStep = 8192;
constexpr int32_t kMaxWidth = INT32_MAX;

// The library, only when every function we call is there.
const PatternLibrary* BoundLibrary(const WordDictionary& d) noexcept {
  if (!d.services) return nullptr;
  const PatternLibrary* library = d.services->patterns;
  if (!library || !library->open || !library->compile || !library->match || !library->close)
    return nullptr;
  return library;
}

// Makes room for `size` more bytes: the block grows to the smallest multiple of
// 8192 strictly above used + size. False, with the block as it was, on failure.
bool ReserveRoom(PatternList& list, int32_t size) noexcept {
  const int64_t needed =
      (int64_t{list.used} + size + kPatternBlockStep) / kPatternBlockStep * kPatternBlockStep;
  if (list.capacity >= needed) return true;
  if (needed > INT32_MAX) return false;
  void* grown = list.block ? HeapRealloc(list.block, static_cast<size_t>(needed))
                           : HeapAlloc0(static_cast<size_t>(needed));
  if (!grown) return false;
  list.block = static_cast<unsigned char*>(grown);
  list.records = reinterpret_cast<PatternEntry*>(list.block);
  list.capacity = static_cast<int32_t>(needed);
  return true;
}

void StoreInt32(JreRecord& record, int offset, int32_t value) noexcept {
  const auto v = static_cast<uint32_t>(value);
  for (int k = 0; k < 4; ++k) record.bytes[offset + k] = static_cast<unsigned char>(v >> (8 * k));
}

int32_t LoadInt32(const JreRecord& record, int offset) noexcept {
  uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v |= static_cast<uint32_t>(record.bytes[offset + k]) << (8 * k);
  return static_cast<int32_t>(v);
}

// Shows the message unless quiet; a shown error also drops the patterns so far.
int32_t ReportPatternError(WordDictionary& d, const char* message, int32_t quiet) noexcept {
  if (quiet) return 0;
  ShowMessage(d.services ? d.services->messages : nullptr, message);
  ReleasePatterns(d);
  return 0;
}

// Byte length of the character at pos, as the resumed search steps over it.
int32_t CharLengthAt(LineText text, int32_t pos) noexcept {
  if (IsLeadByte(ByteAt(text, pos))) return 2;
  if (IsWideEscape(text, pos)) return 4;
  return 1;
}

// The window [start, end) that one pattern of width n searches around the break.
// Computed in 64 bits: n may be as large as INT32_MAX.
void PatternWindow(LineText text, int32_t breakPos, int32_t lineEnd, int32_t n, int32_t* start,
                   int32_t* end) noexcept {
  const int64_t floor = WindowFloor(breakPos);
  const int64_t early = int64_t{breakPos} - (int64_t{n} - 1);
  const int32_t first = AlignCharUp(text, static_cast<int32_t>(early > floor ? early : floor));
  int64_t last = int64_t{first} + 2 * int64_t{n} - 1;
  if (last > lineEnd) last = lineEnd;
  // Bytes past the text are not the line's, whatever lineEnd says.
  if (last > text.length) last = text.length;
  if (last < first) last = first;
  *start = first;
  *end = first + AlignCharDown(TextFrom(text, first), static_cast<int32_t>(last - first));
}

// The first match of one pattern that starts before the break and reaches past
// it, or -1. Matches that end at or before the break are stepped over.
int32_t FirstSpanningMatch(const PatternLibrary& library, PatternEntry& entry, LineText text,
                           int32_t breakPos, int32_t lineEnd) noexcept {
  int32_t start = 0;
  int32_t end = 0;
  PatternWindow(text, breakPos, lineEnd, entry.width, &start, &end);
  // An empty window, or one that starts at the break, cannot hold a spanning match.
  if (end <= start || start >= breakPos) return -1;
  const char* bytes = reinterpret_cast<const char*>(text.bytes);
  while (start < breakPos) {
    StoreInt32(entry.record, kJreStartOffset, start);
    if (library.match(&entry.record, bytes, end, 0, 0) == 0) return -1;
    const int32_t m = LoadInt32(entry.record, kJrePositionOffset);
    const int32_t length = LoadInt32(entry.record, kJreLengthOffset);
    // A position below the start breaks the library's promise; it would never end.
    if (m < start || m >= breakPos) return -1;
    if (int64_t{m} + length > breakPos) return m;
    start = m + CharLengthAt(text, m);
  }
  return -1;
}

}  // namespace

void AppendPatternEntry(PatternList& list, const void* record, int32_t size) noexcept {
  if (!record || size <= 0) return;
  if (!ReserveRoom(list, size)) {
    FreePatternList(list);
    return;
  }
  std::memcpy(list.block + list.used, record, static_cast<size_t>(size));
  list.used += size;
}

void FreePatternList(PatternList& list) noexcept {
  if (!list.block) return;
  HeapFree(list.block);
  list.block = nullptr;
  list.records = nullptr;
  list.capacity = 0;
  list.used = 0;
}

int32_t CompilePatternEntry(WordDictionary& d, const unsigned char* bytes, int32_t count,
                            int32_t quiet, int32_t entryOffset) noexcept {
  // "N," then the pattern. N saturates rather than wrap round to a small width.
  int32_t pos = 0;
  int32_t width = 0;
  for (; pos < count && bytes[pos] >= '0' && bytes[pos] <= '9'; ++pos) {
    const int32_t digit = bytes[pos] - '0';
    width = width > (kMaxWidth - digit) / 10 ? kMaxWidth : width * 10 + digit;
  }
  if (width == 0 || pos >= count || bytes[pos] != ',')
    return ReportPatternError(d, kPatternMalformedMessage, quiet);
  ++pos;

  // Lines come from the store, so a pattern is shorter than an entry.
  char pattern[kMaxEntryLength + 1];
  const int32_t patternLength = count - pos;
  if (patternLength > kMaxEntryLength) return ReportPatternError(d, kPatternMalformedMessage, quiet);
  std::memcpy(pattern, bytes + pos, static_cast<size_t>(patternLength));
  pattern[patternLength] = '\0';

  // Without the library no pattern works: say so, as for a refused one.
  const PatternLibrary* library = BoundLibrary(d);
  if (!library) return ReportPatternError(d, kPatternRefusedMessage, quiet);

  PatternEntry entry;
  std::memset(&entry, 0, sizeof entry);
  entry.width = width;
  entry.entryOffset = entryOffset;
  StoreInt32(entry.record, kJreSizeOffset, kJreRecordSize);
  library->open(&entry.record);
  if (library->compile(&entry.record, pattern) == 0)
    return ReportPatternError(d, kPatternRefusedMessage, quiet);

  // Out of memory empties the list; close what it held first, so the library
  // keeps nothing for records that are gone.
  if (!ReserveRoom(d.patterns, static_cast<int32_t>(sizeof entry))) {
    library->close(&entry.record);
    ReleasePatterns(d);
    return 1;
  }
  AppendPatternEntry(d.patterns, &entry, static_cast<int32_t>(sizeof entry));
  return 1;
}

void ReleasePatterns(WordDictionary& d) noexcept {
  const PatternLibrary* library = BoundLibrary(d);
  const int32_t n = PatternCount(d.patterns);
  for (int32_t i = 0; library && i < n; ++i) library->close(&d.patterns.records[i].record);
  FreePatternList(d.patterns);
}

int32_t FindPatternAcrossBreak(WordDictionary& d, LineText text, int32_t breakPos,
                               int32_t lineEnd, int32_t* patternOffset) noexcept {
  const int32_t n = PatternCount(d.patterns);
  if (n == 0) return 0;
  const PatternLibrary* library = BoundLibrary(d);
  if (!library) return 0;
  int32_t best = -1;
  for (int32_t i = 0; i < n; ++i) {
    PatternEntry& entry = d.patterns.records[i];
    const int32_t m = FirstSpanningMatch(*library, entry, text, breakPos, lineEnd);
    if (m >= 0 && (best < 0 || m < best)) {
      best = m;
      if (patternOffset) *patternOffset = entry.entryOffset;
    }
  }
  return best < 0 ? 0 : best;
}
