#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "guard/break_check.h"
#include "guard/line_text.h"
#include "settings/break_settings.h"

namespace {

// Rule bits, short so that the rows stay on one line.
constexpr int32_t WD = KeepWideDigits, KK = KeepKatakana, WR = KeepWideRoman,
                  ML = KeepMailAddress, CS = KeepCounterSuffix, DC = KeepDecimal,
                  TH = KeepThousands, LW = KeepLetterWords, ALL = kAllRuleBits;
using D = BreakDecider;

constexpr int32_t kToEnd = -999999;  // lineEnd: the end of the line

template <class T, size_t N>
int32_t CountOf(const T (&)[N]) {
  return static_cast<int32_t>(N);
}

// The bytes live in a buffer of exactly their length: a read past the end is
// caught by the address sanitizer, and ByteAt must give 0 there.
struct Bytes {
  std::vector<unsigned char> data;
  explicit Bytes(const std::string& s) : data(s.begin(), s.end()) {}
  LineText Text() const { return {data.data(), static_cast<int32_t>(data.size())}; }
};

std::string Hiragana(int count) {
  const std::string ten = "あいうえおかきくけこ";
  return ten.substr(0, static_cast<size_t>(2 * count));
}

std::string Escape(uint16_t code) {
  const unsigned low = code & 0xFFu;
  const unsigned high = code >> 8;
  return std::string{'\x1A', static_cast<char>(0x80 | (low & 0x7F)),
                     static_cast<char>(0x80 | (high & 0x7F)),
                     static_cast<char>(0x04 | (low >> 7) | (high >> 7) << 1)};
}

BreakSettings Settings(int32_t flags, int32_t katakanaMax, const char* numAfter) {
  BreakSettings s;
  InitBreakSettings(s);
  s.TarnixFlag = flags;
  s.TarnixKatakanaMax = katakanaMax;
  std::strcpy(s.NumAfter, numAfter);
  ComputeNumAfterRange(s);
  return s;
}

struct RuleCase {
  const char* name;
  int hiragana;  // hiragana in front of the tail, two bytes each
  std::string tail;
  int32_t breakPos;
  int32_t lineEnd;
  int32_t flags;
  int32_t katakanaMax;
  int32_t expected;
  BreakDecider decider;
  const char* numAfter = kDefaultNumAfter;
};

const std::string kAcute = Escape(0x00E9);  // e with acute, a letter only as an escape

const RuleCase kRuleCases[] = {
    // Gates before the rules.
    {"flag 0", 10, "１２３４です", 24, kToEnd, 0, 10, 0, D::None},
    {"bit 0x40 alone", 10, "１２３４です", 24, kToEnd, 0x40, 10, 0, D::None},
    {"unknown high bits alone", 10, "１２３４です", 24, kToEnd, 0x7FFFFE00, 10, 0, D::None},
    {"break at 10", 3, "１２３４です", 10, kToEnd, ALL, 10, 0, D::None},
    {"negative break", 10, "１２３４です", -5, kToEnd, ALL, 10, 0, D::None},
    {"INT32_MIN break", 10, "１２３４です", INT32_MIN, kToEnd, ALL, 10, 0, D::None},
    {"INT32_MAX break", 10, "１２３４です", INT32_MAX, INT32_MAX, ALL, 10, 0, D::None},
    {"smallest movable break", 0, "           5円", 12, kToEnd, CS, 10, 11, D::Counter},
    {"run from the floor", 0, "          55円", 12, kToEnd, CS, 10, 0, D::None},

    // Full-width digits and roman letters.
    {"１２|３４です", 10, "１２３４です", 24, kToEnd, WD, 10, 20, D::WideDigits},
    {"１２|３４です without the bit", 10, "１２３４です", 24, kToEnd, ALL & ~WD, 10, 0, D::None},
    {"２０２４|年", 10, "２０２４年", 28, kToEnd, WD | CS, 10, 20, D::WideDigits},
    {"２０２４|年 digits bit alone", 10, "２０２４年", 28, kToEnd, WD, 10, 0, D::None},
    {"２０２４|年 counter bit alone", 10, "２０２４年", 28, kToEnd, CS, 10, 0, D::None},
    {"１２|あ", 10, "１２あ", 24, kToEnd, ALL, 10, 0, D::None},
    {"１２|3: single byte at the break", 10, "１２3", 24, kToEnd, ALL, 10, 0, D::None},
    {"wide digits above the floor", 7, "１２３４５６７８", 26, kToEnd, WD, 10, 14, D::WideDigits},
    {"wide digits from the floor", 6, "１２３４５６７８", 24, kToEnd, WD, 10, 0, D::None},
    {"ＡＢＣ|ＤＥ", 10, "ＡＢＣＤＥ", 26, kToEnd, WR, 10, 20, D::WideRoman},
    {"ＡＢＣ|ＤＥ without the bit", 10, "ＡＢＣＤＥ", 26, kToEnd, ALL & ~WR, 10, 0, D::None},
    {"ＡＢ|１", 10, "ＡＢ１", 24, kToEnd, WR | WD, 10, 0, D::None},
    {"漢|字: no rule for kanji", 10, "漢字", 22, kToEnd, ALL, 10, 0, D::None},

    // Katakana and its limit: コンピューター is 7 characters at 20..33.
    {"コンピュ|ーター limit 10", 10, "コンピューター", 28, kToEnd, KK, 10, 20, D::Katakana},
    {"コンピュ|ーター limit 7", 10, "コンピューター", 28, kToEnd, KK, 7, 20, D::Katakana},
    {"コンピュ|ーター limit 6", 10, "コンピューター", 28, kToEnd, KK, 6, 0, D::None},
    {"コンピュ|ーター limit 0", 10, "コンピューター", 28, kToEnd, KK, 0, 0, D::None},
    {"コンピュ|ーター limit INT32_MIN", 10, "コンピューター", 28, kToEnd, KK, INT32_MIN, 0, D::None},
    {"コンピュ|ーター limit INT32_MAX", 10, "コンピューター", 28, kToEnd, KK, INT32_MAX, 20, D::Katakana},
    {"コンピュ|ーター without the bit", 10, "コンピューター", 28, kToEnd, ALL & ~KK, 10, 0, D::None},
    {"lineEnd 30 counts five, limit 10", 10, "コンピューター", 28, 30, KK, 10, 20, D::Katakana},
    {"lineEnd 30 counts five, limit 5", 10, "コンピューター", 28, 30, KK, 5, 20, D::Katakana},
    {"lineEnd 30 counts five, limit 4", 10, "コンピューター", 28, 30, KK, 4, 0, D::None},
    {"lineEnd 30 counts five, limit 3", 10, "コンピューター", 28, 30, KK, 3, 0, D::None},
    // The pair at lineEnd - 1 and lineEnd is read while lineEnd - 1 is in the run.
    {"lineEnd 33 reads the pair 32-33", 10, "コンピューター", 28, 33, KK, 6, 0, D::None},
    {"lineEnd 32 stops before it", 10, "コンピューター", 28, 32, KK, 6, 20, D::Katakana},
    {"lineEnd past the text", 10, "コンピューター", 28, 40, KK, 7, 20, D::Katakana},
    {"lineEnd INT32_MAX", 10, "コンピューター", 28, INT32_MAX, KK, 7, 20, D::Katakana},
    {"lineEnd below the run counts nothing", 10, "コンピューター", 28, INT32_MIN, KK, 0, 20, D::Katakana},
    {"katakana above the floor", 6, "コンピューター", 20, kToEnd, KK, 10, 12, D::Katakana},
    {"katakana from the floor", 5, "コンピューター", 18, kToEnd, KK, 10, 0, D::None},
    {"ア|ーーイ", 10, "アーーイ", 22, kToEnd, KK, 10, 20, D::Katakana},
    {"アー|ーイ: two marks", 10, "アーーイ", 24, kToEnd, KK, 10, 0, D::None},
    {"ー|ア", 10, "ーア", 22, kToEnd, KK, 10, 20, D::Katakana},

    // Counter characters after ASCII digits.
    {"123|円", 10, "123円", 23, kToEnd, CS, 10, 20, D::Counter},
    {"123|本: not a counter", 10, "123本", 23, kToEnd, CS, 10, 0, D::None},
    {"123|円 without the bit", 10, "123円", 23, kToEnd, ALL & ~CS, 10, 0, D::None},
    {"123|円 empty NumAfter", 10, "123円", 23, kToEnd, CS, 10, 0, D::None, ""},
    {"12|円 digit scan", 10, "12円", 22, kToEnd, CS | TH, 10, 20, D::Counter},
    {"5|円 digit scan", 10, "5円", 21, kToEnd, CS | TH, 10, 20, D::Counter},
    {"1234|円 digit scan", 10, "1234円", 24, kToEnd, CS | TH, 10, 20, D::Counter},
    {"1,234|円 thousands check", 10, "1,234円", 25, kToEnd, CS | TH, 10, 20, D::Counter},
    {"1,234|円 decimal stops at the comma", 10, "1,234円", 25, kToEnd, CS | DC, 10, 22, D::Counter},
    {"1,234|円 decimal into thousands", 10, "1,234円", 25, kToEnd, CS | DC | TH, 10, 20, D::Counter},
    {"1,234.5|円", 10, "1,234.5円", 27, kToEnd, CS | DC | TH, 10, 20, D::Counter},
    {"abc123|円 word joins", 10, "abc123円", 26, kToEnd, CS | DC, 10, 20, D::Counter},
    {"abc123|円 counter alone", 10, "abc123円", 26, kToEnd, CS, 10, 23, D::Counter},
    {"digit scan steps past a trail byte", 10, "\x81" "512円", 24, kToEnd, CS, 10, 22, D::Counter},

    // Mail: four letters, at sign, four letters, full stop, two letters, space.
    {"abcd|@efgh.ij", 10, "abcd@efgh.ij ", 24, kToEnd, ML, 10, 20, D::Mail},
    {"abcd@efgh.|ij look back", 10, "abcd@efgh.ij ", 30, kToEnd, ML, 10, 20, D::Mail},
    {"abcd@|efgh.ij after the at sign", 10, "abcd@efgh.ij ", 25, kToEnd, ML, 10, 0, D::None},
    {"abcd@ef|gh.ij inside the run", 10, "abcd@efgh.ij ", 27, kToEnd, ML, 10, 0, D::None},
    {"abcd|@efgh.ij without the bit", 10, "abcd@efgh.ij ", 24, kToEnd, ALL & ~ML, 10, 0, D::None},
    {"abcd|@ ef: no mail byte after", 10, "abcd@ ef", 24, kToEnd, ML, 10, 0, D::None},
    {"abcd.|efgh@i.jk look ahead", 10, "abcd.efgh@i.jk", 25, kToEnd, ML, 10, 20, D::Mail},
    {"look ahead, lineEnd 25", 10, "abcd.efgh@i.jk", 25, 25, ML, 10, 0, D::None},
    {"look ahead, lineEnd 29", 10, "abcd.efgh@i.jk", 25, 29, ML, 10, 0, D::None},
    {"look ahead, lineEnd 30 reads byte 30", 10, "abcd.efgh@i.jk", 25, 30, ML, 10, 20, D::Mail},
    {"look ahead, byte 30 past the text", 10, "abcd.efgh@", 25, 31, ML, 10, 0, D::None},
    {"look ahead, lineEnd 30, text ends at 31", 10, "abcd.efgh@i", 25, 30, ML, 10, 20, D::Mail},
    {"no at sign in the run", 10, "abcd.efgh.ij", 25, kToEnd, ML, 10, 0, D::None},
    {"after ア: its trail byte is a mail byte", 10, "アbc@de", 24, kToEnd, ML, 10, 22, D::Mail},
    {"a+b|@cd: plus ends the run", 10, "a+b@cd", 23, kToEnd, ML, 10, 22, D::Mail},
    // An at sign behind without a mail byte in front: the look ahead still runs.
    {"look back fails, look ahead finds", 10, "x @ab.cd@ef", 26, kToEnd, ML, 10, 22, D::Mail},
    {"mail from the floor gives way to decimal", 0, "abcdefghijklm1.5@x", 15, kToEnd, ML | DC, 10, 13, D::Decimal},
    {"mail from the floor alone", 0, "abcdefghijklm1.5@x", 15, kToEnd, ML, 10, 0, D::None},

    // Decimal numbers.
    {"123|.56", 10, "123.56", 23, kToEnd, DC, 10, 20, D::Decimal},
    {"123.|56", 10, "123.56", 24, kToEnd, DC, 10, 20, D::Decimal},
    {"123.|56 without the bit", 10, "123.56", 24, kToEnd, ALL & ~DC, 10, 0, D::None},
    {"ver1.|5", 10, "ver1.5", 25, kToEnd, DC, 10, 20, D::Decimal},
    {"1.2.|3", 10, "1.2.3", 24, kToEnd, DC, 10, 20, D::Decimal},
    {"1,234|.56", 10, "1,234.56", 25, kToEnd, DC | TH, 10, 20, D::Decimal},
    {"1,234.|56", 10, "1,234.56", 26, kToEnd, DC | TH, 10, 20, D::Decimal},
    {"1,234.|567", 10, "1,234.567", 26, kToEnd, DC | TH, 10, 20, D::Decimal},
    {"1,234.|56 decimal alone", 10, "1,234.56", 26, kToEnd, DC, 10, 22, D::Decimal},
    {"1,23.|5 grouping fails: own start", 10, "1,23.5", 25, kToEnd, DC | TH, 10, 22, D::Decimal},
    {"word reaching the floor stays out", 0, "abcdefghijklmn12.5", 17, kToEnd, DC, 10, 14, D::Decimal},
    {"ア12.|5: trail byte of ア", 10, "ア12.5", 25, kToEnd, DC, 10, 22, D::Decimal},
    {"decimal from the floor", 0, "123456789012.5", 13, kToEnd, DC | TH, 10, 0, D::None},
    {"12.| at the end of the text", 10, "12.", 23, kToEnd, DC, 10, 0, D::None},

    // Comma-grouped numbers.
    {"1,|000", 10, "1,000", 22, kToEnd, TH, 10, 20, D::Thousands},
    {"1|,000", 10, "1,000", 21, kToEnd, TH, 10, 20, D::Thousands},
    {"1,|000 without the bit", 10, "1,000", 22, kToEnd, ALL & ~TH, 10, 0, D::None},
    {"12,|345,678", 10, "12,345,678", 23, kToEnd, TH, 10, 20, D::Thousands},
    {"1,|234,567,890: three commas", 10, "1,234,567,890", 22, kToEnd, TH, 10, 0, D::None},
    {"1,|2345", 10, "1,2345", 22, kToEnd, TH, 10, 0, D::None},
    {"0,|123", 10, "0,123", 22, kToEnd, TH, 10, 0, D::None},
    {"1,|23", 10, "1,23", 22, kToEnd, TH, 10, 0, D::None},
    {"1234,|567", 10, "1234,567", 25, kToEnd, TH, 10, 0, D::None},
    {"1,|000 lineEnd 23", 10, "1,000 ", 22, 23, TH, 10, 0, D::None},
    {"1,|000 lineEnd 24", 10, "1,000 ", 22, 24, TH, 10, 0, D::None},
    {"1,|000 lineEnd 25", 10, "1,000 ", 22, 25, TH, 10, 20, D::Thousands},
    {"1,|000 lineEnd INT32_MAX", 10, "1,000", 22, INT32_MAX, TH, 10, 20, D::Thousands},
    {"1,|000 lineEnd INT32_MIN", 10, "1,000", 22, INT32_MIN, TH, 10, 0, D::None},
    {"1,|23,456: a short inner group", 10, "1,23,456", 22, kToEnd, TH, 10, 0, D::None},
    {"thousands steps past a trail byte", 10, "\x81" "12,000", 24, kToEnd, TH, 10, 22, D::Thousands},
    {"thousands check from a trail-byte comma", 10, "\x81" "1,000", 23, kToEnd, TH, 10, 0, D::None},
    {"thousands from the floor", 0, "12345678901,234", 12, kToEnd, TH, 10, 0, D::None},

    // Letter words.
    {"abc|def", 10, "abcdef", 23, kToEnd, LW, 10, 20, D::LetterWords},
    {"abc|def without the bit", 10, "abcdef", 23, kToEnd, ALL & ~LW, 10, 0, D::None},
    {"Мос|ква", 10, "Москва", 26, kToEnd, LW, 10, 20, D::LetterWords},
    {"abcД|ef", 10, "abcДef", 25, kToEnd, LW, 10, 20, D::LetterWords},
    {"letters: front character at the floor", 6, "abcdefghijkl", 18, kToEnd, LW, 10, 0, D::None},
    {"letters: a-bcdef|ghijkl", 6, "a-bcdefghijkl", 19, kToEnd, LW, 10, 14, D::LetterWords},
    {"abc|e-acute escape at the break", 10, "abc" + kAcute + "def", 23, kToEnd, LW, 10, 20, D::LetterWords},
    {"abc e-acute|def escape before the break", 10, "abc" + kAcute + "def", 27, kToEnd, LW, 10, 20, D::LetterWords},
    {"escape at the break, no letter bit", 10, "abc" + kAcute + "def", 23, kToEnd, ALL & ~LW, 10, 0, D::None},
    {"letter at the end of the text", 10, "abc", 23, kToEnd, LW, 10, 0, D::None},
};

TEST(BreakRules, Table) {
  for (const RuleCase& c : kRuleCases) {
    const BreakSettings s = Settings(c.flags, c.katakanaMax, c.numAfter);
    const Bytes line(Hiragana(c.hiragana) + c.tail);
    const int32_t lineEnd = c.lineEnd == kToEnd ? line.Text().length : c.lineEnd;
    BreakTrace trace{D::Pattern, -1};
    EXPECT_EQ(CheckBuiltInRules(s, line.Text(), c.breakPos, lineEnd, &trace), c.expected) << c.name;
    EXPECT_EQ(trace.decider, c.decider) << c.name;
    EXPECT_EQ(trace.detail, 0) << c.name;
    // Without a dictionary the whole check is the rules.
    EXPECT_EQ(CheckBreak(s, nullptr, line.Text(), c.breakPos, lineEnd, nullptr), c.expected) << c.name;
  }
}

TEST(BreakDeciderName, SpellsTheCommandLineNames) {
  const struct {
    BreakDecider decider;
    const char* name;
  } cases[] = {{D::None, "none"},           {D::DictionaryWord, "word"}, {D::Pattern, "pattern"},
               {D::WideDigits, "wide-digits"}, {D::WideRoman, "wide-roman"},
               {D::Katakana, "katakana"},   {D::Counter, "counter"},    {D::Mail, "mail"},
               {D::Decimal, "decimal"},     {D::Thousands, "thousands"}, {D::LetterWords, "letters"}};
  for (const auto& c : cases) EXPECT_STREQ(BreakDeciderName(c.decider), c.name);
}

// Random lines built from the pieces the rules look at, random settings, and
// break positions around and far outside the line. A built-in answer is 0 or
// lies strictly between the floor and the break; the buffer has exactly the
// line's length, so the sanitizer build proves that nothing outside is read.
TEST(BreakRules, RandomLinesKeepTheInvariants) {
  const std::string pieces[] = {
      "あ", "ア", "ー", "ン", "１", "９", "Ａ", "ｚ", "Д", "я", "年", "円", "本", Escape(0x00E9),
      Escape(0x0416), Escape(0x3042), "\x1A", "\x81", "\x83", "\x84", "\x9F", "\xE0", "\xE9",
      "\xFC", "\x85", "\x80", "0", "1", "5", "9", ".", ",", "@", "+", "-", "a", "Z", "A", " ",
      "$", "_", "\xB1"};
  const int32_t extremes[] = {INT32_MIN, INT32_MIN + 1, -1, 0, 10, 11, INT32_MAX - 1, INT32_MAX};
  const int32_t limits[] = {INT32_MIN, -1, 0, 1, 2, 3, 5, 10, 40, INT32_MAX};
  std::mt19937 rng(0x7A12);
  auto pick = [&rng](int32_t n) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(n)); };

  for (int round = 0; round < 300000; ++round) {
    std::string s;
    const int32_t count = pick(20) == 0 ? pick(120) : pick(24);
    for (int32_t i = 0; i < count; ++i)
      s += pick(8) == 0 ? std::string(1, static_cast<char>(rng())) : pieces[pick(CountOf(pieces))];
    if (!s.empty() && pick(4) == 0) s.resize(static_cast<size_t>(pick(static_cast<int32_t>(s.size()))));
    const Bytes line(s);
    const int32_t len = line.Text().length;

    BreakSettings settings;
    InitBreakSettings(settings);
    settings.TarnixFlag = pick(8) == 0 ? static_cast<int32_t>(rng()) : (static_cast<int32_t>(rng()) & ALL);
    settings.TarnixKatakanaMax = limits[pick(CountOf(limits))];
    if (pick(5) != 0) {
      std::strcpy(settings.NumAfter, kDefaultNumAfter);
    } else {
      const int32_t n = pick(256);
      for (int32_t i = 0; i < n; ++i) settings.NumAfter[i] = static_cast<char>(1 + pick(255));
    }
    ComputeNumAfterRange(settings);

    auto position = [&]() { return pick(10) == 0 ? extremes[pick(CountOf(extremes))] : pick(len + 11) - 5; };
    const int32_t breakPos = position();
    const int32_t lineEnd = position();

    BreakTrace trace{D::Pattern, -1};
    const int32_t r = CheckBuiltInRules(settings, line.Text(), breakPos, lineEnd, &trace);
    ASSERT_NE(trace.decider, D::DictionaryWord);
    ASSERT_NE(trace.decider, D::Pattern);
    if (r == 0) {
      ASSERT_EQ(trace.decider, D::None);
    } else {
      ASSERT_GT(r, WindowFloor(breakPos)) << "round " << round << " break " << breakPos;
      ASSERT_LT(r, breakPos) << "round " << round;
      ASSERT_NE(trace.decider, D::None);
    }
  }
}

}  // namespace
