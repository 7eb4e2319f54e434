#include <gtest/gtest.h>

#include <string>

#include "cli/check_command.h"

namespace {

struct CaseRow {
  const char* line;
  bool ok;
  std::string text;
  int32_t breakPos;
  int32_t lineEnd;
};

TEST(CheckCase, ParsesHexAndTwoDecimalIntegers) {
  const CaseRow rows[] = {
      {"82a0414243 3 5", true, "\x82\xA0" "ABC", 3, 5},
      {"82A0 1 2", true, "\x82\xA0", 1, 2},
      {"- 5 7", true, "", 5, 7},  // the empty text
      {"  41\t11  -12 \r", true, "A", 11, -12},
      {"41 -2147483648 2147483647", true, "A", INT32_MIN, INT32_MAX},
      {"41 +5 6", true, "A", 5, 6},
      {"00 1 1", true, std::string(1, '\0'), 1, 1},
      {"", false, "", 0, 0},  // a blank line is reported, not skipped
      {"   \r", false, "", 0, 0},
      {"41 1", false, "", 0, 0},
      {"41 1 2 3", false, "", 0, 0},
      {"414 1 2", false, "", 0, 0},
      {"zz 1 2", false, "", 0, 0},
      {"-- 1 2", false, "", 0, 0},
      {"41 0x10 2", false, "", 0, 0},
      {"41 2147483648 1", false, "", 0, 0},
      {"41 1 -2147483649", false, "", 0, 0},
      {"41 1.5 2", false, "", 0, 0},
      {"41 - 2", false, "", 0, 0},
      {"41 00000000000000000001 2", false, "", 0, 0},
  };
  for (const CaseRow& row : rows) {
    CheckCase c{"unchanged", -7, -7};
    std::string error;
    EXPECT_EQ(ParseCheckCase(row.line, &c, &error), row.ok) << '"' << row.line << '"';
    if (!row.ok) {
      EXPECT_FALSE(error.empty()) << row.line;
      continue;
    }
    EXPECT_EQ(c.text, row.text) << row.line;
    EXPECT_EQ(c.breakPos, row.breakPos) << row.line;
    EXPECT_EQ(c.lineEnd, row.lineEnd) << row.line;
  }
}

}  // namespace
