#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
  bool ok;
  CliOptions options;
  std::string error;
};

Parsed Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "velmark");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  Parsed p{false, DefaultOptions(), {}};
  p.ok = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &p.options, &p.error);
  return p;
}

TEST(Options, DefaultsAreAllRulesLimitTenUtf8Width72) {
  const Parsed p = Parse({"check"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(p.options.command, Command::Check);
  EXPECT_EQ(p.options.flags, 0x1BF);
  EXPECT_EQ(p.options.katakanaMax, 10);
  EXPECT_FALSE(p.options.countersGiven);
  EXPECT_EQ(p.options.encoding, TextEncoding::Utf8);
  EXPECT_EQ(p.options.columns, 72);
  EXPECT_TRUE(p.options.wordFile.empty());
}

struct FlagsRow {
  const char* value;
  bool ok;
  int32_t flags;
};

TEST(Options, FlagsTakeAny32BitValueOrRuleNames) {
  const FlagsRow rows[] = {
      {"0x1BF", true, 0x1BF},
      {"0xFFFFFFFF", true, -1},  // every bit, also those of no rule
      {"4294967295", true, -1},
      {"-1", true, -1},
      {"-2147483648", true, INT32_MIN},
      {"0x40", true, 0x40},  // a bit of no rule is kept as given
      {"0", true, 0},
      {"0x100000000", false, 0},
      {"4294967296", false, 0},
      {"-2147483649", false, 0},
      {"katakana,mail", true, 0x00A},
      {"wide-digits,counter", true, 0x011},
      {"letters", true, 0x100},
      {"thousands,decimal,wide-roman", true, 0x0A4},
      {"all", true, 0x1BF},
      {"none", true, 0},
      {"none,mail", true, 0x008},
      {"kata", false, 0},
      {"mail,", false, 0},
      {"", false, 0},
      {"0x", false, 0},
      {"12abc", false, 0},
  };
  for (const FlagsRow& row : rows) {
    const Parsed p = Parse({"check", "--flags", row.value});
    EXPECT_EQ(p.ok, row.ok) << row.value;
    if (p.ok && row.ok) {
      EXPECT_EQ(p.options.flags, row.flags) << row.value;
    }
  }
}

struct IntegerRow {
  const char* value;
  bool ok;
  int32_t result;
};

TEST(Options, KatakanaMaxIsAny32BitInteger) {
  const IntegerRow rows[] = {
      {"0", true, 0},           {"-5", true, -5},
      {"2147483647", true, INT32_MAX}, {"-2147483648", true, INT32_MIN},
      {"0x10", true, 16},       {"2147483648", false, 0},
      {"1e3", false, 0},        {"", false, 0},
      {"-", false, 0},          {"99999999999999999999", false, 0},
  };
  for (const IntegerRow& row : rows) {
    const Parsed p = Parse({"wrap", "--katakana-max", row.value});
    EXPECT_EQ(p.ok, row.ok) << row.value;
    if (p.ok && row.ok) {
      EXPECT_EQ(p.options.katakanaMax, row.result) << row.value;
    }
  }
}

TEST(Options, WidthIsPositive) {
  const IntegerRow rows[] = {
      {"24", true, 24}, {"1", true, 1}, {"0", false, 0}, {"-3", false, 0}, {"abc", false, 0},
  };
  for (const IntegerRow& row : rows) {
    const Parsed p = Parse({"wrap", "-w", row.value});
    EXPECT_EQ(p.ok, row.ok) << row.value;
    if (p.ok && row.ok) {
      EXPECT_EQ(p.options.columns, row.result) << row.value;
    }
  }
}

struct HexRow {
  std::string value;
  bool ok;
  std::string bytes;
};

TEST(Options, CountersHexIsRawBytesAtMost255) {
  const HexRow rows[] = {
      {"", true, ""},  // an empty NumAfter
      {"944E", true, "\x94\x4E"},
      {"967b897e", true, "\x96\x7B\x89\x7E"},
      {"94E", false, ""},
      {"zz", false, ""},
      {"00", false, ""},  // NumAfter ends at its first zero byte
      {std::string(510, 'A'), true, std::string(255, '\xAA')},
      {std::string(512, 'A'), false, ""},
  };
  for (const HexRow& row : rows) {
    const Parsed p = Parse({"check", "--counters-hex", row.value});
    EXPECT_EQ(p.ok, row.ok) << row.value;
    if (!p.ok || !row.ok) continue;
    EXPECT_TRUE(p.options.countersGiven);
    EXPECT_FALSE(p.options.countersAreText);
    EXPECT_EQ(p.options.counters, row.bytes) << row.value;
  }
}

struct LineRow {
  std::vector<std::string> args;
  bool ok;
};

TEST(Options, RefusesWhatDoesNotApplyOrIsUnknown) {
  const LineRow rows[] = {
      {{}, false},
      {{"checks"}, false},
      {{"check", "--foo"}, false},
      {{"check", "-x"}, false},
      {{"check", "--flags"}, false},          // value missing
      {{"check", "-w", "10"}, false},         // width is wrap's
      {{"wrap", "--explain"}, false},         // explain is check's
      {{"lint", "--flags", "1", "f"}, false}, // lint applies no rules
      {{"lint", "--words", "w", "f"}, false},
      {{"lint"}, false},
      {{"lint", "a", "b"}, false},
      {{"check", "file.txt"}, false},         // check reads stdin only
      {{"check", "--encoding", "latin1"}, false},
      {{"check", "--words", ""}, false},
      {{"lint", "--encoding", "cp932", "f"}, true},
      {{"wrap", "a", "-", "b"}, true},
      {{"wrap", "--", "-w"}, true},           // after "--" an operand
      {{"check", "--flags=mail", "--katakana-max=3", "--explain"}, true},
      {{"wrap", "-w12", "--width=7"}, true},
  };
  for (const LineRow& row : rows) {
    const Parsed p = Parse(row.args);
    std::string shown;
    for (const std::string& a : row.args) shown += a + " ";
    EXPECT_EQ(p.ok, row.ok) << shown << "-> " << p.error;
    if (!p.ok) {
      EXPECT_FALSE(p.error.empty()) << shown;
    }
  }
}

TEST(Options, HelpAnywhereAndLastValueWins) {
  EXPECT_EQ(Parse({"--help"}).options.command, Command::Help);
  EXPECT_EQ(Parse({"wrap", "-w", "5", "--help"}).options.command, Command::Help);
  const Parsed p = Parse({"wrap", "-w12", "--width=7", "x", "--", "-w"});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.options.columns, 7);
  EXPECT_EQ(p.options.operands, (std::vector<std::string>{"x", "-w"}));
}

}  // namespace
