// velmark wrap, run as a program. Inputs are UTF-8 (u8 literals) unless the
// row says cp932 (plain literals, which are CP932).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/encoding.h"
#include "cli/wrap_command.h"
#include "e2e/run_velmark.h"

namespace {

struct WrapRow {
  const char* name;
  std::vector<std::string> options;
  std::string input;
  std::string output;
};

TEST(WrapE2e, WrapsAsTheHostWould) {
  const std::string words = ScratchPath("wrap-words.txt");
  WriteFile(words, "自然言語処理\r\n");
  const WrapRow rows[] = {
      // The proposal at 20 columns falls inside the katakana word, which
      // starts at byte 14: the row ends before it.
      {"katakana word kept whole", {"-w", "20"}, u8"あいうえおかきコンピューター\n",
       u8"あいうえおかき\nコンピューター\n"},
      {"without the rules the word is cut", {"-w", "20", "--flags", "none"},
       u8"あいうえおかきコンピューター\n", u8"あいうえおかきコンピ\nューター\n"},
      {"a word of the word file", {"-w", "16", "--words", words}, u8"あいうえお自然言語処理です\n",
       u8"あいうえお\n自然言語処理です\n"},
      {"the same without it", {"-w", "16", "--flags", "none"}, u8"あいうえお自然言語処理です\n",
       u8"あいうえお自然言\n語処理です\n"},
      {"CR LF stays", {"-w", "4", "--flags", "none"}, "abcdefgh\r\nij\r\n",
       "abcd\r\nefgh\r\nij\r\n"},
      {"last line without a line end", {"-w", "3"}, "ab\nabcdef", "ab\nabc\ndef"},
      {"empty lines stay", {"-w", "3"}, "\n\nab\n", "\n\nab\n"},
      {"an escape counts 2 columns", {"-w", "4", "--flags", "none"}, u8"éééééé\n",
       u8"éé\néé\néé\n"},
      {"above U+FFFF: two escapes, 4 columns", {"-w", "5", "--flags", "none"},
       u8"a\U0001F600\U0001F600b\n", u8"a\U0001F600\n\U0001F600b\n"},
      {"wider than the row", {"-w", "1"}, u8"あい\n", u8"あ\nい\n"},
      {"cp932 in, cp932 out", {"-w", "20", "--encoding", "cp932"},
       "あいうえおかきコンピューター\r\n", "あいうえおかき\r\nコンピューター\r\n"},
      {"default width 72", {}, std::string(80, 'x') + "\n",
       std::string(72, 'x') + "\n" + std::string(8, 'x') + "\n"},
  };
  for (const WrapRow& row : rows) {
    std::vector<std::string> args{"wrap"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    const VelmarkRun run = RunVelmark(args, row.input);
    EXPECT_EQ(run.exitCode, 0) << row.name << "\n" << run.err;
    EXPECT_EQ(run.out, row.output) << row.name;
  }
}

TEST(WrapE2e, ReadsFilesInOrderAndStdinAsDash) {
  const std::string a = ScratchPath("wrap-a.txt");
  WriteFile(a, "abcdef\n");
  const VelmarkRun run = RunVelmark({"wrap", "-w", "4", a, "-", a}, "xy\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "abcd\nef\nxy\nabcd\nef\n");
}

TEST(WrapE2e, MalformedUtf8StopsWithItsLine) {
  const VelmarkRun run = RunVelmark({"wrap", "-w", "10"}, "good\nbad \xC3(\nnever\n");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "good\n");
  EXPECT_NE(run.err.find("<stdin>:2:"), std::string::npos) << run.err;
}

// The README's main job: the sample wrapped at 24 columns with the bundled
// word file. Rows fit, nothing is lost, and no word of the file is cut.
TEST(WrapE2e, SampleKeepsTheWordFileWordsWhole) {
  const std::string sample = TARNIX_SAMPLES_DIR "/sample.txt";
  const VelmarkRun run =
      RunVelmark({"wrap", "-w", "24", "--words", TARNIX_SAMPLES_DIR "/words.txt", sample});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const VelmarkRun plain = RunVelmark({"wrap", "-w", "100000", sample});
  const std::vector<std::string> words = {u8"自然言語処理", u8"機械学習", u8"勉強会",
                                          u8"参加者", u8"03-1234-5678", u8"コンピューター",
                                          u8"Wikipedia", u8"1,234,567", u8"Москва"};
  std::string joined;
  size_t rows = 0;
  for (size_t at = 0; at < run.out.size(); ++rows) {
    const size_t lf = run.out.find('\n', at);
    const std::string row = run.out.substr(at, lf - at);
    at = lf + 1;
    std::string host;
    std::vector<CharSpan> chars;
    ASSERT_TRUE(Utf8ToHost(row, &host, &chars, nullptr));
    int32_t columns = 0;
    for (const CharSpan& c : chars) columns += CharColumns(host, c);
    EXPECT_LE(columns, 24) << row;
    joined += row;
  }
  EXPECT_GT(rows, 16u);
  std::string original;
  for (const char c : plain.out) if (c != '\n') original += c;
  EXPECT_EQ(joined, original);  // only line ends were added
  for (const std::string& word : words) {
    EXPECT_NE(original.find(word), std::string::npos) << word;
    EXPECT_NE(run.out.find(word), std::string::npos) << "cut: " << word << "\n" << run.out;
  }
}

}  // namespace
