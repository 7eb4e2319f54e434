#include "cli/encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "guard/line_text.h"

namespace {

LineText AsText(const std::string& s) {
  return LineText{reinterpret_cast<const unsigned char*>(s.data()), static_cast<int32_t>(s.size())};
}

std::string Escape(uint16_t code) {
  std::string s;
  AppendWideEscape(&s, code);
  return s;
}

TEST(WideEscape, EncodesBitsAsTheHostDoes) {
  struct Row {
    uint16_t code;
    const char* bytes;
  } rows[] = {
      {0x00E9, "\x1A\xE9\x80\x05"},  // low byte's bit 7 goes to b3 bit 0
      {0x0100, "\x1A\x80\x81\x04"},
      {0x8000, "\x1A\x80\x80\x06"},  // high byte's bit 7 goes to b3 bit 1
      {0xFFFF, "\x1A\xFF\xFF\x07"},
      {0xD83D, "\x1A\xBD\xD8\x06"},
  };
  for (const Row& row : rows) EXPECT_EQ(Escape(row.code), row.bytes) << row.code;
}

TEST(WideEscape, CoreDecodesEveryCodeBack) {
  for (uint32_t code = 0x80; code <= 0xFFFF; ++code) {
    const std::string e = Escape(static_cast<uint16_t>(code));
    ASSERT_TRUE(IsWideEscape(AsText(e), 0)) << code;
    ASSERT_EQ(DecodeWideEscape(AsText(e), 0), code);
  }
}

struct ToHostRow {
  const char* name;
  std::string utf8;
  std::string host;
};

TEST(Utf8ToHost, ConvertsOrEscapes) {
  const ToHostRow rows[] = {
      {"ascii", u8"abc 1,234", "abc 1,234"},
      {"hiragana", u8"あい", "\x82\xA0\x82\xA2"},
      {"half-width katakana is one byte", u8"ｱ", "\xB1"},
      {"wave dash", u8"～", "\x81\x60"},
      {"latin small e acute is escaped", u8"é", "\x1A\xE9\x80\x05"},
      {"cyrillic fits in cp932", u8"М", "\x84\x4D"},
      {"above U+FFFF: two surrogate escapes", u8"\U0001F600", "\x1A\xBD\xD8\x06\x1A\x80\xDE\x06"},
      {"nul passes", std::string("a\0b", 3), std::string("a\0b", 3)},
      {"empty", "", ""},
  };
  for (const ToHostRow& row : rows) {
    std::string host;
    ASSERT_TRUE(Utf8ToHost(row.utf8, &host, nullptr, nullptr)) << row.name;
    EXPECT_EQ(host, row.host) << row.name;
  }
}

TEST(Utf8ToHost, RefusesMalformedUtf8AtItsFirstBadByte) {
  const struct {
    const char* name;
    std::string utf8;
    size_t bad;
  } rows[] = {
      {"cut short", "ab\xE3\x81", 2},
      {"lone continuation", "ab\x80", 2},
      {"overlong slash", "a\xC0\xAF", 1},
      {"overlong three bytes", "\xE0\x80\xAF", 0},
      {"surrogate", "\xED\xA0\x80", 0},
      {"above U+10FFFF", "\xF4\x90\x80\x80", 0},
      {"bad continuation", "x\xE3\x41\x82", 1},
      {"byte FF", "\xFF", 0},
      {"cp932 bytes", "\x82\xA0", 0},
  };
  for (const auto& row : rows) {
    std::string host = "unchanged";
    size_t bad = 99;
    EXPECT_FALSE(Utf8ToHost(row.utf8, &host, nullptr, &bad)) << row.name;
    EXPECT_EQ(bad, row.bad) << row.name;
    EXPECT_EQ(host, "unchanged") << row.name;
  }
}

TEST(Utf8ToHost, MapsEveryCharacterToItsSource) {
  // Not inside the assertion: its text would become a CP932 string.
  const std::string text = u8"aあé\U0001F600ｱ";
  std::string host;
  std::vector<CharSpan> chars;
  ASSERT_TRUE(Utf8ToHost(text, &host, &chars, nullptr));
  const std::vector<CharSpan> expected = {
      {0, 1, 0}, {1, 2, 1}, {3, 4, 4}, {7, 8, 6}, {15, 1, 10},
  };
  ASSERT_EQ(chars.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(chars[i].hostStart, expected[i].hostStart) << i;
    EXPECT_EQ(chars[i].hostLength, expected[i].hostLength) << i;
    EXPECT_EQ(chars[i].sourceStart, expected[i].sourceStart) << i;
  }
}

TEST(HostChars, WalksLeadBytesAndEscapes) {
  // a, あ, an escape, b, then a lead byte cut short by the end.
  const std::string host = std::string("a\x82\xA0") + Escape(0x00E9) + "b\x82";
  const std::vector<CharSpan> chars = HostChars(host);
  const std::vector<std::pair<int32_t, int32_t>> expected = {{0, 1}, {1, 2}, {3, 4}, {7, 1}, {8, 1}};
  ASSERT_EQ(chars.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(chars[i].hostStart, expected[i].first) << i;
    EXPECT_EQ(chars[i].hostLength, expected[i].second) << i;
  }
}

TEST(HostToUtf8, RoundTripsWhatUtf8ToHostMade) {
  const std::string texts[] = {
      u8"日本語のテキストと1,234円",
      u8"Ｗｉｋｉｐｅｄｉａ ｱｲｳ ~\\",
      u8"café naïve Ωμέγα",
      u8"絵文字\U0001F600と\U00020B9F",
  };
  for (const std::string& text : texts) {
    std::string host;
    ASSERT_TRUE(Utf8ToHost(text, &host, nullptr, nullptr)) << text;
    EXPECT_EQ(HostToUtf8(host), text);
  }
}

TEST(HostToUtf8, ShowsBytesThatStandForNothing) {
  const struct {
    const char* name;
    std::string host;
    std::string shown;
  } rows[] = {
      {"lead byte at the end", "ab\x82", "ab\\x82"},
      {"byte FD", "\xFD" "a", "\\xFDa"},
      {"lone high surrogate", Escape(0xD83D) + "x", "\\uD83Dx"},
      {"escaped nul", Escape(0x0000), "\\u0000"},
  };
  for (const auto& row : rows) EXPECT_EQ(HostToUtf8(row.host), row.shown) << row.name;
}

TEST(Encoding, Cp932PassesBytesUnchanged) {
  const std::string bytes = "\x82\xA0\xFD\x1A\x80";
  std::string host;
  ASSERT_TRUE(ToHost(TextEncoding::Cp932, bytes, &host, nullptr));
  EXPECT_EQ(host, bytes);
  EXPECT_EQ(FromHost(TextEncoding::Cp932, bytes), bytes);
}

}  // namespace
