// Row arithmetic of velmark wrap, with the break check replaced by a table
// of answers. Literals are CP932 here: あ is two bytes, two columns.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cli/encoding.h"
#include "cli/wrap_command.h"

namespace {

std::string Escape(uint16_t code) {
  std::string s;
  AppendWideEscape(&s, code);
  return s;
}

struct WrapRow {
  const char* name;
  std::string host;
  int32_t width;
  std::map<int32_t, int32_t> answers;  // proposed break -> answer; 0 when not listed
  std::vector<std::string> rows;
  std::vector<int32_t> asked;          // proposals in order
};

struct WrapOutcome {
  std::vector<std::string> rows;
  std::vector<int32_t> asked;
};

WrapOutcome Wrap(const WrapRow& row) {
  WrapOutcome outcome;
  const std::vector<CharSpan> chars = HostChars(row.host);
  const BreakAsker ask = [&](int32_t breakPos) {
    outcome.asked.push_back(breakPos);
    const auto found = row.answers.find(breakPos);
    return found == row.answers.end() ? 0 : found->second;
  };
  size_t from = 0;
  for (const size_t end : WrapRows(row.host, chars, row.width, ask)) {
    const auto start = static_cast<size_t>(from < chars.size() ? chars[from].hostStart : 0);
    const size_t stop = end < chars.size() ? static_cast<size_t>(chars[end].hostStart) : row.host.size();
    outcome.rows.push_back(row.host.substr(start, stop - start));
    from = end;
  }
  return outcome;
}

TEST(WrapRows, BreaksWhereTheCheckSays) {
  const WrapRow rows[] = {
      {"fits whole: nothing asked", "abcd", 4, {}, {"abcd"}, {}},
      {"empty line", "", 4, {}, {""}, {}},
      {"answer 0: break at the proposal", "abcdefghij", 4, {}, {"abcd", "efgh", "ij"}, {4, 8}},
      {"answer moves the break back", "abcdefghij", 4, {{4, 2}}, {"ab", "cdef", "ghij"}, {4, 6}},
      {"answer at the row start: proposal", "abcdefghij", 4, {{8, 4}}, {"abcd", "efgh", "ij"},
       {4, 8}},
      {"answer before the row start: proposal", "abcdefghij", 4, {{8, 1}},
       {"abcd", "efgh", "ij"}, {4, 8}},
      {"answer at or past the proposal: proposal", "abcdefghij", 4, {{4, 4}, {8, 9}},
       {"abcd", "efgh", "ij"}, {4, 8}},
      {"negative answer: proposal", "abcdef", 4, {{4, -3}}, {"abcd", "ef"}, {4}},
      {"double-byte counts 2", "あいう", 4, {}, {"あい", "う"}, {4}},
      {"odd width leaves the column unused", "あいう", 3, {}, {"あ", "い", "う"}, {2, 4}},
      {"wider than a row still advances", "あa", 1, {}, {"あ", "a"}, {2}},
      {"escape counts 2", "a" + Escape(0x00E9) + "bc", 3, {},
       {"a" + Escape(0x00E9), "bc"}, {5}},
      {"answer inside a character: its start", "abあいう", 6, {{6, 3}}, {"ab", "あいう"}, {6}},
      {"answer inside the row's first character: proposal", "あいうえ", 4, {{4, 1}},
       {"あい", "うえ"}, {4}},
      {"half-width katakana counts 1", "\xB1\xB2\xB3\xB4\xB5", 2, {},
       {"\xB1\xB2", "\xB3\xB4", "\xB5"}, {2, 4}},
  };
  for (const WrapRow& row : rows) {
    const WrapOutcome outcome = Wrap(row);
    EXPECT_EQ(outcome.rows, row.rows) << row.name;
    EXPECT_EQ(outcome.asked, row.asked) << row.name;
  }
}

TEST(CharColumns, TwoForDoubleByteAndEscapesOneForSingleBytes) {
  const std::string host = std::string("a\xB1\x82\xA0\t") + Escape(0x00E9) + "\x1A\xBD\xD8\x06\x1A\x80\xDE\x06";
  std::vector<CharSpan> chars = HostChars(host);
  std::vector<int32_t> columns;
  for (const CharSpan& c : chars) columns.push_back(CharColumns(host, c));
  EXPECT_EQ(columns, (std::vector<int32_t>{1, 1, 2, 1, 2, 2, 2}));
  // From UTF-8 a character above U+FFFF is one span of two escapes: 4 columns.
  std::string converted;
  chars.clear();
  const std::string emoji = u8"\U0001F600";
  ASSERT_TRUE(Utf8ToHost(emoji, &converted, &chars, nullptr));
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(CharColumns(converted, chars[0]), 4);
}

}  // namespace
