// Usage errors exit 2 with a message; --help exits 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/run_velmark.h"

namespace {

struct ErrorRow {
  std::vector<std::string> args;
  std::string input;
  const char* message;  // part of what stderr says
};

TEST(ErrorsE2e, ExitTwoWithAClearMessage) {
  const ErrorRow rows[] = {
      {{}, "", "no subcommand"},
      {{"frob"}, "", "unknown subcommand 'frob'"},
      {{"check", "--bogus"}, "", "unknown option '--bogus'"},
      {{"check", "--flags", "0x100000000"}, "", "--flags"},
      {{"check", "--flags", "katakana,bogus"}, "", "--flags"},
      {{"check", "--katakana-max", "2147483648"}, "", "--katakana-max"},
      {{"check", "--counters-hex", "ABC"}, "", "--counters-hex"},
      {{"check", "--counters", u8"é"}, "", "--counters"},
      {{"check", "--counters", "\xC3("}, "", "malformed UTF-8"},
      {{"check", "--encoding", "latin1"}, "", "--encoding"},
      {{"wrap", "-w", "0"}, "", "-w"},
      {{"wrap", "--explain"}, "", "does not apply to wrap"},
      {{"check"}, "41 1\n", "line 1:"},
      {{"wrap", "/nonexistent/velmark-input.txt"}, "", "cannot read"},
      {{"check", "--words", "/nonexistent/words.txt"}, "", "cannot read"},
  };
  for (const ErrorRow& row : rows) {
    const VelmarkRun run = RunVelmark(row.args, row.input);
    std::string shown;
    for (const std::string& a : row.args) shown += a + " ";
    EXPECT_EQ(run.exitCode, 2) << shown;
    EXPECT_NE(run.err.find(row.message), std::string::npos) << shown << "\n" << run.err;
  }
}

TEST(ErrorsE2e, AMissingWordFileIsNotCreated) {
  const std::string words = ScratchPath("no-such-words.txt");
  EXPECT_EQ(RunVelmark({"wrap", "--words", words}, "abc\n").exitCode, 2);
  EXPECT_FALSE(FileExists(words));
}

TEST(ErrorsE2e, HelpExitsZero) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, {"check", "--help"}, {"wrap", "-h"}}) {
    const VelmarkRun run = RunVelmark(args);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind("Usage: velmark", 0), 0u) << run.out;
  }
}

}  // namespace
