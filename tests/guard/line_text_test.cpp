#include "guard/line_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "settings/break_settings.h"

namespace {

// The bytes live in a buffer of exactly their length, so that a read past the
// end is caught by the address sanitizer.
struct Bytes {
  std::vector<unsigned char> data;
  explicit Bytes(const std::string& s) : data(s.begin(), s.end()) {}
  LineText Text() const { return {data.data(), static_cast<int32_t>(data.size())}; }
};

// The four bytes of an escape for a UCS-2 code, as the host writes them.
std::string Escape(uint16_t code) {
  const unsigned low = code & 0xFFu;
  const unsigned high = code >> 8;
  const char b1 = static_cast<char>(0x80 | (low & 0x7F));
  const char b2 = static_cast<char>(0x80 | (high & 0x7F));
  const char b3 = static_cast<char>(0x04 | (low >> 7) | (high >> 7) << 1);
  return std::string{'\x1A', b1, b2, b3};
}

TEST(IsLeadByte, RangeEdges) {
  const struct {
    unsigned char b;
    bool lead;
  } cases[] = {{0x80, false}, {0x81, true}, {0x9F, true}, {0xA0, false}, {0xDF, false},
               {0xE0, true},  {0xFC, true}, {0xFD, false}, {0x1A, false}, {0x41, false}};
  for (const auto& c : cases) EXPECT_EQ(IsLeadByte(c.b), c.lead) << int{c.b};
}

struct EscapeCase {
  const char* name;
  std::string bytes;
  bool escape;
};

TEST(IsWideEscape, BitTest) {
  const EscapeCase cases[] = {
      {"plain", std::string("\x1A\xC1\x80\x04", 4), true},
      {"untested bits 0,1,3,7 of b3 set", std::string("\x1A\xC1\x80\x8F", 4), true},
      {"b3 bit 2 clear", std::string("\x1A\xC1\x80\x08", 4), false},
      {"b3 bit 4 set", std::string("\x1A\xC1\x80\x14", 4), false},
      {"b3 bit 6 set", std::string("\x1A\xC1\x80\x44", 4), false},
      {"b1 bit 7 clear", std::string("\x1A\x41\x80\x04", 4), false},
      {"b2 bit 7 clear", std::string("\x1A\xC1\x00\x04", 4), false},
      {"first byte not 0x1A", std::string("\x1B\xC1\x80\x04", 4), false},
      // Bytes past the end read 0: an escape cut short is a single byte.
      {"cut after b2", std::string("\x1A\xC1\x80", 3), false},
      {"cut after 0x1A", std::string("\x1A", 1), false},
  };
  for (const EscapeCase& c : cases) EXPECT_EQ(IsWideEscape(Bytes(c.bytes).Text(), 0), c.escape) << c.name;
}

TEST(IsWideEscape, OutsideTheTextIsNoEscape) {
  const Bytes b(Escape(0x00E9));
  EXPECT_TRUE(IsWideEscape(b.Text(), 0));
  for (int32_t pos : {-1, 1, 4, INT32_MIN, INT32_MAX}) EXPECT_FALSE(IsWideEscape(b.Text(), pos)) << pos;
}

TEST(DecodeWideEscape, Codes) {
  const struct {
    std::string bytes;
    uint16_t code;
  } cases[] = {
      {std::string("\x1A\xC1\x80\x04", 4), 0x0041},
      {std::string("\x1A\xC0\x80\x05", 4), 0x00C0},  // b3 bit 0 gives bit 7 of the low byte
      {std::string("\x1A\x80\x80\x06", 4), 0x8000},  // b3 bit 1 gives bit 7 of the high byte
      {std::string("\x1A\xE9\x84\x05", 4), 0x04E9},
      {std::string("\x1A\xFF\xFF\x07", 4), 0xFFFF},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeWideEscape(Bytes(c.bytes).Text(), 0), c.code);
  for (uint16_t code : {uint16_t{0x0000}, uint16_t{0x00BF}, uint16_t{0x0292}, uint16_t{0x0400},
                        uint16_t{0x7FFF}, uint16_t{0x8080}})
    EXPECT_EQ(DecodeWideEscape(Bytes(Escape(code)).Text(), 0), code) << code;
}

// One row per (text, position): the four boundary operations.
struct BoundaryCase {
  const char* name;
  std::string bytes;
  int32_t pos;
  int32_t inside;  // IsInsideDoubleByte
  int32_t down;    // AlignCharDown
  int32_t up;      // AlignCharUp
  int32_t width;   // PrevCharWidth
};

const std::string kAsciiKanaAscii("a\x82\xA0" "b", 4);   // a あ b
const std::string kSmallKana("\x82\x9F" "x", 3);        // ぁ x: a trail byte with a lead value
const std::string kEscapeInside("abcde\x1A\xC1\x80\x04" "fg", 11);
// An escape whose b1 and b3 have lead-byte values, then あ: the byte-pair walk
// goes 0, 1, 3, 5; the character walk goes 0, 4, 6.
const std::string kLeadInEscape("\x1A\xE9\x80\x85\x82\xA0", 6);

const BoundaryCase kBoundaryCases[] = {
    {"a|あb", kAsciiKanaAscii, 1, 0, 1, 1, 1},
    {"aあ inside", kAsciiKanaAscii, 2, 1, 1, 3, 1},
    {"aあ|b", kAsciiKanaAscii, 3, 0, 3, 3, 2},
    {"aあb|", kAsciiKanaAscii, 4, 0, 4, 4, 1},
    {"line start", kAsciiKanaAscii, 0, 0, 0, 0, 1},
    {"before the start", kAsciiKanaAscii, -1, 0, 0, 0, 1},
    {"INT32_MIN", kAsciiKanaAscii, INT32_MIN, 0, 0, 0, 1},
    {"past the end", kAsciiKanaAscii, 9, 0, 9, 9, 1},
    {"INT32_MAX", kAsciiKanaAscii, INT32_MAX, 0, INT32_MAX, INT32_MAX, 1},
    {"ぁ|x: trail byte 0x9F", kSmallKana, 2, 0, 2, 2, 2},
    {"ぁ inside", kSmallKana, 1, 1, 0, 2, 1},
    {"ぁx|", kSmallKana, 3, 0, 3, 3, 1},
    {"escape at 5: before it", kEscapeInside, 5, 0, 5, 5, 1},
    {"escape at 5: pos 6", kEscapeInside, 6, 0, 5, 9, 1},
    {"escape at 5: pos 7", kEscapeInside, 7, 0, 5, 9, 1},
    {"escape at 5: pos 8", kEscapeInside, 8, 0, 5, 9, 1},
    {"escape at 5: after it", kEscapeInside, 9, 0, 9, 9, 4},
    // The byte-pair walk pairs 0x85 (b3) with the 0x82 of あ; the character walk
    // steps over the escape and lands on あ.
    {"lead in escape: pos 4", kLeadInEscape, 4, 1, 4, 4, 4},
    {"lead in escape: pos 5", kLeadInEscape, 5, 0, 4, 6, 2},
    {"lead in escape: pos 6", kLeadInEscape, 6, 0, 6, 6, 1},
    {"lead in escape: pos 2", kLeadInEscape, 2, 1, 0, 4, 1},
    // A lead byte as the last byte still pairs with the position after the end.
    {"lone lead at end", std::string("ab\x82", 3), 3, 1, 2, 4, 1},
};

TEST(LineBoundaries, Table) {
  for (const BoundaryCase& c : kBoundaryCases) {
    const Bytes b(c.bytes);
    EXPECT_EQ(IsInsideDoubleByte(b.Text(), c.pos), c.inside) << c.name;
    EXPECT_EQ(AlignCharDown(b.Text(), c.pos), c.down) << c.name;
    EXPECT_EQ(AlignCharUp(b.Text(), c.pos), c.up) << c.name;
    EXPECT_EQ(PrevCharWidth(b.Text(), c.pos), c.width) << c.name;
  }
}

TEST(LineBoundaries, EscapeTestsComeBeforeTheWalk) {
  // An escape at byte 1 right after a lead byte: the escape tests look at the
  // bytes only, so both alignments at 4 keep to the escape, although a walk
  // from the line start takes byte 1 as the trail byte of the character at 0.
  const Bytes b(std::string("\x82\x1A\xC1\x80\x04", 5));
  EXPECT_EQ(AlignCharDown(b.Text(), 4), 1);
  EXPECT_EQ(AlignCharUp(b.Text(), 4), 5);
}

struct LetterCase {
  const char* name;
  std::string bytes;
  int32_t letter;
};

TEST(IsLetterChar, Table) {
  const LetterCase cases[] = {
      {"U+00BF", Escape(0x00BF), 0}, {"U+00C0", Escape(0x00C0), 1},
      {"U+00D7 inside the range", Escape(0x00D7), 1},
      {"U+0292", Escape(0x0292), 1}, {"U+0293", Escape(0x0293), 0},
      {"U+03FF", Escape(0x03FF), 0}, {"U+0400", Escape(0x0400), 1},
      {"U+04E9", Escape(0x04E9), 1}, {"U+04EA", Escape(0x04EA), 0},
      {"SJIS 0x843F", "\x84\x3F", 0}, {"SJIS 0x8440", "\x84\x40", 1},
      {"SJIS 0x8491", "\x84\x91", 1}, {"SJIS 0x8492", "\x84\x92", 0},
      {"Cyrillic Д", "Д", 1}, {"hiragana あ", "あ", 0},
      {"A", "A", 1}, {"Z", "Z", 1}, {"a", "a", 1}, {"z", "z", 1},
      {"at sign", "@", 0}, {"0x5B", "[", 0}, {"0x60", "`", 0}, {"0x7B", "{", 0},
      {"digit", "5", 0},
      {"cut escape of a letter is the byte 0x1A", Escape(0x00C0).substr(0, 3), 0},
      {"lead byte at the end reads 0 after it", "\x84", 0},
  };
  for (const LetterCase& c : cases) EXPECT_EQ(IsLetterChar(Bytes(c.bytes).Text(), 0), c.letter) << c.name;
}

TEST(IsLetterChar, OutsideTheText) {
  const Bytes b("ab");
  EXPECT_EQ(IsLetterChar(b.Text(), 2), 0);
  EXPECT_EQ(IsLetterChar(b.Text(), -1), 0);
  EXPECT_EQ(IsLetterChar(b.Text(), INT32_MAX), 0);
}

// Every byte against the classes as they are worded: catches a slip in the table.
TEST(CharClassTable, MatchesTheClassRanges) {
  const struct {
    int lo, hi;
  } mail[] = {{0x21, 0x21}, {0x24, 0x26}, {0x2A, 0x2A}, {0x2D, 0x39}, {0x3B, 0x3B},
              {0x3F, 0x5A}, {0x5E, 0x5F}, {0x61, 0x7A}, {0x7E, 0x7E}},
    word[] = {{0x24, 0x24}, {0x30, 0x39}, {0x40, 0x5A}, {0x5F, 0x5F}, {0x61, 0x7A}};
  auto in = [](const auto& ranges, int b) {
    for (const auto& r : ranges)
      if (b >= r.lo && b <= r.hi) return 1;
    return 0;
  };
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(IsMailChar(static_cast<unsigned char>(b)), in(mail, b)) << b;
    EXPECT_EQ(IsNumberWordChar(static_cast<unsigned char>(b)), in(word, b)) << b;
  }
}

