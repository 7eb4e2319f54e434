#include "guard/dictionary_search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dictionary/word_dictionary.h"
#include "support/store_checks.h"

namespace {

struct Placed {
  int32_t at;
  std::string bytes;
};

// A line of '-' with words written over it. The bytes live in a buffer of
// exactly the line's length, so a read past it shows under the sanitizer.
std::vector<unsigned char> Line(int32_t length, const std::vector<Placed>& placed) {
  std::vector<unsigned char> line(static_cast<size_t>(length), '-');
  for (const Placed& p : placed)
    std::memcpy(line.data() + p.at, p.bytes.data(), p.bytes.size());
  return line;
}

struct SearchCase {
  const char* name;
  std::vector<std::string> words;
  int32_t length;
  std::vector<Placed> placed;
  int32_t breakPos;
  int32_t lineEnd;
  int32_t expected;
};

const std::string k6 = "ABCDEF";
const std::string k9 = "ABCDEFGHI";

const SearchCase kCases[] = {
    {"6-byte word from 37 across 40", {k6}, 60, {{37, k6}}, 40, 60, 37},
    {"9-byte word from 8 begins before the floor", {k9}, 60, {{8, k9}}, 15, 60, 0},
    {"break at 10 is never moved", {"ABCD"}, 30, {{8, "ABCD"}}, 10, 30, 0},
    {"break at 11, word at 10", {"AB"}, 30, {{10, "AB"}}, 11, 30, 10},
    {"empty dictionary", {}, 60, {{37, k6}}, 40, 60, 0},
    {"word ending at the break does not count", {k6}, 60, {{34, k6}}, 40, 60, 0},
    {"one byte further right it does", {k6}, 60, {{35, k6}}, 40, 60, 35},
    {"word beginning at the break is not looked for", {k6}, 60, {{40, k6}}, 40, 60, 0},
    {"word past lineEnd is ignored", {k6}, 60, {{37, k6}}, 40, 42, 0},
    {"word ending at lineEnd counts", {k6}, 60, {{37, k6}}, 40, 43, 37},
    // The 8-byte word stands inside the 12-byte one, from 33.
    {"leftmost of two spanning words", {"xyzABCDEFGHI", "ABCDEFGH"}, 60, {{30, "xyzABCDEFGHI"}}, 40,
     60, 30},
    {"the inner word alone", {"ABCDEFGH"}, 60, {{30, "xyzABCDEFGHI"}}, 40, 60, 33},
    {"longer word of the same key", {"ABC", "ABCDEFGH"}, 60, {{36, "ABCDEFGH"}}, 40, 60, 36},
    {"word reaching past the text is not read for", {k6}, 40, {{37, "ABC"}}, 39, 60, 0},
    {"double-byte word", {"\x93\x8c\x8b\x9e\x93\x73"}, 60, {{36, "\x93\x8c\x8b\x9e\x93\x73"}}, 40, 60, 36},
    // The scan starts at 35 (40 - 5), the trail byte of a character at 34: a
    // word written from that trail byte on is never matched.
    {"start on a trail byte moves on", {"\x41\x42\x43\x44\x45\x46"}, 60, {{34, "\x88\x41\x42\x43\x44\x45\x46"}},
     40, 60, 0},
    {"comment text across the break", {"//note"}, 60, {{37, "//note"}}, 40, 60, 0},
    {"word after a comment of its first byte", {"//note", "/abcd"}, 60, {{37, "/abcd"}}, 40, 60, 37},
    // The scan meets the escape at 35 and steps over all four bytes of it, so
    // its last byte is never taken for the first byte of a word.
    {"escape is stepped over whole", {"\x84" "ABC", "QQQQQQQQQQ"}, 60,
     {{35, "\x1a\x81\x82\x84" "ABC"}}, 40, 60, 0},
};

TEST(FindWordAtBreak, Table) {
  for (const SearchCase& c : kCases) {
    TestDictionary t;
    for (const std::string& w : c.words) ASSERT_EQ(RegistWord(t.d, w.c_str()), 1) << c.name;
    const std::vector<unsigned char> line = Line(c.length, c.placed);
    const LineText text{line.data(), c.length};
    EXPECT_EQ(FindWordAtBreak(t.d, text, c.breakPos, c.lineEnd, nullptr), c.expected) << c.name;
  }
}

TEST(FindWordAtBreak, TraceNamesTheWord) {
  TestDictionary t;
  ASSERT_EQ(RegistWord(t.d, "xyz"), 1);
  ASSERT_EQ(RegistWord(t.d, "ABCDEF"), 1);
  const std::vector<unsigned char> line = Line(60, {{37, "ABCDEF"}});
  BreakTrace trace{BreakDecider::None, -1};
  ASSERT_EQ(FindWordAtBreak(t.d, LineText{line.data(), 60}, 40, 60, &trace), 37);
  EXPECT_EQ(trace.decider, BreakDecider::DictionaryWord);
  ASSERT_GE(trace.detail, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(EntryBytes(t.d, trace.detail)),
                        static_cast<size_t>(EntryLength(t.d, trace.detail))),
            "ABCDEF");
}

