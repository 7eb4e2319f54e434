#include "dictionary/word_dictionary.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "dictionary/heap.h"
#include "dictionary/patterns.h"
#include "guard/line_text.h"

// Memory failures never leave the store half-changed: a registration that
// cannot get its pool, index or slot room is refused (0) before anything
// moves; a table build that cannot get its slots leaves every lead-byte record
// zero, so the pool and index stay whole (and save whole) while lookups
// answer 0 until the next build.

namespace {

constexpr int32_t kNewPoolBytes = 8192;
constexpr int32_t kNewIndexEntries = 2048;
constexpr int32_t kPoolSpare = 8192;
constexpr int32_t kIndexSpare = 1024;
constexpr int32_t kSlotSpare = 64;

const unsigned char* AsBytes(const char* text) noexcept {
  return reinterpret_cast<const unsigned char*>(text);
}

uint16_t KeyOf(const unsigned char* bytes) noexcept {
  return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

int32_t EntrySize(const WordDictionary& d, int32_t offset) noexcept {
  return 1 + EntryLength(d, offset);
}

bool EntryEquals(const WordDictionary& d, int32_t offset, const unsigned char* bytes,
                 int32_t n) noexcept {
  return EntryLength(d, offset) == n &&
         std::memcmp(EntryBytes(d, offset), bytes, static_cast<size_t>(n)) == 0;
}

bool IsWordEntry(const unsigned char* bytes, int32_t n) noexcept {
  return !IsCommentEntry(bytes, n) && !IsPatternEntry(bytes, n);
}

unsigned char AsciiLower(unsigned char b) noexcept {
  return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b - 'A' + 'a') : b;
}

// Length of a zero-terminated text, capped like an entry. Only the first 256
// bytes are looked at: the cap needs no more.
int32_t CappedTextLength(const char* text) noexcept {
  int32_t n = 0;
  while (n <= kMaxEntryLength && text[n] != '\0') ++n;
  return CapEntryLength(AsBytes(text), n);
}

bool GrowBlock(void** block, int32_t* capacity, int32_t count, size_t unit) noexcept {
  void* grown = HeapRealloc(*block, static_cast<size_t>(count) * unit);
  if (!grown) return false;
  *block = grown;
  *capacity = count;
  return true;
}

// Room for `count` offsets; a grown index gets 1024 to spare.
bool EnsureIndexRoom(WordDictionary& d, int32_t count) noexcept {
  if (d.indexCapacity >= count) return true;
  void* block = d.EntryIndex;
  if (!GrowBlock(&block, &d.indexCapacity, count + kIndexSpare, sizeof(int32_t))) return false;
  d.EntryIndex = static_cast<int32_t*>(block);
  return true;
}

// --- Lead-byte records -----------------------------------------------------

// Widens b's record by a word of n bytes with second byte s; returns the slots added.
int32_t WidenRange(LeadByteRange& r, unsigned char s, int32_t n) noexcept {
  const auto length = static_cast<uint8_t>(n);
  if (r.highest == 0) {
    r.lowest = r.highest = s;
    r.longest = length;
    return 1;
  }
  int32_t added = 0;
  if (s < r.lowest) {
    added += r.lowest - s;
    r.lowest = s;
  }
  if (s > r.highest) {
    added += s - r.highest;
    r.highest = s;
  }
  if (length > r.longest) r.longest = length;
  return added;
}

// Fills `table` from the words of the index; returns the slots they need.
int32_t MeasureWords(const WordDictionary& d, LeadByteRange* table, int32_t* longest) noexcept {
  std::memset(table, 0, sizeof(LeadByteRange) * kLeadByteCount);
  *longest = 0;
  int32_t slots = 0;
  for (int32_t i = 0; i < d.entryCount; ++i) {
    const int32_t offset = d.EntryIndex[i];
    const int32_t n = EntryLength(d, offset);
    const unsigned char* bytes = EntryBytes(d, offset);
    if (!IsWordEntry(bytes, n) || bytes[0] < kFirstLeadByte) continue;
    slots += WidenRange(table[bytes[0] - kFirstLeadByte], bytes[1], n);
    if (n > *longest) *longest = n;
  }
  return slots;
}

// Keeps the slot array when it is large enough, else replaces it with one
// of needed + 64 slots. False when that cannot be had (no array then).
bool EnsureSlotRoom(WordDictionary& d, int32_t needed) noexcept {
  if (d.SecondByteSlots && d.slotCapacity >= needed) return true;
  HeapFree(d.SecondByteSlots);
  d.SecondByteSlots = nullptr;
  d.slotCapacity = 0;
  if (needed == 0) return true;  // no run to lay out
  void* block = HeapAlloc0(static_cast<size_t>(needed + kSlotSpare) * sizeof(int32_t));
  if (!block) return false;
  d.SecondByteSlots = static_cast<int32_t*>(block);
  d.slotCapacity = needed + kSlotSpare;
  return true;
}

void LayOutRuns(WordDictionary& d) noexcept {
  int32_t next = 0;
  for (LeadByteRange& r : d.LeadByteTable) {
    if (r.highest == 0) continue;
    r.slots = next;
    next += r.highest - r.lowest + 1;
  }
}

// Each slot gets the 1-based position of the first word with its key.
void FillSlots(WordDictionary& d) noexcept {
  for (int32_t i = 0; i < d.entryCount; ++i) {
    const int32_t offset = d.EntryIndex[i];
    const unsigned char* bytes = EntryBytes(d, offset);
    if (!IsWordEntry(bytes, EntryLength(d, offset)) || bytes[0] < kFirstLeadByte) continue;
    const LeadByteRange& r = d.LeadByteTable[bytes[0] - kFirstLeadByte];
    int32_t& slot = d.SecondByteSlots[r.slots + (bytes[1] - r.lowest)];
    if (slot == 0) slot = i + 1;
  }
}

void CompilePatternLines(WordDictionary& d) noexcept {
  int32_t quiet = 0;  // one message per build
  for (int32_t i = 0; i < d.entryCount; ++i) {
    const int32_t offset = d.EntryIndex[i];
    const int32_t n = EntryLength(d, offset);
    const unsigned char* bytes = EntryBytes(d, offset);
    if (IsPatternEntry(bytes, n) && !CompilePatternEntry(d, bytes + 8, n - 8, quiet, offset))
      quiet = 1;
  }
}

// --- Look-up ---------------------------------------------------------------

// Index position of the first word with the key of bytes[0..1], or -1.
int32_t FirstWithKey(const WordDictionary& d, const unsigned char* bytes) noexcept {
  if (bytes[0] < kFirstLeadByte || !d.SecondByteSlots) return -1;
  const LeadByteRange& r = d.LeadByteTable[bytes[0] - kFirstLeadByte];
  if (r.highest == 0 || bytes[1] < r.lowest || bytes[1] > r.highest) return -1;
  return d.SecondByteSlots[r.slots + (bytes[1] - r.lowest)] - 1;
}

// An entry equal to bytes[0..n) among those the slot of its key leads to.
bool IsReachable(const WordDictionary& d, const unsigned char* bytes, int32_t n) noexcept {
  const uint16_t key = KeyOf(bytes);
  for (int32_t i = FirstWithKey(d, bytes); i >= 0 && i < d.entryCount; ++i) {
    const int32_t offset = d.EntryIndex[i];
    if (EntryKey(d, offset) != key) return false;
    if (EntryEquals(d, offset, bytes, n)) return true;
  }
  return false;
}

// --- Registration ----------------------------------------------------------

// Gets all the memory a registration of bytes[0..n) and the rebuild after it
// need, so that a refusal leaves the store as it was.
bool ReserveForOneMore(WordDictionary& d, const unsigned char* bytes, int32_t n) noexcept {
  if (!d.WordPool) {
    d.WordPool = static_cast<unsigned char*>(HeapAlloc0(kNewPoolBytes));
    if (!d.WordPool) return false;
    d.poolCapacity = kNewPoolBytes;
  }
  if (!d.EntryIndex) {
    d.EntryIndex = static_cast<int32_t*>(HeapAlloc0(kNewIndexEntries * sizeof(int32_t)));
    if (!d.EntryIndex) return false;
    d.indexCapacity = kNewIndexEntries;
  }
  if (d.poolCapacity < d.bytesUsed + n + 6) {
    void* block = d.WordPool;
    if (!GrowBlock(&block, &d.poolCapacity, d.bytesUsed + n + 6 + kPoolSpare, 1)) return false;
    d.WordPool = static_cast<unsigned char*>(block);
  }
  if (!EnsureIndexRoom(d, d.entryCount + 1)) return false;

  LeadByteRange table[kLeadByteCount];
  int32_t longest = 0;
  int32_t needed = MeasureWords(d, table, &longest);
  if (IsWordEntry(bytes, n)) needed += WidenRange(table[bytes[0] - kFirstLeadByte], bytes[1], n);
  if (d.SecondByteSlots && d.slotCapacity >= needed) return true;
  // The new array is had before the old one goes, so a failure changes nothing.
  void* block = HeapAlloc0(static_cast<size_t>(needed + kSlotSpare) * sizeof(int32_t));
  if (!block) return false;
  HeapFree(d.SecondByteSlots);
  d.SecondByteSlots = static_cast<int32_t*>(block);
  d.slotCapacity = needed + kSlotSpare;
  return true;
}

// --- Duplicates ------------------------------------------------------------

// A removed entry is marked by a zero first byte: no entry holds a NUL.
void MarkRemoved(WordDictionary& d, int32_t offset) noexcept { d.WordPool[offset + 1] = 0; }
bool IsMarked(const WordDictionary& d, int32_t offset) noexcept { return d.WordPool[offset + 1] == 0; }

// The index is sorted by the entries' bytes, so equal entries stand side by
// side, the survivor (first in index order) in front: one linear pass marks
// every entry equal to the one kept before it.
int32_t MarkDuplicates(WordDictionary& d) noexcept {
  int32_t marked = 0;
  int32_t kept = d.EntryIndex[0];
  for (int32_t i = 1; i < d.entryCount; ++i) {
    const int32_t offset = d.EntryIndex[i];
    if (EntryEquals(d, kept, EntryBytes(d, offset), EntryLength(d, offset))) {
      MarkRemoved(d, offset);
      ++marked;
    } else {
      kept = offset;
    }
  }
  return marked;
}

// Drops the marked entries in one pass, keeping the pool's order.
void CompactPool(WordDictionary& d) noexcept {
  int32_t write = 0;
  int32_t count = 0;
  for (int32_t read = 0; read < d.bytesUsed;) {
    const int32_t size = EntrySize(d, read);
    if (!IsMarked(d, read)) {
      if (write != read) std::memmove(d.WordPool + write, d.WordPool + read, static_cast<size_t>(size));
      write += size;
      ++count;
    }
    read += size;
  }
  d.bytesUsed = write;
  d.entryCount = count;
}

}  // namespace

