// What lint reports for word files, by line. Literals are CP932.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "cli/lint_command.h"

namespace {

// A library that refuses every pattern with an unbalanced parenthesis.
int Open(JreRecord*) { return 1; }
int Compile(JreRecord*, const char* pattern) {
  int depth = 0;
  for (const char* p = pattern; *p; ++p) depth += *p == '(' ? 1 : *p == ')' ? -1 : 0;
  return depth == 0 ? 1 : 0;
}
int Match(JreRecord*, const char*) { return 0; }
int MatchV318(JreRecord*, const char*, int32_t, int32_t, int32_t) { return 0; }
int Close(JreRecord*) { return 1; }
const PatternLibrary kParenLibrary{&Open, &Compile, &Match, &MatchV318, &Close};

using Found = std::tuple<int32_t, LintKind, int32_t>;  // line, kind, value

std::vector<Found> Findings(const std::string& contents, const PatternLibrary* library) {
  const LintResult r = LintContents(reinterpret_cast<const unsigned char*>(contents.data()),
                                    static_cast<uint32_t>(contents.size()), library);
  std::vector<Found> found;
  for (const LintFinding& f : r.findings) found.emplace_back(f.line, f.kind, f.value);
  return found;
}

struct LintRow {
  const char* name;
  std::string contents;
  std::vector<Found> expected;
};

TEST(Lint, ReportsEachLineTheLoaderDropsOrChanges) {
  const std::string longLine(300, 'a');
  const std::string cutInsideChar = std::string(254, 'a') + "\x82\xA0" + "bbb";
  const LintRow rows[] = {
      {"clean cp932 words", "単語\r\n// コメント\r\nab\r\n", {}},
      {"one byte", "ab\r\na\r\n", {{2, LintKind::OneByte, 'a'}}},
      {"leading space", "ab\r\n  cd\r\n", {{2, LintKind::LeadingSpace, ' '}}},
      {"first byte FD", "\xFD" "ab\n", {{1, LintKind::BadFirstByte, 0xFD}}},
      {"tab splits a line", "word\tremark\n", {{1, LintKind::Split, 0x09}}},
      {"control byte splits off a byte", "ab\x01" "c\n",
       {{1, LintKind::Split, 0x01}, {1, LintKind::OneByte, 'c'}}},
      {"cut at 255", longLine + "\n", {{1, LintKind::Cut, 300}}},
      {"cut at 254 before a double-byte character", cutInsideChar,
       {{1, LintKind::Cut, 259}}},
      {"duplicates name the first line", "ab\nab\ncd\nab\n",
       {{2, LintKind::Duplicate, 1}, {4, LintKind::Duplicate, 1}}},
      {"CR, CR LF and LF each end a line", "ab\rcd\r\n\ne\n", {{4, LintKind::OneByte, 'e'}}},
      {"malformed pattern lines",
       "[RegExp]0,abc\n[RegExp],abc\n[RegExp] 12,abc\n[RegExp]12abc\n[RegExp]12\n[regexp]3,ab\n",
       {{1, LintKind::Malformed, 0},
        {2, LintKind::Malformed, 0},
        {3, LintKind::Malformed, 0},
        {4, LintKind::Malformed, 0},
        {5, LintKind::Malformed, 0}}},
      {"refused pattern line", "[RegExp]5,a(b\n[RegExp]5,(a)\n", {{1, LintKind::Refused, 0}}},
      {"a duplicate pattern line is reported once", "[RegExp]5,a(b\n[RegExp]5,a(b\n",
       {{1, LintKind::Refused, 0}, {2, LintKind::Duplicate, 1}}},
      {"nul ends the contents", std::string("ab\ncd\0ef\n", 9), {{2, LintKind::Nul, 0}}},
      {"a nul at the very end is harmless", std::string("ab\n\0", 4), {}},
      {"utf-16", std::string("\xFF\xFE" "a\0b\0", 6),
       {{1, LintKind::Utf16, 0}, {1, LintKind::BadFirstByte, 0xFF}, {1, LintKind::Nul, 0}}},
      {"utf-8 byte-order mark", "\xEF\xBB\xBF" "ab\n",
       {{1, LintKind::Utf8Mark, 0}, {1, LintKind::LooksLikeUtf8, 0}}},
      {"utf-8 text", u8"単語\n", {{1, LintKind::LooksLikeUtf8, 0}}},
  };
  for (const LintRow& row : rows) EXPECT_EQ(Findings(row.contents, &kParenLibrary), row.expected) << row.name;
}

TEST(Lint, WithoutALibraryChecksTheFormOnly) {
  EXPECT_EQ(Findings("[RegExp]5,a(b\n[RegExp]x\n", nullptr),
            (std::vector<Found>{{2, LintKind::Malformed, 0}}));
}

TEST(Lint, CountsEntriesAsTheLoaderKeepsThem) {
  const std::string contents = "// c\r\nab\r\nab\r\ncd\r\n[RegExp]3,ab\r\n[RegExp]3,a(\r\nx\r\n";
  const LintResult r = LintContents(reinterpret_cast<const unsigned char*>(contents.data()),
                                    static_cast<uint32_t>(contents.size()), &kParenLibrary);
  EXPECT_EQ(r.words, 2);
  EXPECT_EQ(r.comments, 1);
  EXPECT_EQ(r.patterns, 2);
  EXPECT_EQ(r.faultyPatterns, 1);
  EXPECT_EQ(r.dropped, 1);
  EXPECT_EQ(r.duplicates, 1);
}

TEST(Lint, ShowsLineTextInTheOutputEncoding) {
  const LintFinding duplicate{7, LintKind::Duplicate, "単語", 3, 0};
  EXPECT_EQ(DescribeFinding(duplicate, TextEncoding::Utf8),
            std::string("7: duplicate of line 3, removed at load \"") + u8"単語" + "\"");
  EXPECT_EQ(DescribeFinding(duplicate, TextEncoding::Cp932),
            "7: duplicate of line 3, removed at load \"単語\"");
}

}  // namespace
