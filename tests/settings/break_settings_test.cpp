#include "settings/break_settings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct RangeCase {
  const char* name;
  const char* numAfter;
  uint16_t low;
  uint16_t high;
};

// Bytes are spelled out: a lead byte before a byte below 0x40 or before the
// terminator adds no code.
const RangeCase kRangeCases[] = {
    {"default", kDefaultNumAfter, 0x88CA, 0x96BC},
    {"empty", "", 0xFFFF, 0},
    {"single bytes only", "abc", 0xFFFF, 0},
    {"lead before low trail", "\x94\x30", 0xFFFF, 0},
    {"lead before terminator", "\x94", 0xFFFF, 0},
    {"one character", "\x94\x4e", 0x944E, 0x944E},
    {"single byte shifts nothing", "a\x94\x4e" "b\x88\xca", 0x88CA, 0x944E},
    {"lowest trail 0x40", "\x81\x40", 0x8140, 0x8140},
};

TEST(ComputeNumAfterRange, Table) {
  for (const RangeCase& c : kRangeCases) {
    BreakSettings s;
    InitBreakSettings(s);
    std::strcpy(s.NumAfter, c.numAfter);
    ComputeNumAfterRange(s);
    EXPECT_EQ(s.NumAfterLow, c.low) << c.name;
    EXPECT_EQ(s.NumAfterHigh, c.high) << c.name;
  }
}

TEST(BreakSettings, ValuesBeforeAnythingIsRead) {
  BreakSettings s;
  std::memset(&s, 0x5A, sizeof s);
  InitBreakSettings(s);
  EXPECT_STREQ(s.TarnixWordFile, "");
  EXPECT_STREQ(s.NumAfter, "");
  EXPECT_EQ(s.TarnixFlag, 0);
  EXPECT_EQ(s.TarnixKatakanaMax, 10);
  EXPECT_EQ(s.NumAfterLow, 0xFFFF);
  EXPECT_EQ(s.NumAfterHigh, 0);
}

TEST(BreakSettings, DefaultCountersAre26Characters) {
  EXPECT_EQ(std::strlen(kDefaultNumAfter), 52u);
  EXPECT_EQ(std::memcmp(kDefaultNumAfter, "年月日時分円回階倍万千百億兆件通人桁行個点冊名枚位号", 52), 0);
}

TEST(BreakSettings, UnterminatedFieldIsNotReadPast) {
  BreakSettings s;
  InitBreakSettings(s);
  std::memset(s.NumAfter, 'x', sizeof s.NumAfter);  // no terminator anywhere
  s.NumAfter[254] = '\x94';
  s.NumAfter[255] = '\x4e';
  ComputeNumAfterRange(s);
  EXPECT_EQ(s.NumAfterLow, 0x944E);
}

}  // namespace
