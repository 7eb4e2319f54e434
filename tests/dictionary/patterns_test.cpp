// Pattern entries against a recording fake of the library: the fake finds a
// pattern as a literal byte string inside [start, end), and records each call.
#include "dictionary/patterns.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "dictionary/heap.h"
#include "dictionary/word_dictionary.h"

namespace {

constexpr int kFakeIdOffset = 40;  // where the fake keeps its pattern number

struct MatchCall {
  int32_t start;
  int32_t end;
  const char* text;
  bool operator==(const MatchCall& o) const { return start == o.start && end == o.end; }
};

struct FakeState {
  std::vector<std::string> patterns;  // compiled, by id - 1
  std::vector<MatchCall> matches;
  std::vector<int> closed;            // ids, in order
  int opens = 0;
  bool openSawCleanRecord = true;
};
FakeState gFake;

int32_t Field(const JreRecord* r, int offset) {
  int32_t v;
  std::memcpy(&v, r->bytes + offset, sizeof v);
  return v;
}
void SetField(JreRecord* r, int offset, int32_t v) { std::memcpy(r->bytes + offset, &v, sizeof v); }

int VX_CALL FakeOpen(JreRecord* r) {
  ++gFake.opens;
  bool clean = Field(r, kJreSizeOffset) == kJreRecordSize;
  for (int i = 4; i < kJreRecordSize; ++i) clean = clean && r->bytes[i] == 0;
  gFake.openSawCleanRecord = gFake.openSawCleanRecord && clean;
  return 1;
}

// Patterns beginning with '!' are refused.
int VX_CALL FakeCompile(JreRecord* r, const char* pattern) {
  if (pattern[0] == '!') return 0;
  gFake.patterns.emplace_back(pattern);
  SetField(r, kFakeIdOffset, static_cast<int32_t>(gFake.patterns.size()));
  return 1;
}

int VX_CALL FakeMatch(JreRecord* r, const char* text, int32_t end, int32_t, int32_t) {
  const int32_t start = Field(r, kJreStartOffset);
  gFake.matches.push_back({start, end, text});
  const std::string& p = gFake.patterns[static_cast<size_t>(Field(r, kFakeIdOffset) - 1)];
  const auto n = static_cast<int32_t>(p.size());
  for (int32_t m = start; m + n <= end; ++m) {
    if (std::memcmp(text + m, p.data(), p.size()) == 0) {
      SetField(r, kJrePositionOffset, m);
      SetField(r, kJreLengthOffset, n);
      return 1;
    }
  }
  return 0;
}

// Breaks the promise that a match lies at or after the start.
int VX_CALL LyingMatch(JreRecord* r, const char* text, int32_t end, int32_t, int32_t) {
  gFake.matches.push_back({Field(r, kJreStartOffset), end, text});
  SetField(r, kJrePositionOffset, 0);
  SetField(r, kJreLengthOffset, 1);
  return 1;
}

int VX_CALL FakePlainMatch(JreRecord*, const char*) { return 0; }

int VX_CALL FakeClose(JreRecord* r) {
  gFake.closed.push_back(Field(r, kFakeIdOffset));
  return 1;
}

void RecordMessage(void* context, const char* text) {
  static_cast<std::vector<std::string>*>(context)->emplace_back(text);
}

struct PatternFixture {
  PatternLibrary library{FakeOpen, FakeCompile, FakePlainMatch, FakeMatch, FakeClose};
  std::vector<std::string> messages;
  MessageSink sink{RecordMessage, &messages};
  DictionaryServices services{&library, &sink, nullptr};
  WordDictionary d;

  PatternFixture() {
    gFake = FakeState{};
    std::memset(&d, 0, sizeof d);
    d.services = &services;
  }
  ~PatternFixture() {
    FreePatternList(d.patterns);
    HeapFailAt(0);
  }

