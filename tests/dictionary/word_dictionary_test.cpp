#include "dictionary/word_dictionary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dictionary/heap.h"
#include "dictionary/word_file.h"
#include "support/store_checks.h"

namespace {

// A pattern library that compiles everything and matches nothing; it counts
// what is still open, so tests see which builds close their patterns.
int gOpenRecords = 0;
int VX_CALL CountingOpen(JreRecord*) { return 1; }
int VX_CALL CountingCompile(JreRecord*, const char*) {
  ++gOpenRecords;
  return 1;
}
int VX_CALL NoMatch(JreRecord*, const char*) { return 0; }
int VX_CALL NoMatchV318(JreRecord*, const char*, int32_t, int32_t, int32_t) { return 0; }
int VX_CALL CountingClose(JreRecord*) {
  --gOpenRecords;
  return 1;
}
const PatternLibrary kCountingLibrary = {CountingOpen, CountingCompile, NoMatch, NoMatchV318,
                                         CountingClose};

std::string Repeat(char c, size_t n) { return std::string(n, c); }

void Regist(WordDictionary& d, const std::vector<std::string>& words) {
  for (const std::string& w : words) ASSERT_EQ(RegistWord(d, w.c_str()), 1) << w;
}

// Fills the store as a load does: in file order, then sorted.
void Load(WordDictionary& d, const std::string& contents) {
  ASSERT_TRUE(ParseWordFileContents(d, reinterpret_cast<const unsigned char*>(contents.data()),
                                    static_cast<uint32_t>(contents.size())));
  SortIndex(d);
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// --- Length cap and entry kinds ---------------------------------------------

struct CapCase {
  const char* name;
  std::string text;
  int32_t capped;
};

TEST(CapEntryLength, Table) {
  const std::string lead254 = Repeat('a', 254) + "\x82\xa0";         // あ at 254..255
  const std::string trail254 = Repeat('a', 253) + "\x82\xa0" + "b";  // あ at 253..254
  const CapCase cases[] = {
      {"short text unchanged", "ab", 2},
      {"exactly 255 kept", Repeat('a', 255), 255},
      {"256 single bytes cut to 255", Repeat('a', 256), 255},
      {"lead byte at 254 cut to 254", lead254, 254},
      {"character ending at 254 cut to 255", trail254, 255},
      // 0x82 0x9F (ぁ) ending at 254: byte 254 has a lead-byte value but is a trail.
      {"trail with lead value at 254", Repeat('a', 253) + "\x82\x9f" + "cd", 255},
      {"300 bytes of double-byte characters", [] {
         std::string s;
         while (s.size() < 300) s += "\x88\x9f";
         return s;
       }(), 254},
  };
  for (const CapCase& c : cases) {
    EXPECT_EQ(CapEntryLength(reinterpret_cast<const unsigned char*>(c.text.data()),
                             static_cast<int32_t>(c.text.size())),
              c.capped)
        << c.name;
  }
}

struct KindCase {
  const char* text;
  bool comment;
  bool pattern;
};

TEST(EntryKinds, Table) {
  const KindCase cases[] = {
      {"//x", true, false},
      {"//", true, false},
      {"/x", false, false},
      {"[RegExp]1,a", false, true},
      {"[regexp]", false, true},
      {"[REGEXP]9,x", false, true},
      {"[RegExp", false, false},
      {"[RegExq]1,a", false, false},
      {"{RegExp]1,a", false, false},  // only letters fold: '[' is not '{'
      {"[RegExp}1,a", false, false},
      {"//[RegExp]1,a", true, false},
      {"ab", false, false},
  };
  for (const KindCase& c : cases) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.text);
    const auto n = static_cast<int32_t>(std::strlen(c.text));
    EXPECT_EQ(IsCommentEntry(bytes, n), c.comment) << c.text;
    EXPECT_EQ(IsPatternEntry(bytes, n), c.pattern) << c.text;
  }
}

// --- Registration, look-up, removal -------------------------------------------

enum class Op { Regist, Remove, IsWord };

struct Step {
  Op op;
  std::string text;
  int32_t result;
};

struct OpCase {
  const char* name;
  std::vector<std::string> before;  // registered first
  std::vector<Step> steps;
};

