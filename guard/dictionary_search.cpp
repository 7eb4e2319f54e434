#include "guard/dictionary_search.h"

#include "dictionary/patterns.h"
#include "dictionary/word_dictionary.h"

namespace {

// First index position of the words with key (b, s), or -1.
int32_t SlotFor(const WordDictionary& d, unsigned char b, unsigned char s, int32_t room) noexcept {
  if (b <= 0x20) return -1;  // space, control byte, escape: no word begins here
  const LeadByteRange& range = d.LeadByteTable[b - kFirstLeadByte];
  if (range.longest <= room) return -1;  // no word with this first byte reaches the break
  if (s < range.lowest || s > range.highest) return -1;
  return d.SecondByteSlots[range.slots + (s - range.lowest)] - 1;
}

unsigned char EntryByte(const WordDictionary& d, int32_t position, int32_t k) noexcept {
  return EntryBytes(d, d.EntryIndex[position])[k];
}

// End of the run of index positions that share the key of `first`: most
// runs are short, so gallop before bisecting (each probe is a pool read).
int32_t KeyRunEnd(const WordDictionary& d, int32_t first) noexcept {
  const uint16_t key = EntryKey(d, d.EntryIndex[first]);
  int32_t lo = first + 1;  // positions below lo have the key
  int32_t step = 1;
  int32_t hi = lo;
  for (;;) {
    hi = lo - 1 + step;
    if (hi >= d.entryCount) { hi = d.entryCount; break; }
    if (EntryKey(d, d.EntryIndex[hi]) != key) break;
    lo = hi + 1;
    step *= 2;
  }
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (EntryKey(d, d.EntryIndex[mid]) == key) lo = mid + 1; else hi = mid;
  }
  return lo;
}

// Within [lo, hi), where every entry is longer than k and they share their
// first k bytes (so they are ordered by byte k), the positions whose byte k is c.
void NarrowByByte(const WordDictionary& d, int32_t k, unsigned char c, int32_t* lo, int32_t* hi) noexcept {
  int32_t a = *lo, b = *hi;
  while (a < b) {  // first byte k >= c
    const int32_t mid = a + (b - a) / 2;
    if (EntryByte(d, mid, k) < c) a = mid + 1; else b = mid;
  }
  int32_t e = a, f = *hi;
  while (e < f) {  // first byte k > c
    const int32_t mid = e + (f - e) / 2;
    if (EntryByte(d, mid, k) <= c) e = mid + 1; else f = mid;
  }
  *lo = a;
  *hi = e;
}

// A word of the key run [first, end) that equals the text from pos, is
// longer than room and fits before lineEnd. The run is sorted by its bytes,
// so the entries that are prefixes of the text are found by narrowing the
// run one byte at a time, as a walk down a trie would.
int32_t SpanningWord(const WordDictionary& d, LineText text, int32_t pos, int32_t room,
                     int64_t fits, int32_t first) noexcept {
  int32_t lo = first;
  int32_t hi = KeyRunEnd(d, first);
  const int64_t longest = fits < kMaxEntryLength ? fits : kMaxEntryLength;
  for (int32_t k = 2;; ++k) {
    // Entries of exactly k bytes equal the text's first k bytes and sort first.
    for (; lo < hi && EntryLength(d, d.EntryIndex[lo]) == k; ++lo)
      if (k > room && k <= fits) return d.EntryIndex[lo];
    if (lo >= hi || k >= longest) return -1;
    NarrowByByte(d, k, ByteAt(text, static_cast<int64_t>(pos) + k), &lo, &hi);
  }
}

}  // namespace

int32_t FindWordAtBreak(WordDictionary& d, LineText text, int32_t breakPos, int32_t lineEnd,
                        BreakTrace* trace) noexcept {
  if (d.longestWordLength > 0 && d.entryCount > 0) {
    // Words that begin before this point cannot reach past the break.
    int64_t start = WindowFloor(breakPos);
    if (breakPos - start > d.longestWordLength - 1) start = breakPos - (d.longestWordLength - 1);
    int32_t pos = AlignCharUp(text, static_cast<int32_t>(start));
    while (pos < breakPos) {
      const int32_t room = breakPos - pos;
      const unsigned char b = ByteAt(text, pos);
      const int32_t first =
          static_cast<int64_t>(pos) + 2 <= lineEnd ? SlotFor(d, b, ByteAt(text, pos + 1), room) : -1;
      if (first >= 0) {
        const int32_t offset =
            SpanningWord(d, text, pos, room, static_cast<int64_t>(lineEnd) - pos, first);
        if (offset >= 0) {
          if (trace) *trace = {BreakDecider::DictionaryWord, offset};
          return pos;
        }
      }
      // The character walk, except that an escape counts only when it ends before the break.
      if (IsLeadByte(b))
        pos += 2;
      else if (room >= 4 && IsWideEscape(text, pos))
        pos += 4;
      else
        pos += 1;
    }
  }
  int32_t patternOffset = -1;
  const int32_t found = FindPatternAcrossBreak(d, text, breakPos, lineEnd, &patternOffset);
  if (found != 0 && trace) *trace = {BreakDecider::Pattern, patternOffset};
  return found;
}
