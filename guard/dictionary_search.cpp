#include "guard/dictionary_search.h"

#include <cstring>

#include "dictionary/patterns.h"
#include "dictionary/word_dictionary.h"

namespace {

// The entry's bytes from the third on equal the text's; the first two are
// known equal. Bytes past the text's end read as 0, which no entry holds.
bool RestEquals(LineText text, int32_t pos, const unsigned char* entry, int32_t n) noexcept {
  if (static_cast<int64_t>(pos) + n <= text.length)
    return std::memcmp(text.bytes + pos + 2, entry + 2, static_cast<size_t>(n - 2)) == 0;
  for (int32_t k = 2; k < n; ++k)
    if (ByteAt(text, static_cast<int64_t>(pos) + k) != entry[k]) return false;
  return true;
}

// First index position of the words with key (b, s), or -1.
int32_t SlotFor(const WordDictionary& d, unsigned char b, unsigned char s, int32_t room) noexcept {
  if (b <= 0x20) return -1;  // space, control byte, escape: no word begins here
  const LeadByteRange& range = d.LeadByteTable[b - kFirstLeadByte];
  if (range.longest <= room) return -1;  // no word with this first byte reaches the break
  if (s < range.lowest || s > range.highest) return -1;
  return d.SecondByteSlots[range.slots + (s - range.lowest)] - 1;
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
        const uint16_t key = static_cast<uint16_t>(b << 8 | ByteAt(text, pos + 1));
        for (int32_t i = first; i < d.entryCount && EntryKey(d, d.EntryIndex[i]) == key; ++i) {
          const int32_t offset = d.EntryIndex[i];
          const int32_t n = EntryLength(d, offset);
          if (n > room && n <= static_cast<int64_t>(lineEnd) - pos &&
              RestEquals(text, pos, EntryBytes(d, offset), n)) {
            if (trace) *trace = {BreakDecider::DictionaryWord, offset};
            return pos;
          }
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