TEST(WordDictionary, OperationsTable) {
  const std::string w255 = Repeat('w', 255);
  const std::string w256lead = Repeat('x', 254) + "\x82\xa0";
  const OpCase cases[] = {
      {"stored word is found, others not", {"abc"},
       {{Op::IsWord, "abc", 1}, {Op::IsWord, "ab", 0}, {Op::IsWord, "abcd", 0}, {Op::IsWord, "abd", 0}}},
      {"refusals", {},
       {{Op::Regist, "", 0}, {Op::Regist, "a", 0}, {Op::Regist, " ab", 0}, {Op::Regist, "\x1f" "ab", 0},
        {Op::Regist, "\xfd" "ab", 0}, {Op::Regist, "\xff\xff", 0}, {Op::Regist, "\xfc\x40", 1}}},
      {"already stored is refused", {"abc"}, {{Op::Regist, "abc", 0}, {Op::IsWord, "abc", 1}}},
      {"255 bytes stored whole", {}, {{Op::Regist, w255, 1}, {Op::IsWord, w255, 1}}},
      {"256 bytes with a lead at 254 stored as 254", {},
       {{Op::Regist, w256lead, 1}, {Op::IsWord, w256lead, 1}, {Op::IsWord, w256lead.substr(0, 254), 1},
        {Op::Regist, w256lead.substr(0, 254), 0}}},
      {"comment stored but never a word", {},
       {{Op::Regist, "//note", 1}, {Op::IsWord, "//note", 0}, {Op::Remove, "//note", 1}, {Op::Remove, "//note", 0}}},
      {"comment registered twice goes in one removal", {"//c", "//c"},
       {{Op::Remove, "//c", 1}, {Op::Remove, "//c", 0}}},
      {"removal of one byte or of nothing", {"ab"},
       {{Op::Remove, "a", 0}, {Op::Remove, "abc", 0}, {Op::Remove, "ab", 1}, {Op::IsWord, "ab", 0}}},
      {"same key, other lengths", {"ab", "abc", "abcd"},
       {{Op::IsWord, "abc", 1}, {Op::Remove, "abc", 1}, {Op::IsWord, "ab", 1}, {Op::IsWord, "abcd", 1},
        {Op::IsWord, "abc", 0}}},
      {"double-byte words", {"\x93\x8c\x8b\x9e", "\x93\x8c\x96\x6b"},
       {{Op::IsWord, "\x93\x8c\x8b\x9e", 1}, {Op::IsWord, "\x93\x8c", 0}, {Op::IsWord, "\x93\x8c\x96\x6b", 1}}},
      {"pattern line is no word", {"[RegExp]3,abc"}, {{Op::IsWord, "[RegExp]3,abc", 0}}},
      {"first byte 0xFC word", {"\xfc\xfc"}, {{Op::IsWord, "\xfc\xfc", 1}}},
  };
  for (const OpCase& c : cases) {
    TestDictionary t(&kCountingLibrary);
    Regist(t.d, c.before);
    for (const Step& s : c.steps) {
      t.d.dirty = 0;
      int32_t got = 0;
      switch (s.op) {
        case Op::Regist: got = RegistWord(t.d, s.text.c_str()); break;
        case Op::Remove: got = RemoveWord(t.d, s.text.c_str()); break;
        case Op::IsWord: got = IsWord(t.d, s.text.c_str()); break;
      }
      EXPECT_EQ(got, s.result) << c.name << ": " << s.text.substr(0, 20);
      EXPECT_EQ(t.d.dirty, s.op != Op::IsWord && got == 1 ? 1 : 0) << c.name << ": dirty";
      EXPECT_EQ(StoreFault(t.d), "") << c.name << ": " << s.text.substr(0, 20);
    }
  }
}

TEST(WordDictionary, EmptyStoreFindsNothing) {
  TestDictionary t;
  EXPECT_TRUE(LookupTablesEmpty(t.d));
  EXPECT_EQ(IsWord(t.d, "ab"), 0);
  BuildLeadByteTable(t.d);
  EXPECT_TRUE(LookupTablesEmpty(t.d));
  EXPECT_EQ(StoreFault(t.d), "");
}