TEST(CharClassTable, NamedBytes) {
  EXPECT_EQ(IsMailChar('+'), 0);
  EXPECT_EQ(IsMailChar(','), 0);
  EXPECT_EQ(IsMailChar('.'), 1);
  EXPECT_EQ(IsMailChar('@'), 1);
  EXPECT_EQ(IsNumberWordChar('.'), 0);
  EXPECT_EQ(IsNumberWordChar('-'), 0);
  EXPECT_EQ(IsNumberWordChar('$'), 1);
  EXPECT_EQ(IsNumberWordChar('_'), 1);
}

BreakSettings SettingsWithCounters(const char* numAfter) {
  BreakSettings s;
  InitBreakSettings(s);
  std::strcpy(s.NumAfter, numAfter);
  ComputeNumAfterRange(s);
  return s;
}

struct CounterCase {
  const char* name;
  const char* numAfter;
  uint16_t code;
  int32_t counter;
};

TEST(IsCounterChar, Table) {
  const CounterCase cases[] = {
      {"年", kDefaultNumAfter, 0x944E, 1},
      {"位, the lowest", kDefaultNumAfter, 0x88CA, 1},
      {"名, the highest", kDefaultNumAfter, 0x96BC, 1},
      {"below the range", kDefaultNumAfter, 0x88C9, 0},
      {"above the range", kDefaultNumAfter, 0x96BD, 0},
      {"本: in the range, not listed", kDefaultNumAfter, 0x967B, 0},
      {"empty refuses all", "", 0x944E, 0},
      {"empty refuses 0xFFFF", "", 0xFFFF, 0},
      {"single bytes only", "ab", 0x6162, 0},
      // A single byte shifts the pairing: 年 is then read as (0x61,0x94),(0x4E,0).
      {"single byte in front shifts the pairs", "a年", 0x944E, 0},
      // Odd length: the last byte pairs with the terminator.
      {"odd length: last byte with the terminator", "位名\x90", 0x9000, 1},
      {"odd length: walk ends at the terminator pair", "位名\x90", 0x90FF, 0},
  };
  for (const CounterCase& c : cases)
    EXPECT_EQ(IsCounterChar(SettingsWithCounters(c.numAfter), c.code), c.counter) << c.name;
}

