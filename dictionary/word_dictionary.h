// The word store: entries of the word file (words, "//" comments and
// "[RegExp]" pattern lines) in one pool, an index sorted by their first two
// bytes, and per-first-byte tables that let the break check find candidate
// words with two look-ups.
#pragma once
#include <cstdint>

#include "dictionary/message_sink.h"
#include "dictionary/patterns.h"

struct LeadByteRange {
  int32_t slots;     // first slot of this byte's run in SecondByteSlots (when highest != 0)
  uint8_t lowest;    // smallest second byte of a word with this first byte
  uint8_t highest;   // largest; 0: no word begins with this byte
  uint8_t longest;   // longest word with this first byte
};

constexpr int kFirstLeadByte = 0x21;
constexpr int kLeadByteCount = 223;  // first bytes 0x21..0xFF
constexpr int kMaxEntryLength = 255;

struct FileSystem;

// What the dictionary needs from outside; any member may be null.
struct DictionaryServices {
  const PatternLibrary* patterns;  // null or all-null: no pattern library
  const MessageSink* messages;
  FileSystem* files;
};

struct WordDictionary {
  unsigned char* WordPool;   // entries back to back: length byte n (2..255), n bytes
  int32_t poolCapacity;
  int32_t bytesUsed;
  int32_t entryCount;
  int32_t longestWordLength;
  int32_t* EntryIndex;       // pool offsets, sorted by entry key
  int32_t indexCapacity;
  int32_t dirty;
  LeadByteRange LeadByteTable[kLeadByteCount];
  int32_t* SecondByteSlots;  // 1-based index positions; 0: no word
  int32_t slotCapacity;
  PatternList patterns;
  char wordFilePath[260];
  uint64_t keptFileTime;     // last-write time, 100 ns units
  const DictionaryServices* services;
  // 1 when the last load of the word file failed: the file may hold lines the
  // store lacks, so a save must not replace it.
  int32_t loadFailed;
};

// Entry helpers.
inline int32_t EntryLength(const WordDictionary& d, int32_t offset) noexcept {
  return d.WordPool[offset];
}
inline const unsigned char* EntryBytes(const WordDictionary& d, int32_t offset) noexcept {
  return d.WordPool + offset + 1;
}
inline uint16_t EntryKey(const WordDictionary& d, int32_t offset) noexcept {
  return static_cast<uint16_t>(d.WordPool[offset + 1] << 8 | d.WordPool[offset + 2]);
}

// Texts longer than 255 bytes are cut to 255, or 254 when byte 254 begins a
// double-byte character. Returns the capped length.
int32_t CapEntryLength(const unsigned char* text, int32_t length) noexcept;

bool IsCommentEntry(const unsigned char* bytes, int32_t n) noexcept;
bool IsPatternEntry(const unsigned char* bytes, int32_t n) noexcept;

void InitDictionary(WordDictionary& d, const DictionaryServices* services) noexcept;
void ClearDictionary(WordDictionary& d) noexcept;
void DestroyDictionary(WordDictionary& d) noexcept;
void SortIndex(WordDictionary& d) noexcept;
void RebuildIndex(WordDictionary& d) noexcept;
int32_t RemoveDuplicates(WordDictionary& d) noexcept;
void BuildLeadByteTable(WordDictionary& d) noexcept;
int32_t IsWord(const WordDictionary& d, const char* text) noexcept;
int32_t RegistWord(WordDictionary& d, const char* text) noexcept;
int32_t RemoveWord(WordDictionary& d, const char* text) noexcept;

// The index order: entry bytes compared as unsigned strings, a prefix before
// its extensions. Its first two bytes make the entry key, so this refines
// the order by key.
inline bool EntryBytesLess(const WordDictionary& d, int32_t a, int32_t b) noexcept {
  const int32_t na = EntryLength(d, a);
  const int32_t nb = EntryLength(d, b);
  const unsigned char* pa = EntryBytes(d, a);
  const unsigned char* pb = EntryBytes(d, b);
  for (int32_t k = 0, n = na < nb ? na : nb; k < n; ++k)
    if (pa[k] != pb[k]) return pa[k] < pb[k];
  return na < nb;
}