TEST(WordDictionary, ThreeWordsOfOneFirstByte) {
  TestDictionary t;
  Regist(t.d, {"AB", "AZ", "Ax"});
  const LeadByteRange& r = t.d.LeadByteTable['A' - kFirstLeadByte];
  EXPECT_EQ(r.lowest, 0x42);
  EXPECT_EQ(r.highest, 0x78);
  EXPECT_EQ(r.longest, 2);
  std::vector<int> nonZero;
  for (int k = 0; k < 0x78 - 0x42 + 1; ++k)
    if (t.d.SecondByteSlots[r.slots + k]) nonZero.push_back(k);
  EXPECT_EQ(nonZero, (std::vector<int>{0, 24, 54}));
}

TEST(WordDictionary, CommentBesideWordOfSlash) {
  TestDictionary t;
  Regist(t.d, {"//comment", "/a"});
  const LeadByteRange& r = t.d.LeadByteTable['/' - kFirstLeadByte];
  EXPECT_EQ(r.lowest, 0x61);
  EXPECT_EQ(r.highest, 0x61);
  EXPECT_EQ(StoreFault(t.d), "");
}

// Comments and pattern lines sort among words but must not cut off the slots of
// the words beside them or after them.
TEST(WordDictionary, SkippedEntriesLeaveEveryWordFindable) {
  gOpenRecords = 0;
  TestDictionary t(&kCountingLibrary);
  const std::vector<std::string> words = {"(a)", "(b", "09", "Ab", "zz", "\x82\xa0\x82\xa2", "\\n", "]x", "~~"};
  Load(t.d, "//one\n//two\n[RegExp]2,ab\n[regexp]3,abc\n(a)\n(b\n09\nAb\nzz\n\x82\xa0\x82\xa2\n\\n\n]x\n~~\n");
  BuildLeadByteTable(t.d);
  EXPECT_EQ(StoreFault(t.d), "");
  for (const std::string& w : words) EXPECT_EQ(IsWord(t.d, w.c_str()), 1) << w;
  EXPECT_EQ(PatternCount(t.d.patterns), 2);
  EXPECT_EQ(gOpenRecords, 2);
}

TEST(WordDictionary, EveryBuildRecompilesAndDestroyClosesNothing) {
  gOpenRecords = 0;
  {
    TestDictionary t(&kCountingLibrary);
    Regist(t.d, {"[RegExp]2,ab", "word"});
    EXPECT_EQ(gOpenRecords, 1);  // the first build's pattern was closed by the second
    RemoveWord(t.d, "word");
    EXPECT_EQ(gOpenRecords, 1);
    DestroyDictionary(t.d);
    EXPECT_EQ(gOpenRecords, 1);  // unloading calls no library function
    EXPECT_EQ(t.d.entryCount, 0);
  }
  gOpenRecords = 0;
  TestDictionary t(&kCountingLibrary);
  Regist(t.d, {"[RegExp]2,ab"});
  ClearDictionary(t.d);
  EXPECT_EQ(gOpenRecords, 0);
}

TEST(WordDictionary, ClearKeepsPathAndTime) {
  TestDictionary t;
  Regist(t.d, {"ab"});
  std::strcpy(t.d.wordFilePath, "D:\\w.txt");
  t.d.keptFileTime = 42;
  ClearDictionary(t.d);
  EXPECT_STREQ(t.d.wordFilePath, "D:\\w.txt");
  EXPECT_EQ(t.d.keptFileTime, 42u);
  EXPECT_EQ(t.d.dirty, 0);
  EXPECT_EQ(t.d.entryCount, 0);
  EXPECT_EQ(StoreFault(t.d), "");
  EXPECT_EQ(RegistWord(t.d, "cd"), 1);  // usable again
}

TEST(WordDictionary, InitForgetsWhatWasThere) {
  WordDictionary d;
  std::memset(&d, 0x5A, sizeof d);
  DictionaryServices services{};
  InitDictionary(d, &services);
  EXPECT_EQ(d.services, &services);
  EXPECT_EQ(d.WordPool, nullptr);
  EXPECT_EQ(d.patterns.block, nullptr);
  EXPECT_EQ(d.dirty, 0);
  EXPECT_TRUE(LookupTablesEmpty(d));
}

// --- Duplicates ----------------------------------------------------------------