TEST(IsCounterChar, NewCountersCountOnceTheRangeFollows) {
  BreakSettings s = SettingsWithCounters(kDefaultNumAfter);
  EXPECT_EQ(IsCounterChar(s, 0x82A0), 0);  // あ lies below the default range
  std::strcpy(s.NumAfter, "あ");
  ComputeNumAfterRange(s);
  EXPECT_EQ(IsCounterChar(s, 0x82A0), 1);
  EXPECT_EQ(IsCounterChar(s, 0x944E), 0);
}

TEST(IsCounterChar, NothingAfterTheTerminatorIsRead) {
  BreakSettings s = SettingsWithCounters("位名\x90");
  s.NumAfter[6] = '\x90';  // left over from a longer value
  s.NumAfter[7] = '\x41';
  EXPECT_EQ(IsCounterChar(s, 0x9041), 0);
}

TEST(IsCounterChar, UnterminatedFieldEndsAtItsLastPair) {
  BreakSettings s;
  InitBreakSettings(s);
  std::memset(s.NumAfter, 'x', sizeof s.NumAfter);
  s.NumAfter[254] = '\x94';
  s.NumAfter[255] = '\x4e';
  ComputeNumAfterRange(s);
  EXPECT_EQ(IsCounterChar(s, 0x944E), 1);
}

