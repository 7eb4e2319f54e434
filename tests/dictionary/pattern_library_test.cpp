// The pattern-library stand-ins, bound as the extension binds them, from the
// folder this test program lies in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dictionary/patterns.h"
#include "dictionary/word_dictionary.h"
#include "platform/dynamic_library.h"
#include "platform/pattern_binding.h"

namespace {

#ifdef _WIN32
const char kOlderLibraryFileName[] = "VxJreNoV318.dll";
#else
const char kOlderLibraryFileName[] = "VxJreNoV318.so";
#endif

std::string OwnFolder() {
  char folder[260];
  return OwnModuleFolder(folder, sizeof folder) ? std::string(folder) : std::string();
}

PatternLibrary Bind(const char* fileName) {
  PatternLibrary library{};
  EXPECT_EQ(BindPatternLibraryFile(library, OwnFolder().c_str(), fileName), 1) << fileName;
  return library;
}

int32_t Field(const JreRecord& r, int offset) {
  int32_t v;
  std::memcpy(&v, r.bytes + offset, sizeof v);
  return v;
}

// One compiled pattern, opened as the extension opens it.
struct Compiled {
  const PatternLibrary& library;
  JreRecord record{};
  int ok = 0;

  Compiled(const PatternLibrary& lib, const std::string& pattern) : library(lib) {
    const int32_t size = kJreRecordSize;
    std::memcpy(record.bytes + kJreSizeOffset, &size, sizeof size);
    library.open(&record);
    ok = library.compile(&record, pattern.c_str());
  }
  ~Compiled() {
    if (ok) library.close(&record);
  }