int32_t CapEntryLength(const unsigned char* text, int32_t length) noexcept {
  if (length <= kMaxEntryLength) return length;
  return IsInsideDoubleByte(LineText{text, length}, kMaxEntryLength) ? kMaxEntryLength - 1
                                                                     : kMaxEntryLength;
}

bool IsCommentEntry(const unsigned char* bytes, int32_t n) noexcept {
  return n >= 2 && bytes[0] == '/' && bytes[1] == '/';
}

bool IsPatternEntry(const unsigned char* bytes, int32_t n) noexcept {
  static const char kPrefix[] = "[RegExp]";
  if (n < 8 || bytes[0] <= 0x20 || IsCommentEntry(bytes, n)) return false;
  for (int k = 0; k < 8; ++k)
    if (AsciiLower(bytes[k]) != AsciiLower(static_cast<unsigned char>(kPrefix[k]))) return false;
  return true;
}

void InitDictionary(WordDictionary& d, const DictionaryServices* services) noexcept {
  std::memset(&d, 0, sizeof d);
  d.services = services;
}

void ClearDictionary(WordDictionary& d) noexcept {
  ReleasePatterns(d);
  HeapFree(d.WordPool);
  HeapFree(d.EntryIndex);
  HeapFree(d.SecondByteSlots);
  d.WordPool = nullptr;
  d.EntryIndex = nullptr;
  d.SecondByteSlots = nullptr;
  d.poolCapacity = d.indexCapacity = d.slotCapacity = 0;
  d.bytesUsed = d.entryCount = d.longestWordLength = 0;
  d.dirty = 0;
  std::memset(d.LeadByteTable, 0, sizeof d.LeadByteTable);
}

