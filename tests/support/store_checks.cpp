#include "support/store_checks.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

std::string EntryText(const WordDictionary& d, int32_t offset) {
  return std::string(reinterpret_cast<const char*>(EntryBytes(d, offset)),
                     static_cast<size_t>(EntryLength(d, offset)));
}

bool IsWordText(const WordDictionary& d, int32_t offset) {
  return !IsCommentEntry(EntryBytes(d, offset), EntryLength(d, offset)) &&
         !IsPatternEntry(EntryBytes(d, offset), EntryLength(d, offset));
}

std::string PoolFault(const WordDictionary& d, std::set<int32_t>* offsets) {
  int32_t offset = 0;
  while (offset < d.bytesUsed) {
    const int32_t n = EntryLength(d, offset);
    if (n < 2 || n > 255) return "entry length out of range at " + std::to_string(offset);
    if (offset + 1 + n > d.bytesUsed) return "entry runs past bytes used";
    const unsigned char* bytes = EntryBytes(d, offset);
    if (bytes[0] < 0x21 || bytes[0] > 0xFC) return "first byte out of range at " + std::to_string(offset);
    if (std::memchr(bytes, 0, static_cast<size_t>(n))) return "NUL in entry";
    offsets->insert(offset);
    offset += 1 + n;
  }
  if (d.bytesUsed > d.poolCapacity) return "bytes used beyond capacity";
  if (static_cast<int32_t>(offsets->size()) != d.entryCount) return "entry count differs from the pool";
  return "";
}

std::string IndexFault(const WordDictionary& d, const std::set<int32_t>& offsets) {
  if (d.entryCount > d.indexCapacity) return "index smaller than entry count";
  std::set<int32_t> seen;
  for (int32_t i = 0; i < d.entryCount; ++i) {
    const int32_t offset = d.EntryIndex[i];
    if (!offsets.count(offset)) return "index offset is no entry: " + std::to_string(offset);
    if (!seen.insert(offset).second) return "offset indexed twice";
    if (i > 0 && EntryKey(d, d.EntryIndex[i - 1]) > EntryKey(d, offset)) return "index not sorted";
    if (i > 0 && EntryBytesLess(d, offset, d.EntryIndex[i - 1])) return "key run not sorted by bytes";
  }
  return "";
}

std::string TableFault(const WordDictionary& d) {
  LeadByteRange expected[kLeadByteCount] = {};
  int32_t longest = 0;
  std::vector<int32_t> firstOfKey(65536, 0);
  for (int32_t i = 0; i < d.entryCount; ++i) {
    const int32_t offset = d.EntryIndex[i];
    if (!IsWordText(d, offset)) continue;
    const unsigned char* bytes = EntryBytes(d, offset);
    const auto n = static_cast<uint8_t>(EntryLength(d, offset));
    LeadByteRange& r = expected[bytes[0] - kFirstLeadByte];
    if (r.highest == 0) {
      r.lowest = r.highest = bytes[1];
      r.longest = n;
    }
    r.lowest = std::min(r.lowest, bytes[1]);
    r.highest = std::max(r.highest, bytes[1]);
    r.longest = std::max(r.longest, n);
    longest = std::max<int32_t>(longest, n);
    if (firstOfKey[EntryKey(d, offset)] == 0) firstOfKey[EntryKey(d, offset)] = i + 1;
  }
  if (d.longestWordLength != longest) return "longest word length wrong";
  int32_t next = 0;
  for (int b = 0; b < kLeadByteCount; ++b) {
    const LeadByteRange& got = d.LeadByteTable[b];
    const LeadByteRange& want = expected[b];
    const std::string where = " for first byte " + std::to_string(b + kFirstLeadByte);
    if (got.highest != want.highest || (want.highest && (got.lowest != want.lowest ||
                                                         got.longest != want.longest)))
      return "lead-byte record wrong" + where;
    if (want.highest == 0) {
      if (got.lowest != 0 || got.longest != 0) return "record of an unused byte not zero" + where;
      continue;
    }
    if (got.slots != next) return "runs not laid out in order" + where;
    next += want.highest - want.lowest + 1;
    if (next > d.slotCapacity) return "run beyond the slot array" + where;
    for (int s = want.lowest; s <= want.highest; ++s) {
      const int32_t slot = d.SecondByteSlots[got.slots + (s - want.lowest)];
      const auto key = static_cast<size_t>((b + kFirstLeadByte) << 8 | s);
      if (slot != firstOfKey[key]) return "slot wrong" + where;
    }
  }
  return "";
}

}  // namespace

std::string StoreFault(const WordDictionary& d) {
  std::set<int32_t> offsets;
  std::string fault = PoolFault(d, &offsets);
  if (fault.empty()) fault = IndexFault(d, offsets);
  if (fault.empty()) fault = TableFault(d);
  return fault;
}

std::vector<std::string> IndexEntries(const WordDictionary& d) {
  std::vector<std::string> entries;
  for (int32_t i = 0; i < d.entryCount; ++i) entries.push_back(EntryText(d, d.EntryIndex[i]));
  return entries;
}

std::vector<std::string> PoolEntries(const WordDictionary& d) {
  std::vector<std::string> entries;
  for (int32_t offset = 0; offset < d.bytesUsed; offset += 1 + EntryLength(d, offset))
    entries.push_back(EntryText(d, offset));
  return entries;
}

bool LookupTablesEmpty(const WordDictionary& d) {
  for (const LeadByteRange& r : d.LeadByteTable)
    if (r.highest || r.lowest || r.longest || r.slots) return false;
  return d.longestWordLength == 0;
}