struct DuplicateCase {
  const char* name;
  std::string file;
  std::vector<std::string> kept;  // as a multiset
  int32_t result;
};

TEST(RemoveDuplicates, Table) {
  const DuplicateCase cases[] = {
      {"none", "ab\nac\nabc\n", {"ab", "abc", "ac"}, 0},
      {"one pair", "ab\nab\n", {"ab"}, 1},
      {"same key other length kept", "ab\nabc\nab\nabc\nabd\n", {"ab", "abc", "abd"}, 1},
      {"many repeats among others", "x1\nab\nx1\nab\nx2\nab\nx1\n", {"ab", "x1", "x2"}, 1},
      {"comments and patterns too", "//c\n//c\n[RegExp]1,a\n[RegExp]1,a\n", {"//c", "[RegExp]1,a"}, 1},
      {"case matters", "Ab\nAB\nab\n", {"AB", "Ab", "ab"}, 0},
      {"trailing space matters", "ab \nab\n", {"ab", "ab "}, 0},
  };
  for (const DuplicateCase& c : cases) {
    TestDictionary t;
    Load(t.d, c.file);
    EXPECT_EQ(RemoveDuplicates(t.d), c.result) << c.name;
    EXPECT_EQ(t.d.dirty, c.result) << c.name;
    BuildLeadByteTable(t.d);
    EXPECT_EQ(StoreFault(t.d), "") << c.name;
    EXPECT_EQ(Sorted(IndexEntries(t.d)), c.kept) << c.name;
  }
}

// The survivor is the first in index order, not in pool order; it keeps its
// place in the pool among the other entries.
TEST(RemoveDuplicates, FirstInIndexOrderSurvives) {
  TestDictionary t;
  Load(t.d, "ab\ncd\nab\n");  // pool: ab@0 cd@3 ab@6
  t.d.EntryIndex[0] = 6;
  t.d.EntryIndex[1] = 0;
  t.d.EntryIndex[2] = 3;
  EXPECT_EQ(RemoveDuplicates(t.d), 1);
  EXPECT_EQ(PoolEntries(t.d), (std::vector<std::string>{"cd", "ab"}));
  BuildLeadByteTable(t.d);
  EXPECT_EQ(StoreFault(t.d), "");
}

// Out of memory, the same entries survive: the removal needs no memory of its own.
TEST(RemoveDuplicates, SameResultWhenMemoryFails) {
  const std::string file = "ab\nx1\nab\nab\nabc\nx1\n//c\n//c\nzz\n";
  for (long nth = 1; nth <= 3; ++nth) {
    TestDictionary t;
    Load(t.d, file);
    HeapFailAt(nth);
    EXPECT_EQ(RemoveDuplicates(t.d), 1) << nth;
    HeapFailAt(0);
    BuildLeadByteTable(t.d);
    EXPECT_EQ(StoreFault(t.d), "") << nth;
    EXPECT_EQ(Sorted(IndexEntries(t.d)), (std::vector<std::string>{"//c", "ab", "abc", "x1", "zz"})) << nth;
  }
}

// Sized so that removing one duplicate at a time (moving the pool and every
// offset for each) or comparing every pair within a key would not finish: 100,000
// repeats of one word and 100,000 distinct words of one key, each twice.
TEST(RemoveDuplicates, ManyRepeatsAndOneCrowdedKey) {
  std::string file;
  file.reserve(4'000'000);
  for (int k = 0; k < 100000; ++k) file += "repeat\r\n";
  for (int pass = 0; pass < 2; ++pass)
    for (int k = 0; k < 100000; ++k) file += "ab" + std::to_string(k) + "\r\n";
  TestDictionary t;
  Load(t.d, file);
  ASSERT_EQ(t.d.entryCount, 300000);
  EXPECT_EQ(RemoveDuplicates(t.d), 1);
  EXPECT_EQ(t.d.entryCount, 100001);
  BuildLeadByteTable(t.d);
  EXPECT_EQ(IsWord(t.d, "repeat"), 1);
  EXPECT_EQ(IsWord(t.d, "ab0"), 1);
  EXPECT_EQ(IsWord(t.d, "ab99999"), 1);
  std::vector<std::string> entries = Sorted(IndexEntries(t.d));
  EXPECT_EQ(std::adjacent_find(entries.begin(), entries.end()), entries.end());
}