void DestroyDictionary(WordDictionary& d) noexcept {
  FreePatternList(d.patterns);  // no call into the library while it unloads
  ClearDictionary(d);
}

void SortIndex(WordDictionary& d) noexcept {
  if (d.entryCount < 2) return;
  // By key, and within a key by the whole bytes (a prefix first): the search
  // at a break narrows a key's run by binary search instead of walking it.
  std::sort(d.EntryIndex, d.EntryIndex + d.entryCount,
            [&d](int32_t a, int32_t b) { return EntryBytesLess(d, a, b); });
}

void RebuildIndex(WordDictionary& d) noexcept {
  // When the index cannot grow, the entries it cannot hold are dropped from
  // the end of the pool, so that pool and index still describe each other.
  EnsureIndexRoom(d, d.entryCount);
  int32_t count = 0;
  int32_t offset = 0;
  while (offset < d.bytesUsed && count < d.indexCapacity) {
    d.EntryIndex[count++] = offset;
    offset += EntrySize(d, offset);
  }
  d.bytesUsed = offset;
  d.entryCount = count;
  SortIndex(d);
}

int32_t RemoveDuplicates(WordDictionary& d) noexcept {
  if (d.entryCount < 2) return 0;
  if (MarkDuplicates(d) == 0) return 0;
  CompactPool(d);
  RebuildIndex(d);  // the index never grows here
  d.dirty = 1;
  return 1;
}