TEST(TextFrom, Table) {
  const Bytes b("abcdef");
  const struct {
    int32_t start;
    int32_t length;
    unsigned char first;
  } cases[] = {{0, 6, 'a'}, {2, 4, 'c'}, {5, 1, 'f'}, {6, 0, 0}, {9, 0, 0},
               {INT32_MAX, 0, 0}, {-3, 6, 'a'}, {INT32_MIN, 6, 'a'}};
  for (const auto& c : cases) {
    const LineText t = TextFrom(b.Text(), c.start);
    EXPECT_EQ(t.length, c.length) << c.start;
    EXPECT_EQ(ByteAt(t, 0), c.first) << c.start;
  }
}

// Random bytes rich in lead bytes and escapes: the operations stay in their
// ranges and read nothing outside the buffer.
TEST(LineBoundaries, RandomTextStaysInRange) {
  std::mt19937 rng(20240611);
  const unsigned char interesting[] = {0x1A, 0x81, 0x82, 0x83, 0x84, 0x9F, 0xE0, 0xE9, 0xFC,
                                       0x80, 0x85, 0xA0, 0x04, 0x05, 0x41, 0x00, 0xFF};
  for (int round = 0; round < 20000; ++round) {
    std::vector<unsigned char> data(rng() % 24);
    for (auto& byte : data)
      byte = rng() % 3 ? interesting[rng() % sizeof interesting] : static_cast<unsigned char>(rng());
    const LineText text{data.data(), static_cast<int32_t>(data.size())};
    for (int32_t p = -2; p <= text.length + 3; ++p) {
      const int32_t down = AlignCharDown(text, p);
      const int32_t up = AlignCharUp(text, p);
      const int32_t width = PrevCharWidth(text, p);
      const int32_t inside = IsInsideDoubleByte(text, p);
      if (p <= 0) {
        ASSERT_EQ(down, 0);
        ASSERT_EQ(up, 0);
      } else {
        ASSERT_TRUE(down <= p && down >= p - 3) << p;
        ASSERT_TRUE(up >= p && up <= p + 3) << p;
      }
      ASSERT_TRUE(width == 1 || width == 2 || width == 4);
      ASSERT_TRUE(inside == 0 || inside == 1);
      (void)IsLetterChar(text, p);
    }
  }
}

}  // namespace