// --- Memory failures ------------------------------------------------------------

// Each allocation of a registration failing in turn: refused with the store
// as it was, or done; never half done. The pool is nearly full and the new
// word widens a run far beyond the spare slots, so both must grow.
TEST(WordDictionary, RegistrationOutOfMemoryChangesNothing) {
  int refusals = 0;
  for (long nth = 1; nth <= 4; ++nth) {
    TestDictionary t;
    std::vector<std::string> words;
    for (int k = 0; t.d.bytesUsed < t.d.poolCapacity - 200 || k == 0; ++k) {
      words.push_back("w" + std::to_string(k % 10) + std::to_string(k) + Repeat('p', 200));
      ASSERT_EQ(RegistWord(t.d, words.back().c_str()), 1);
    }
    t.d.dirty = 0;
    const std::vector<std::string> before = Sorted(IndexEntries(t.d));
    const std::string word = "w\xfc" + Repeat('z', 253);
    HeapFailAt(nth);
    const int32_t got = RegistWord(t.d, word.c_str());
    HeapFailAt(0);
    EXPECT_EQ(StoreFault(t.d), "") << nth;
    if (got == 0) {
      ++refusals;
      EXPECT_EQ(Sorted(IndexEntries(t.d)), before) << nth;
      EXPECT_EQ(t.d.dirty, 0) << nth;
      for (const std::string& w : words) EXPECT_EQ(IsWord(t.d, w.c_str()), 1) << nth;
    } else {
      EXPECT_EQ(IsWord(t.d, word.c_str()), 1) << nth;
    }
  }
  EXPECT_EQ(refusals, 2);  // the pool, then the slots
}

TEST(WordDictionary, FirstRegistrationOutOfMemory) {
  for (long nth = 1; nth <= 3; ++nth) {
    TestDictionary t;
    HeapFailAt(nth);
    EXPECT_EQ(RegistWord(t.d, "ab"), 0) << nth;
    HeapFailAt(0);
    EXPECT_EQ(StoreFault(t.d), "") << nth;
    EXPECT_EQ(RegistWord(t.d, "ab"), 1) << nth;
    EXPECT_EQ(IsWord(t.d, "ab"), 1) << nth;
  }
}

// Without slots the pool and index stay whole (and would save whole); lookups
// find nothing until a build succeeds.
TEST(WordDictionary, TableBuildOutOfMemoryKeepsEntries) {
  TestDictionary t;
  Load(t.d, "ab\ncd\n");
  HeapFailAt(1);
  BuildLeadByteTable(t.d);
  HeapFailAt(0);
  EXPECT_TRUE(LookupTablesEmpty(t.d));
  EXPECT_EQ(Sorted(IndexEntries(t.d)), (std::vector<std::string>{"ab", "cd"}));
  EXPECT_EQ(IsWord(t.d, "ab"), 0);
  BuildLeadByteTable(t.d);
  EXPECT_EQ(StoreFault(t.d), "");
  EXPECT_EQ(IsWord(t.d, "ab"), 1);
}

TEST(WordDictionary, RebuildIndexThatCannotGrowKeepsWhatFits) {
  TestDictionary t;
  Regist(t.d, {"ab"});
  // Entries appended behind the index's back, more than it holds.
  const int32_t extra = t.d.indexCapacity + 5;
  void* pool = HeapRealloc(t.d.WordPool, static_cast<size_t>(t.d.bytesUsed + 3 * extra));
  ASSERT_NE(pool, nullptr);
  t.d.WordPool = static_cast<unsigned char*>(pool);
  t.d.poolCapacity = t.d.bytesUsed + 3 * extra;
  for (int k = 0; k < extra; ++k) {
    std::memcpy(t.d.WordPool + t.d.bytesUsed, "\x02" "cd", 3);
    t.d.bytesUsed += 3;
    ++t.d.entryCount;
  }
  HeapFailAt(1);
  RebuildIndex(t.d);
  HeapFailAt(0);
  BuildLeadByteTable(t.d);
  EXPECT_EQ(t.d.entryCount, t.d.indexCapacity);
  EXPECT_EQ(StoreFault(t.d), "");
  EXPECT_EQ(IsWord(t.d, "ab"), 1);
}

}  // namespace