  // "pos+len", or "none".
  std::string Match(const std::string& text, int32_t start, int32_t end) {
    std::memcpy(record.bytes + kJreStartOffset, &start, sizeof start);
    if (!library.match(&record, text.c_str(), end, 0, 0)) return "none";
    return std::to_string(Field(record, kJrePositionOffset)) + "+" +
           std::to_string(Field(record, kJreLengthOffset));
  }
};

const std::string kEscape = "\x1A\x81\x82\x04";  // U+0201: a Latin letter, escaped

struct MatchCase {
  const char* name;
  std::string pattern;
  std::string text;
  int32_t start;
  int32_t end;
  const char* expected;
};

const MatchCase kMatchCases[] = {
    {"literal", "abc", "xxabcxx", 0, 7, "2+3"},
    {"class", "[0-9]+", "ab123cd", 0, 7, "2+3"},
    {"double-byte literal", "表", "a表b", 0, 4, "1+2"},
    {"trail byte 0x5C is no backslash", "\\\\", "a表b", 0, 4, "none"},
    {"trail byte 0x5C found beside a real backslash", "\\\\", "表\\", 0, 3, "2+1"},
    {"no match across two characters", "\xA0\x82\xA2", "あい", 0, 4, "none"},
    {"dot takes a whole double-byte character", "a.b", "aあb", 0, 4, "0+4"},
    {"dot takes a whole escape", "a.b", "a" + kEscape + "b", 0, 6, "0+6"},
    {"escape in the pattern", kEscape, "xx" + kEscape, 0, 6, "2+4"},
    {"a lone 0x1A does not match an escape", "\x1A", "x" + kEscape, 0, 5, "none"},
    {"CP932 mapping: 0x8160 is U+FF5E", "\\uFF5E", "\x81\x60", 0, 2, "0+2"},
    {"unassigned pair matches itself", "\x85\x40", "a\x85\x40", 0, 3, "1+2"},
    {"unassigned pair is no real character", "・", "\x85\x40", 0, 2, "none"},
    {"lone byte 0x80 is not 0xA0", "\x80", "\xA0\x80", 0, 2, "1+1"},
    {"hiragana range", "[ぁ-ん]+", "漢字ひらがなカナ", 0, 16, "4+8"},
    {"half-width katakana", "ｱｲ", "xｱｲ", 0, 3, "1+2"},
    {"start inside a character moves to the next", ".", "あい", 1, 4, "2+2"},
    {"start inside an escape moves past it", ".", kEscape + "z", 2, 5, "4+1"},
    {"match not below the start", "a", "aXa", 1, 3, "2+1"},
    {"window end honoured", "abc", "xxabcxx", 0, 4, "none"},
    {"window end just after the match", "abc", "xxabcxx", 0, 5, "2+3"},
    {"window end splitting a character", "x.", "xあ", 0, 2, "none"},
    {"window end splitting an escape", "x.", "x" + kEscape, 0, 4, "none"},
    {"text before the start is seen: \\b", "\\bab", "cab", 1, 3, "none"},
    {"text before the start is seen: \\b at a word edge", "\\bab", " ab", 1, 3, "1+2"},
    {"^ is the line start only", "^a", "aa", 1, 2, "none"},
    {"empty pattern matches at the start", "", "abc", 1, 3, "1+0"},
    {"start past the window", "a", "abc", 5, 3, "none"},
    {"a very long line does not exhaust the stack", "(a|b)+", std::string(100000, 'a'), 0, 100000,
     "0+512"},
    {"line end within the searched characters", "a$", std::string(600, 'a'), 590, 600, "599+1"},
    {"where the search is cut off is no line end", "a$", std::string(600, 'a'), 0, 600, "none"},
    {"search stops at the NUL", "b", std::string("a\0b", 3), 0, 3, "none"},
};

TEST(PatternLibraryStandIn, MatchTable) {
  const PatternLibrary library = Bind(kPatternLibraryFileName);
  ASSERT_NE(library.match, nullptr);
  for (const MatchCase& c : kMatchCases) {
    Compiled p(library, c.pattern);
    ASSERT_NE(p.ok, 0) << c.name;
    EXPECT_EQ(p.Match(c.text, c.start, c.end), c.expected) << c.name;
  }
}

TEST(PatternLibraryStandIn, RefusesWhatItCannotCompile) {
  const PatternLibrary library = Bind(kPatternLibraryFileName);
  for (const char* pattern : {"(", "[a", "a{2,1}", "*", "ab\x82"}) {
    Compiled p(library, pattern);
    EXPECT_EQ(p.ok, 0) << pattern;
  }
}

TEST(PatternLibraryStandIn, CompiledRecordSurvivesACopy) {
  const PatternLibrary library = Bind(kPatternLibraryFileName);
  JreRecord moved{};
  {
    Compiled p(library, "b+");
    ASSERT_NE(p.ok, 0);
    moved = p.record;
    p.ok = 0;  // the copy owns it now
  }
  const int32_t start = 0;
  std::memcpy(moved.bytes + kJreStartOffset, &start, sizeof start);
  EXPECT_NE(library.match(&moved, "abbc", 4, 0, 0), 0);
  EXPECT_EQ(Field(moved, kJrePositionOffset), 1);
  EXPECT_EQ(Field(moved, kJreLengthOffset), 2);
  library.close(&moved);
}

TEST(PatternLibraryStandIn, OlderLibraryMatchesThroughTheFallBack) {
  const PatternLibrary older = Bind(kOlderLibraryFileName);
  ASSERT_NE(older.getMatchInfo, nullptr);
  ASSERT_NE(older.match, nullptr);
  Compiled p(older, "abc");
  ASSERT_NE(p.ok, 0);
  EXPECT_EQ(p.Match("xxabcxx", 0, 7), "2+3");
  EXPECT_EQ(p.Match("xxabcxx", 0, 4), "2+3") << "the window end is not passed on";
  EXPECT_EQ(p.Match("xxabcxx", 3, 7), "none") << "the start field still counts";
}

TEST(PatternLibraryStandIn, BindingFailures) {
  PatternLibrary library{};
  EXPECT_EQ(BindPatternLibraryFile(library, OwnFolder().c_str(), "NoSuchLibrary.dll"), 0);
  EXPECT_EQ(library.open, nullptr);
  EXPECT_EQ(library.match, nullptr);
  const std::string longFolder = OwnFolder() + std::string(260 - OwnFolder().size() - 5, 'd') + "/";
  EXPECT_EQ(BindPatternLibraryFile(library, longFolder.c_str(), kPatternLibraryFileName), 0);
  EXPECT_EQ(BindPatternLibrary(library), 1) << "the stand-in lies beside this program";
  EXPECT_NE(library.close, nullptr);
}

void Ignore(void*, const char*) {}

struct EndToEndCase {
  const char* name;
  std::string line;  // after "[RegExp]"
  std::string text;
  int32_t breakPos;
  int32_t expected;
};

const std::string kPad(20, 'x');

const EndToEndCase kEndToEndCases[] = {
    {"amount with its currency", "8,[0-9]+円", kPad + "1234円です", 22, 20},
    {"break before the currency", "8,[0-9]+円", kPad + "1234円です", 24, 20},
    {"match ends at the break", "8,[0-9]+円", kPad + "1234円です", 26, 0},
    {"trail byte 0x5C never matches a backslash", "4,\\\\x", kPad + "表x表x", 23, 0},
    {"a real backslash does", "4,\\\\x", kPad + "a\\xb", 22, 21},
    {"katakana word", "10,[ァ-ヶー]+", kPad + "abコーヒー", 26, 22},
};

TEST(PatternLibraryStandIn, EndToEndThroughTheDictionary) {
  for (const char* fileName : {kPatternLibraryFileName, kOlderLibraryFileName}) {
    const PatternLibrary library = Bind(fileName);
    const MessageSink sink{Ignore, nullptr};
    const DictionaryServices services{&library, &sink, nullptr};
    for (const EndToEndCase& c : kEndToEndCases) {
      WordDictionary d;
      std::memset(&d, 0, sizeof d);
      d.services = &services;
      ASSERT_EQ(CompilePatternEntry(d, reinterpret_cast<const unsigned char*>(c.line.data()),
                                    static_cast<int32_t>(c.line.size()), 0, 0),
                1)
          << c.name;
      const LineText text{reinterpret_cast<const unsigned char*>(c.text.c_str()),
                          static_cast<int32_t>(c.text.size())};
      EXPECT_EQ(FindPatternAcrossBreak(d, text, c.breakPos, text.length, nullptr), c.expected)
          << fileName << ": " << c.name;
      ReleasePatterns(d);
    }
  }
}

}  // namespace
