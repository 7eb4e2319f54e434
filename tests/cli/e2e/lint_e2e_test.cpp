// velmark lint, run as a program, on small word files (CP932 literals).
#include <gtest/gtest.h>

#include <string>

#include "e2e/run_velmark.h"

namespace {

TEST(LintE2e, ReportsEveryFaultByLineAndFailsOnAFaultyPattern) {
  const std::string file = ScratchPath("faulty.txt");
  WriteFile(file,
            "// コメント\r\n"  // 1
            "単語\r\n"         // 2
            "a\r\n"            // 3
            "  空白\r\n"       // 4
            "単語\r\n"         // 5
            "語1\t語2\r\n"     // 6
            "[RegExp]0,x\r\n"  // 7
            "[RegExp]3,ab\r\n" // 8
            "\xFD\xFE\r\n");   // 9
  const VelmarkRun run = RunVelmark({"lint", file});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  const std::string expected[] = {
      file + ":3: dropped: only one byte \"a\"\n",
      file + ":4: dropped: begins with a space \"  " + u8"空白" + "\"\n",
      file + ":5: duplicate of line 2, removed at load \"" + u8"単語" + "\"\n",
      file + ":6: control byte 0x09 splits the line: \"" + u8"語2" + "\" is read as a line of its own\n",
      file + ":7: malformed pattern line (error 1), expected [RegExp]N,pattern with N > 0: \"[RegExp]0,x\"\n",
      file + ":9: dropped: begins with byte 0xFD\n",
      file + ": 3 words, 1 comments, 2 pattern lines; 3 dropped lines, 1 duplicates, 1 faulty pattern lines\n",
  };
  std::string all;
  for (const std::string& line : expected) all += line;
  EXPECT_EQ(run.out, all);
}

TEST(LintE2e, TheBundledWordFileIsClean) {
  const VelmarkRun run = RunVelmark({"lint", TARNIX_SAMPLES_DIR "/words.txt"});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(run.out.find(".txt:1"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("0 faulty pattern lines"), std::string::npos) << run.out;
}

#ifdef TARNIX_HAVE_PATTERN_LIBRARY
TEST(LintE2e, PatternTheEngineRefuses) {
  const std::string file = ScratchPath("refused.txt");
  WriteFile(file, "[RegExp]5,a(b\r\n[RegExp]5,(ab)\r\n");
  const VelmarkRun run = RunVelmark({"lint", file});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find(":1: pattern refused by the regular-expression library (error 2)"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find(":2:"), std::string::npos) << run.out;
}
#endif

TEST(LintE2e, AMissingFileIsAnErrorAndIsNotCreated) {
  const std::string file = ScratchPath("missing.txt");
  const VelmarkRun run = RunVelmark({"lint", file});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_FALSE(FileExists(file));
}

}  // namespace