  int32_t Compile(const std::string& afterPrefix, int32_t quiet = 0, int32_t offset = 0) {
    return CompilePatternEntry(d, reinterpret_cast<const unsigned char*>(afterPrefix.data()),
                               static_cast<int32_t>(afterPrefix.size()), quiet, offset);
  }
};

LineText Line(const std::string& s) {
  return {reinterpret_cast<const unsigned char*>(s.c_str()), static_cast<int32_t>(s.size())};
}

// `n` filler bytes with `piece` written at `at`.
std::string Filler(size_t n, size_t at = 0, const std::string& piece = "") {
  std::string s(n, 'x');
  s.replace(at, piece.size(), piece);
  return s;
}

const std::string kEscape = "\x1A\x81\x82\x04";  // a valid four-byte escape
const std::string kA = "\x82\xA0";               // あ

struct WindowCase {
  const char* name;
  std::string text;
  int32_t breakPos;
  int32_t lineEnd;
  std::string line;  // after "[RegExp]"
  int32_t expected;
  std::vector<MatchCall> calls;  // start, end
};

const WindowCase kWindowCases[] = {
    {"N 3: window 38..43", Filler(100), 40, 100, "3,zz", 0, {{38, 43, nullptr}}},
    {"N 100: from the floor to lineEnd", Filler(100), 40, 60, "100,zz", 0, {{20, 60, nullptr}}},
    {"lineEnd past the text is clipped", Filler(50), 40, 100, "100,zz", 0, {{20, 50, nullptr}}},
    {"width too large for 32 bits", Filler(100), 40, 100, "2147483647,zz", 0, {{20, 100, nullptr}}},
    {"spanning match", Filler(100, 39, "abc"), 40, 100, "3,abc", 39, {{38, 43, nullptr}}},
    {"match ending at the break resumes one byte on", Filler(100, 38, "ab"), 40, 100, "3,ab", 0,
     {{38, 43, nullptr}, {39, 43, nullptr}}},
    {"resume steps over a double-byte match", Filler(100, 36, kA + kA), 40, 100, "5,\x82\xA0", 0,
     {{36, 45, nullptr}, {38, 45, nullptr}}},
    {"resume steps over an escape", Filler(100, 34, kEscape), 40, 100, "7," + kEscape, 0,
     {{34, 47, nullptr}, {38, 47, nullptr}}},
    {"resume, then a spanning match", Filler(100, 36, "ab.ab"), 40, 100, "5,ab", 39,
     {{36, 45, nullptr}, {37, 45, nullptr}}},
    {"resume, then a match at the break", Filler(100, 37, "ab.ab"), 40, 100, "4,ab", 0,
     {{37, 44, nullptr}, {38, 44, nullptr}}},
    {"match at the break ends the pattern", Filler(100, 40, "ab"), 40, 100, "3,ab", 0,
     {{38, 43, nullptr}}},
    {"break at 10: nothing is asked", Filler(100, 9, "abc"), 10, 100, "5,abc", 0, {}},
    {"break at 11: the floor is the answer", Filler(100, 10, "ab"), 11, 100, "2,ab", 10,
     {{10, 13, nullptr}}},
    {"start inside a double-byte character moves up", Filler(100, 37, kA), 40, 100, "3,zz", 0,
     {{39, 44, nullptr}}},
    {"start inside an escape moves past it", Filler(100, 36, kEscape), 41, 100, "4,zz", 0,
     {{40, 47, nullptr}}},
    {"end inside a double-byte character is pulled back", Filler(100, 42, kA), 40, 100, "3,zz", 0,
     {{38, 42, nullptr}}},
    {"lineEnd before the window: nothing is asked", Filler(100), 40, 30, "3,zz", 0, {}},
};

TEST(FindPatternAcrossBreak, WindowTable) {
  for (const WindowCase& c : kWindowCases) {
    PatternFixture f;
    ASSERT_EQ(f.Compile(c.line), 1) << c.name;
    const LineText text = Line(c.text);
    EXPECT_EQ(FindPatternAcrossBreak(f.d, text, c.breakPos, c.lineEnd, nullptr), c.expected)
        << c.name;
    EXPECT_EQ(gFake.matches, c.calls) << c.name;
    for (const MatchCall& call : gFake.matches)
      EXPECT_EQ(call.text, reinterpret_cast<const char*>(text.bytes)) << c.name;
  }
}

TEST(FindPatternAcrossBreak, SmallestStartAmongPatternsWins) {
  PatternFixture f;
  ASSERT_EQ(f.Compile("3,bcd", 0, 111), 1);   // spans from 39
  ASSERT_EQ(f.Compile("4,abcd", 0, 222), 1);  // spans from 38
  ASSERT_EQ(f.Compile("4,abc", 0, 333), 1);   // spans from 38 too, later in the list
  int32_t offset = -1;
  EXPECT_EQ(FindPatternAcrossBreak(f.d, Line(Filler(100, 38, "abcd")), 40, 100, &offset), 38);
  EXPECT_EQ(offset, 222);
  EXPECT_EQ(gFake.matches.size(), 3u);
}

TEST(FindPatternAcrossBreak, EmptyListOrNoLibraryAsksNothing) {
  PatternFixture f;
  EXPECT_EQ(FindPatternAcrossBreak(f.d, Line(Filler(100, 39, "abc")), 40, 100, nullptr), 0);
  ASSERT_EQ(f.Compile("3,abc"), 1);
  f.d.services = nullptr;
  EXPECT_EQ(FindPatternAcrossBreak(f.d, Line(Filler(100, 39, "abc")), 40, 100, nullptr), 0);
  EXPECT_TRUE(gFake.matches.empty());
}

TEST(FindPatternAcrossBreak, LibraryReportingAMatchBeforeTheStartCannotLoopForever) {
  PatternFixture f;
  f.library.match = LyingMatch;
  ASSERT_EQ(f.Compile("3,abc"), 1);
  EXPECT_EQ(FindPatternAcrossBreak(f.d, Line(Filler(100)), 40, 100, nullptr), 0);
  EXPECT_EQ(gFake.matches.size(), 1u);
}

struct CompileCase {
  const char* name;
  std::string line;  // after "[RegExp]"
  int32_t quiet;
  int32_t result;
  int32_t width;                 // when compiled
  const char* pattern;           // handed to Jre2Compile, or null
  const char* message;           // shown, or null
};

const CompileCase kCompileCases[] = {
    {"width and pattern", "12,abc", 0, 1, 12, "abc", nullptr},
    {"leading zeros", "007,a", 0, 1, 7, "a", nullptr},
    {"empty pattern goes to the library", "12,", 0, 1, 12, "", nullptr},
    {"comma inside the pattern", "2,a,b", 0, 1, 2, "a,b", nullptr},
    {"width saturates", "99999999999999,a", 0, 1, INT32_MAX, "a", nullptr},
    {"width 0", "0,abc", 0, 0, 0, nullptr, kPatternMalformedMessage},
    {"no digits", ",abc", 0, 0, 0, nullptr, kPatternMalformedMessage},
    {"blank before the digits", " 12,abc", 0, 0, 0, nullptr, kPatternMalformedMessage},
    {"no comma", "12abc", 0, 0, 0, nullptr, kPatternMalformedMessage},
    {"ends after the digits", "12", 0, 0, 0, nullptr, kPatternMalformedMessage},
    {"nothing at all", "", 0, 0, 0, nullptr, kPatternMalformedMessage},
    {"refused by the library", "3,!x", 0, 0, 0, nullptr, kPatternRefusedMessage},
    {"malformed, quiet", "0,abc", 1, 0, 0, nullptr, nullptr},
    {"refused, quiet", "3,!x", 1, 0, 0, nullptr, nullptr},
};

TEST(CompilePatternEntry, Table) {
  for (const CompileCase& c : kCompileCases) {
    PatternFixture f;
    EXPECT_EQ(f.Compile(c.line, c.quiet, 77), c.result) << c.name;
    EXPECT_EQ(PatternCount(f.d.patterns), c.result) << c.name;
    EXPECT_EQ(f.messages, c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{})
        << c.name;
    EXPECT_TRUE(gFake.closed.empty()) << c.name << ": a refused record is not closed";
    if (c.pattern) {
      EXPECT_EQ(gFake.patterns, std::vector<std::string>{c.pattern}) << c.name;
      EXPECT_EQ(f.d.patterns.records[0].width, c.width) << c.name;
      EXPECT_EQ(f.d.patterns.records[0].entryOffset, 77) << c.name;
      EXPECT_EQ(Field(&f.d.patterns.records[0].record, kJreSizeOffset), kJreRecordSize) << c.name;
    }
  }
}

TEST(CompilePatternEntry, OpensAZeroedRecordOfSize78) {
  PatternFixture f;
  ASSERT_EQ(f.Compile("3,abc"), 1);
  EXPECT_EQ(gFake.opens, 1);
  EXPECT_TRUE(gFake.openSawCleanRecord);
}

TEST(CompilePatternEntry, ShownErrorReleasesThePatternsSoFar) {
  PatternFixture f;
  ASSERT_EQ(f.Compile("3,a"), 1);
  ASSERT_EQ(f.Compile("3,b"), 1);
  EXPECT_EQ(f.Compile("3,!c"), 0);
  EXPECT_EQ(gFake.closed, (std::vector<int>{1, 2}));
  EXPECT_EQ(f.d.patterns.block, nullptr);
  EXPECT_EQ(PatternCount(f.d.patterns), 0);
}

TEST(CompilePatternEntry, QuietErrorKeepsThePatternsSoFar) {
  PatternFixture f;
  ASSERT_EQ(f.Compile("3,a"), 1);
  EXPECT_EQ(f.Compile("x", 1), 0);
  EXPECT_EQ(f.Compile("3,!c", 1), 0);
  EXPECT_EQ(PatternCount(f.d.patterns), 1);
  EXPECT_TRUE(gFake.closed.empty());
  EXPECT_TRUE(f.messages.empty());
}

// Without a bound library a pattern line cannot work: it is reported like a
// refused pattern (once per build, as quiet follows), and nothing is called.
TEST(CompilePatternEntry, WithoutTheLibraryReportsARefusal) {
  const PatternLibrary empty{};
  for (const PatternLibrary* library : {static_cast<const PatternLibrary*>(nullptr), &empty}) {
    PatternFixture f;
    f.services.patterns = library;
    EXPECT_EQ(f.Compile("3,abc"), 0);
    EXPECT_EQ(f.Compile("3,abc", 1), 0);
    EXPECT_EQ(f.messages, std::vector<std::string>{kPatternRefusedMessage});
    EXPECT_EQ(gFake.opens, 0);
    EXPECT_EQ(f.d.patterns.block, nullptr);
  }
  PatternFixture f;
  f.d.services = nullptr;
  EXPECT_EQ(f.Compile("3,abc"), 0);  // no sink either: nothing to show, no crash
  EXPECT_EQ(f.Compile("0,abc"), 0);
}

TEST(CompilePatternEntry, OutOfMemoryEmptiesTheListAndClosesEveryRecord) {
  PatternFixture f;
  const int fit = 8191 / static_cast<int>(sizeof(PatternEntry));  // records in the first block
  for (int i = 0; i < fit; ++i) ASSERT_EQ(f.Compile("3,a"), 1);
  ASSERT_EQ(f.d.patterns.capacity, 8192);
  HeapFailAt(1);
  EXPECT_EQ(f.Compile("3,b"), 1);  // as the store expects: no message, still 1
  EXPECT_EQ(f.d.patterns.block, nullptr);
  EXPECT_EQ(f.d.patterns.capacity, 0);
  EXPECT_EQ(f.d.patterns.used, 0);
  EXPECT_EQ(gFake.closed.size(), static_cast<size_t>(fit) + 1);
  EXPECT_TRUE(f.messages.empty());
  EXPECT_EQ(f.Compile("3,c"), 1);  // and the list works again
  EXPECT_EQ(PatternCount(f.d.patterns), 1);
}

TEST(ReleasePatterns, ClosesEachRecordInOrderThenEmpties) {
  PatternFixture f;
  for (const char* line : {"3,a", "3,b", "3,c"}) ASSERT_EQ(f.Compile(line), 1);
  ReleasePatterns(f.d);
  EXPECT_EQ(gFake.closed, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(f.d.patterns.block, nullptr);
  EXPECT_EQ(f.d.patterns.records, nullptr);
  EXPECT_EQ(f.d.patterns.capacity, 0);
  EXPECT_EQ(f.d.patterns.used, 0);
  ReleasePatterns(f.d);  // nothing left
  EXPECT_EQ(gFake.closed.size(), 3u);
}

TEST(FreePatternList, FreesWithoutCallingTheLibrary) {
  PatternFixture f;
  ASSERT_EQ(f.Compile("3,a"), 1);
  FreePatternList(f.d.patterns);
  EXPECT_TRUE(gFake.closed.empty());
  EXPECT_EQ(f.d.patterns.block, nullptr);
  EXPECT_EQ(f.d.patterns.used, 0);
  FreePatternList(f.d.patterns);
}

struct GrowthCase {
  const char* name;
  std::vector<int32_t> sizes;
  int32_t capacity;
};

const GrowthCase kGrowthCases[] = {
    {"one small record", {100}, 8192},
    {"one byte short of a block", {8191}, 8192},
    {"exactly a block grows past it", {8192}, 16384},
    {"filling the block exactly grows it", {8191, 1}, 16384},
    {"two halves", {4096, 4096}, 16384},
    {"under a block in two", {4000, 4000}, 8192},
    {"large record", {20000}, 24576},
};

TEST(AppendPatternEntry, GrowthTable) {
  for (const GrowthCase& c : kGrowthCases) {
    PatternList list{};
    std::vector<unsigned char> expected;
    for (size_t i = 0; i < c.sizes.size(); ++i) {
      const std::vector<unsigned char> bytes(static_cast<size_t>(c.sizes[i]),
                                             static_cast<unsigned char>(i + 1));
      AppendPatternEntry(list, bytes.data(), c.sizes[i]);
      expected.insert(expected.end(), bytes.begin(), bytes.end());
    }
    EXPECT_EQ(list.capacity, c.capacity) << c.name;
    ASSERT_EQ(list.used, static_cast<int32_t>(expected.size())) << c.name;
    EXPECT_EQ(static_cast<void*>(list.records), static_cast<void*>(list.block)) << c.name;
    EXPECT_EQ(std::memcmp(list.block, expected.data(), expected.size()), 0) << c.name;
    FreePatternList(list);
  }
}

TEST(AppendPatternEntry, AllocationFailureEmptiesTheList) {
  const std::vector<char> small(100, 1);
  const std::vector<char> big(8192, 2);
  PatternList list{};
  HeapFailAt(1);  // the first block
  AppendPatternEntry(list, small.data(), 100);
  EXPECT_EQ(list.block, nullptr);
  EXPECT_EQ(list.capacity, 0);
  EXPECT_EQ(list.used, 0);

  AppendPatternEntry(list, small.data(), 100);
  ASSERT_EQ(list.capacity, 8192);
  HeapFailAt(1);  // growing a block that holds records
  AppendPatternEntry(list, big.data(), 8192);
  HeapFailAt(0);
  EXPECT_EQ(list.block, nullptr);
  EXPECT_EQ(list.records, nullptr);
  EXPECT_EQ(list.capacity, 0);
  EXPECT_EQ(list.used, 0);
}

}  // namespace