void BuildLeadByteTable(WordDictionary& d) noexcept {
  ReleasePatterns(d);
  CompilePatternLines(d);
  const int32_t needed = MeasureWords(d, d.LeadByteTable, &d.longestWordLength);
  if (!EnsureSlotRoom(d, needed)) {
    std::memset(d.LeadByteTable, 0, sizeof d.LeadByteTable);
    d.longestWordLength = 0;
    return;
  }
  if (needed > 0) std::memset(d.SecondByteSlots, 0, static_cast<size_t>(needed) * sizeof(int32_t));
  LayOutRuns(d);
  FillSlots(d);
}

int32_t IsWord(const WordDictionary& d, const char* text) noexcept {
  if (!text) return 0;
  const unsigned char* bytes = AsBytes(text);
  const int32_t n = CappedTextLength(text);
  if (n < 2 || bytes[0] < 0x21 || bytes[0] > 0xFC) return 0;
  if (IsCommentEntry(bytes, n)) return 0;
  return IsReachable(d, bytes, n) ? 1 : 0;
}

int32_t RegistWord(WordDictionary& d, const char* text) noexcept {
  if (!text) return 0;
  const unsigned char* bytes = AsBytes(text);
  const int32_t n = CappedTextLength(text);
  if (n < 2 || bytes[0] < 0x21 || bytes[0] > 0xFC) return 0;
  if (IsReachable(d, bytes, n)) return 0;
  if (!ReserveForOneMore(d, bytes, n)) return 0;
  d.WordPool[d.bytesUsed] = static_cast<unsigned char>(n);
  std::memcpy(d.WordPool + d.bytesUsed + 1, bytes, static_cast<size_t>(n));
  d.bytesUsed += n + 1;
  d.entryCount += 1;
  RebuildIndex(d);
  BuildLeadByteTable(d);
  d.dirty = 1;
  return 1;
}

int32_t RemoveWord(WordDictionary& d, const char* text) noexcept {
  if (!text) return 0;
  const unsigned char* bytes = AsBytes(text);
  const int32_t n = CappedTextLength(text);
  if (n < 2) return 0;
  // One pass: every equal entry goes, the others move down over the gaps.
  int32_t write = 0;
  int32_t removed = 0;
  for (int32_t read = 0; read < d.bytesUsed;) {
    const int32_t size = EntrySize(d, read);
    if (EntryEquals(d, read, bytes, n)) {
      ++removed;
    } else {
      if (write != read) std::memmove(d.WordPool + write, d.WordPool + read, static_cast<size_t>(size));
      write += size;
    }
    read += size;
  }
  if (removed == 0) return 0;
  d.bytesUsed = write;
  d.entryCount -= removed;
  RebuildIndex(d);
  BuildLeadByteTable(d);
  d.dirty = 1;
  return 1;
}
