// velmark check, run as a program, on the break rules' own examples. Each
// line begins with ten hiragana (bytes 0-19) unless said otherwise; the
// answers were worked out by hand from the rules. Literals are CP932.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/run_velmark.h"

namespace {

const std::string kTen = "あいうえおかきくけこ";

struct CheckRow {
  const char* name;
  std::vector<std::string> options;
  std::string text;     // the whole line
  int32_t breakPos;
  int32_t lineEnd;      // -1: the end of the text
  int32_t answer;
};

std::string CaseLine(const CheckRow& row) {
  const int32_t lineEnd = row.lineEnd < 0 ? static_cast<int32_t>(row.text.size()) : row.lineEnd;
  return Hex(row.text) + " " + std::to_string(row.breakPos) + " " + std::to_string(lineEnd) + "\n";
}

std::vector<std::string> Flags(const char* names, std::vector<std::string> more = {}) {
  more.insert(more.begin(), {"--flags", names});
  return more;
}

void ExpectAnswers(const CheckRow* rows, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const CheckRow& row = rows[i];
    std::vector<std::string> args{"check"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    const VelmarkRun run = RunVelmark(args, CaseLine(row));
    EXPECT_EQ(run.exitCode, 0) << row.name << "\n" << run.err;
    EXPECT_EQ(run.out, std::to_string(row.answer) + "\n") << row.name;
  }
}

TEST(CheckE2e, DoubleByteRules) {
  const CheckRow rows[] = {
      {"flag 0 answers 0", Flags("none"), kTen + "１２３４です", 24, -1, 0},
      {"break at 10 or before answers 0", Flags("all"), "１２３４５６", 4, -1, 0},
      {"wide digits", Flags("wide-digits"), kTen + "１２３４です", 24, -1, 20},
      {"wide digits off", Flags("katakana"), kTen + "１２３４です", 24, -1, 0},
      {"wide number and counter", Flags("wide-digits,counter"), kTen + "２０２４年", 28, -1, 20},
      {"wide number, counter bit missing", Flags("wide-digits"), kTen + "２０２４年", 28, -1, 0},
      {"wide number, digits bit missing", Flags("counter"), kTen + "２０２４年", 28, -1, 0},
      {"wide roman", Flags("wide-roman"), kTen + "ＡＢＣＤＥ", 26, -1, 20},
      {"katakana, limit 10", Flags("katakana"), kTen + "コンピューター", 28, -1, 20},
      {"katakana, limit 7", Flags("katakana", {"--katakana-max", "7"}), kTen + "コンピューター", 28, -1, 20},
      {"katakana, limit 6", Flags("katakana", {"--katakana-max", "6"}), kTen + "コンピューター", 28, -1, 0},
      {"katakana, limit 0", Flags("katakana", {"--katakana-max", "0"}), kTen + "コンピューター", 28, -1, 0},
      {"katakana, limit -5", Flags("katakana", {"--katakana-max", "-5"}), kTen + "コンピューター", 28, -1, 0},
      {"katakana cut by lineEnd 30, limit 10", Flags("katakana"), kTen + "コンピューター", 28, 30, 20},
      {"katakana cut by lineEnd 30, limit 3", Flags("katakana", {"--katakana-max", "3"}), kTen + "コンピューター", 28, 30, 0},
      {"katakana then long vowels", Flags("katakana"), kTen + "アーーイ", 22, -1, 20},
      {"long vowel on both sides", Flags("katakana"), kTen + "アーーイ", 24, -1, 0},
      {"long vowel then katakana", Flags("katakana"), kTen + "ーア", 22, -1, 20},
      {"seven hiragana then wide digits", Flags("wide-digits"), kTen.substr(0, 14) + "１２３４５６７８", 26, -1, 14},
      {"six hiragana then wide digits: the floor", Flags("wide-digits"), kTen.substr(0, 12) + "１２３４５６７８", 24, -1, 0},
  };
  ExpectAnswers(rows, std::size(rows));
}

TEST(CheckE2e, NumberRules) {
  const CheckRow rows[] = {
      {"digits and counter", Flags("counter"), kTen + "123円", 23, -1, 20},
      {"digits and no counter", Flags("counter"), kTen + "123本", 23, -1, 0},
      {"12 yen by the digit scan", Flags("counter,thousands"), kTen + "12円", 22, -1, 20},
      {"5 yen by the digit scan", Flags("counter,thousands"), kTen + "5円", 21, -1, 20},
      {"1234 yen by the digit scan", Flags("counter,thousands"), kTen + "1234円", 24, -1, 20},
      {"1,234 yen by the thousands check", Flags("counter,thousands"), kTen + "1,234円", 25, -1, 20},
      {"1,234 yen, decimal only: stops at the comma", Flags("counter,decimal"), kTen + "1,234円", 25, -1, 22},
      {"1,234 yen, decimal and thousands", Flags("counter,decimal,thousands"), kTen + "1,234円", 25, -1, 20},
      {"1,234.5 yen", Flags("counter,decimal,thousands"), kTen + "1,234.5円", 27, -1, 20},
      {"word joins the number", Flags("counter,decimal"), kTen + "abc123円", 26, -1, 20},
      {"word without the decimal bit", Flags("counter"), kTen + "abc123円", 26, -1, 23},
      {"123|.56", Flags("decimal"), kTen + "123.56", 23, -1, 20},
      {"123.|56", Flags("decimal"), kTen + "123.56", 24, -1, 20},
      {"ver1.|5", Flags("decimal"), kTen + "ver1.5", 25, -1, 20},
      {"1.2.|3", Flags("decimal"), kTen + "1.2.3", 24, -1, 20},
      {"1,|000", Flags("thousands"), kTen + "1,000", 22, -1, 20},
      {"1|,000", Flags("thousands"), kTen + "1,000", 21, -1, 20},
      {"12,|345,678", Flags("thousands"), kTen + "12,345,678", 23, -1, 20},
      {"three commas", Flags("thousands"), kTen + "1,234,567,890", 22, -1, 0},
      {"a group of four", Flags("thousands"), kTen + "1,2345", 22, -1, 0},
      {"leading zero", Flags("thousands"), kTen + "0,123", 22, -1, 0},
      {"a group of two", Flags("thousands"), kTen + "1,23", 22, -1, 0},
      {"four digits first", Flags("thousands"), kTen + "1234,567", 25, -1, 0},
      {"group cut by lineEnd 23", Flags("thousands"), kTen + "1,000 ", 22, 23, 0},
      {"group cut by lineEnd 24", Flags("thousands"), kTen + "1,000 ", 22, 24, 0},
      {"group ends at lineEnd 25", Flags("thousands"), kTen + "1,000 ", 22, 25, 20},
      {"1,234|.56", Flags("decimal,thousands"), kTen + "1,234.56", 25, -1, 20},
      {"1,234.|56", Flags("decimal,thousands"), kTen + "1,234.56", 26, -1, 20},
      {"1,234.|567", Flags("decimal,thousands"), kTen + "1,234.567", 26, -1, 20},
      {"1,234.|56 decimal only", Flags("decimal"), kTen + "1,234.56", 26, -1, 22},
  };
  ExpectAnswers(rows, std::size(rows));
}

TEST(CheckE2e, LetterAndMailRules) {
  const CheckRow rows[] = {
      {"latin letters", Flags("letters"), kTen + "abcdef", 23, -1, 20},
      {"cyrillic letters", Flags("letters"), kTen + "Москва", 26, -1, 20},
      {"letters without the bit", Flags("decimal"), kTen + "abcdef", 23, -1, 0},
      {"letter run at the floor", Flags("letters"), kTen.substr(0, 12) + "abcdefghijkl", 18, -1, 0},
      {"letter run after a hyphen", Flags("letters"), kTen.substr(0, 12) + "a-bcdefghijkl", 19, -1, 14},
      {"mail, before the at sign", Flags("mail"), kTen + "abcd@efgh.ij ", 24, -1, 20},
      {"mail, after the full stop", Flags("mail"), kTen + "abcd@efgh.ij ", 30, -1, 20},
      {"mail, after the at sign", Flags("mail"), kTen + "abcd@efgh.ij ", 25, -1, 0},
      {"mail, inside a part", Flags("mail"), kTen + "abcd@efgh.ij ", 27, -1, 0},
      {"mail, at sign found ahead", Flags("mail"), kTen + "abcd.efgh@i.jk", 25, -1, 20},
      {"mail, lineEnd at the break", Flags("mail"), kTen + "abcd.efgh@i.jk", 25, 25, 0},
      {"mail, lineEnd reads byte 30", Flags("mail"), kTen + "abcd.efgh@i.jk", 25, 30, 20},
      {"mail without an at sign", Flags("mail"), kTen + "abcd.efgh", 25, -1, 0},
      {"mail after katakana a", Flags("mail"), kTen + "アbc@de", 24, -1, 22},
      {"mail with a plus sign", Flags("mail"), kTen + "a+b@cd", 23, -1, 22},
  };
  ExpectAnswers(rows, std::size(rows));
}

TEST(CheckE2e, FlagValuesAndCounterOptions) {
  const CheckRow rows[] = {
      {"0x1BF is all", Flags("0x1BF"), kTen + "１２３４です", 24, -1, 20},
      {"0xFFFFFFFF keeps every bit", Flags("0xFFFFFFFF"), kTen + "１２３４です", 24, -1, 20},
      {"only a bit of no rule", Flags("0x40"), kTen + "１２３４です", 24, -1, 0},
      {"counters as utf-8 text", Flags("counter", {"--counters", u8"本"}), kTen + "123本", 23, -1, 20},
      {"counters replace the default", Flags("counter", {"--counters", u8"本"}), kTen + "123円", 23, -1, 0},
      {"counters as cp932 text", Flags("counter", {"--encoding", "cp932", "--counters", "本冊"}), kTen + "123本", 23, -1, 20},
      {"counters as hex", Flags("counter", {"--counters-hex", "967B"}), kTen + "123本", 23, -1, 20},
      {"empty counters", Flags("counter", {"--counters-hex", ""}), kTen + "123円", 23, -1, 0},
  };
  ExpectAnswers(rows, std::size(rows));
}

TEST(CheckE2e, NegativeAndHugePositionsGetAnAnswer) {
  const VelmarkRun run = RunVelmark(
      {"check"}, Hex(kTen + "abc") + " -5 -7\n" + Hex(kTen + "abc") + " 2147483647 -2147483648\n" +
                     "- 100 100\n- -2147483648 2147483647\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "0\n0\n0\n0\n");
}

TEST(CheckE2e, ExplainNamesTheRule) {
  const std::string cases = Hex(kTen + "１２３４です") + " 24 32\n" +
                            Hex(kTen + "コンピューター") + " 28 34\n" + Hex(kTen + "ab") + " 12 22\n";
  const VelmarkRun run = RunVelmark({"check", "--explain"}, cases);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "20\twide-digits\n20\tkatakana\n0\tnone\n");
}

TEST(CheckE2e, MalformedLinesAreReportedWithTheirNumbers) {
  const std::string good = Hex(kTen + "１２３４です") + " 24 32";
  const std::string cases = good + "\r\n" + "zz 24 32\n" + "\n" + good + " 9\n" + good + "\n" +
                            "82a 1 2\n" + good;  // the last line has no line end
  const VelmarkRun run = RunVelmark({"check"}, cases);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "20\n20\n20\n");  // one line per good case, none for a bad one
  for (const char* line : {"line 2:", "line 3:", "line 4:", "line 6:"})
    EXPECT_NE(run.err.find(line), std::string::npos) << line << "\n" << run.err;
  EXPECT_EQ(run.err.find("line 1:"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("line 5:"), std::string::npos) << run.err;
}

TEST(CheckE2e, WordsFromTheWordFileComeFirst) {
  // CP932, CR LF: a word, a comment with the same text after "//".
  const std::string words = ScratchPath("check-words.txt");
  WriteFile(words, "// 自然言語\r\n自然言語処理\r\n");
  const std::string text = "あいうえお自然言語処理です";  // the word at bytes 10-21
  const std::string cases = Hex(text) + " 16 26\n" + Hex(text) + " 22 26\n" + Hex(text) + " 16 21\n";
  const VelmarkRun run = RunVelmark({"check", "--explain", "--words", words}, cases);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, std::string("10\t") + u8"自然言語処理" + "\n" +  // spans the break
                         "0\tnone\n" +                                  // ends at the break
                         "0\tnone\n");                                  // passes lineEnd
  const VelmarkRun cp932 = RunVelmark({"check", "--explain", "--encoding", "cp932", "--words", words},
                                      Hex(text) + " 16 26\n");
  EXPECT_EQ(cp932.out, "10\t自然言語処理\n");
}

#ifdef TARNIX_HAVE_PATTERN_LIBRARY
TEST(CheckE2e, PatternLinesThroughTheStandIn) {
  const std::string words = ScratchPath("check-patterns.txt");
  WriteFile(words, "[RegExp]13,[0-9]+-[0-9]+-[0-9]+\r\n");
  const std::string text = "電話は03-1234-5678です";  // the number at bytes 6-17
  // The break at 14 is inside the number; the floor is 10, below its start at 6:
  // so the pattern window starts at the floor and finds nothing that spans.
  const std::string far = kTen + "03-1234-5678";  // the number at bytes 20-31
  const VelmarkRun run = RunVelmark({"check", "--explain", "--flags", "none", "--words", words},
                                    Hex(text) + " 14 22\n" + Hex(far) + " 26 32\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "0\tnone\n20\t[RegExp]13,[0-9]+-[0-9]+-[0-9]+\n");
}
#endif

}  // namespace