// After a removal the word no longer holds a break; its neighbours still do.
TEST(FindWordAtBreak, FollowsRemoval) {
  TestDictionary t;
  ASSERT_EQ(RegistWord(t.d, "ABCDEF"), 1);
  ASSERT_EQ(RegistWord(t.d, "ABCDXY"), 1);
  const std::vector<unsigned char> a = Line(60, {{37, "ABCDEF"}});
  const std::vector<unsigned char> b = Line(60, {{37, "ABCDXY"}});
  ASSERT_EQ(RemoveWord(t.d, "ABCDEF"), 1);
  EXPECT_EQ(FindWordAtBreak(t.d, LineText{a.data(), 60}, 40, 60, nullptr), 0);
  EXPECT_EQ(FindWordAtBreak(t.d, LineText{b.data(), 60}, 40, 60, nullptr), 37);
}

}  // namespace

namespace {

// The search as first written: walk the whole key run from its slot. The
// bisecting search must give the same answer for every break.
int32_t LinearSearch(const WordDictionary& d, LineText text, int32_t breakPos, int32_t lineEnd) {
  if (d.longestWordLength == 0) return 0;
  int64_t start = WindowFloor(breakPos);
  if (breakPos - start > d.longestWordLength - 1) start = breakPos - (d.longestWordLength - 1);
  for (int32_t pos = AlignCharUp(text, static_cast<int32_t>(start)); pos < breakPos;) {
    const int32_t room = breakPos - pos;
    const unsigned char b = ByteAt(text, pos);
    const unsigned char s = ByteAt(text, pos + 1);
    if (pos + 2 <= lineEnd && b > 0x20) {
      const LeadByteRange& r = d.LeadByteTable[b - kFirstLeadByte];
      if (r.longest > room && s >= r.lowest && s <= r.highest &&
          d.SecondByteSlots[r.slots + (s - r.lowest)] != 0) {
        const uint16_t key = static_cast<uint16_t>(b << 8 | s);
        for (int32_t i = d.SecondByteSlots[r.slots + (s - r.lowest)] - 1;
             i < d.entryCount && EntryKey(d, d.EntryIndex[i]) == key; ++i) {
          const int32_t n = EntryLength(d, d.EntryIndex[i]);
          bool equal = n > room && n <= lineEnd - pos;
          for (int32_t k = 0; equal && k < n; ++k)
            equal = ByteAt(text, pos + k) == EntryBytes(d, d.EntryIndex[i])[k];
          if (equal) return pos;
        }
      }
    }
    pos += IsLeadByte(b) ? 2 : (room >= 4 && IsWideEscape(text, pos)) ? 4 : 1;
  }
  return 0;
}

// Words over a tiny alphabet share long prefixes and keys, so runs are long
// and one word is often the prefix of another.
TEST(FindWordAtBreak, AgreesWithTheLinearWalkOnCrowdedRuns) {
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  const char alphabet[] = "ab\x82\xa0";
  for (int round = 0; round < 40; ++round) {
    TestDictionary t;
    for (int w = 0; w < 300; ++w) {
      std::string word;
      const uint32_t n = 2 + next(12);
      for (uint32_t k = 0; k < n; ++k) word += alphabet[next(4)];
      RegistWord(t.d, word.c_str());
    }
    ASSERT_EQ(StoreFault(t.d), "");
    for (int line = 0; line < 50; ++line) {
      std::vector<unsigned char> bytes(10 + next(50));
      for (unsigned char& c : bytes) c = static_cast<unsigned char>(alphabet[next(4)]);
      const LineText text{bytes.data(), static_cast<int32_t>(bytes.size())};
      for (int32_t bp = 0; bp <= text.length + 1; ++bp) {
        const int32_t le = text.length - static_cast<int32_t>(next(3));
        ASSERT_EQ(FindWordAtBreak(t.d, text, bp, le, nullptr), LinearSearch(t.d, text, bp, le))
            << "round " << round << " break " << bp;
      }
    }
  }
}

}  // namespace
