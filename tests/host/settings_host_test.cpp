// Settings as the host sees them: what the library reads at attach (with the
// defaults for missing and empty values), what the poll picks up, and that
// every access goes through the redirect library when one lies beside it.
#include <gtest/gtest.h>

#include "host_support.h"
#include "settings/break_settings.h"

namespace {

constexpr const char* kPath = "TarnixWordFile";
constexpr const char* kCounters = "NumAfter";
constexpr const char* kFlag = "TarnixFlag";
constexpr const char* kKatakana = "TarnixKatakanaMax";

// Rows are built before main: they hold plain values, turned into views in the test.
constexpr Seen kNothing{0, "", 10};
constexpr Seen kAllDefault{kAllRules, kDefaultNumAfter, 10};

template <typename Row>
std::string RowName(const testing::TestParamInfo<std::tuple<Row, Where>>& info) {
  std::ostringstream name;
  name << std::get<0>(info.param).name << "_" << std::get<1>(info.param);
  return name.str();
}

// ---- Attach: the defaults table, then the first poll -----------------------

struct AttachRow {
  const char* name;
  std::vector<Seed> stored;      // before the load
  Seen atAttach;
  std::vector<Seed> thenStored;  // before the first poll
  int32_t firstPoll;
  Seen afterPoll;
};
void PrintTo(const AttachRow& row, std::ostream* out) { *out << row.name; }

const AttachRow kAttachRows[] = {
    // No key: every rule off, and the poll that finds a flag keeps the empty
    // counters and the limit of 10 (it applies no defaults).
    {"KeyMissing", {NoKey()}, kNothing, {Dword(kFlag, kAllRules)}, 1,
     Seen{kAllRules, "", 10}},
    {"ValuesMissing", {EmptyKey()}, kNothing, {Dword(kFlag, kAllRules)}, 1, kAllDefault},
    {"AllPresent", {Dword(kFlag, kAllRules), Sz(kCounters, "本年"), Dword(kKatakana, 5)},
     Seen{kAllRules, "本年", 5}, {}, 0, Seen{kAllRules, "本年", 5}},
    {"FlagMissing", {Sz(kCounters, "本"), Dword(kKatakana, 5)}, kNothing,
     {Dword(kFlag, kAllRules)}, 1, Seen{kAllRules, "本", 5}},
    {"CountersMissing", {Dword(kFlag, kAllRules), Dword(kKatakana, 5)},
     Seen{kAllRules, kDefaultNumAfter, 5}, {}, 0, Seen{kAllRules, kDefaultNumAfter, 5}},
    {"KatakanaMissing", {Dword(kFlag, kAllRules), Sz(kCounters, "本")},
     Seen{kAllRules, "本", 10}, {}, 0, Seen{kAllRules, "本", 10}},
    // An empty stored text: the default at attach, emptied by the first poll.
    {"EmptyCounters", {Dword(kFlag, kAllRules), Sz(kCounters, "")}, kAllDefault, {}, 1,
     Seen{kAllRules, "", 10}},
    {"KatakanaZero", {Dword(kFlag, kAllRules), Dword(kKatakana, 0)}, kAllDefault, {}, 1,
     Seen{kAllRules, kDefaultNumAfter, 0}},
    {"KatakanaNegative", {Dword(kFlag, kAllRules), Dword(kKatakana, -3)}, kAllDefault, {}, 1,
     Seen{kAllRules, kDefaultNumAfter, -3}},
    {"KatakanaOne", {Dword(kFlag, kAllRules), Dword(kKatakana, 1)},
     Seen{kAllRules, kDefaultNumAfter, 1}, {}, 0, Seen{kAllRules, kDefaultNumAfter, 1}},
    {"KatakanaForty", {Dword(kFlag, kAllRules), Dword(kKatakana, 40)},
     Seen{kAllRules, kDefaultNumAfter, 40}, {}, 0,
     Seen{kAllRules, kDefaultNumAfter, 40}},
    {"SomeRules", {Dword(kFlag, KeepKatakana | KeepDecimal)},
     Seen{KeepKatakana | KeepDecimal, kDefaultNumAfter, 10}, {}, 0,
     Seen{KeepKatakana | KeepDecimal, kDefaultNumAfter, 10}},
    // Bit 0x040 belongs to no rule but is kept: clearing it is a change.
    {"FlagBit40Kept", {Dword(kFlag, kAllRules | 0x40)}, kAllDefault, {Dword(kFlag, kAllRules)}, 1,
     kAllDefault},
};

class AttachDefaults : public HostCaseWith<std::tuple<AttachRow, Where>> {};

TEST_P(AttachDefaults, ReadAtAttachThenPolled) {
  const AttachRow& row = std::get<0>(GetParam());
  const SettingsStore store = UseStore(std::get<1>(GetParam()));
  Apply(store, row.stored);
  Load();
  ASSERT_TRUE(velmark.module);
  EXPECT_EQ(Observe(velmark), Expected(row.atAttach));
  Apply(store, row.thenStored);
  EXPECT_EQ(velmark.poll(), row.firstPoll);
  EXPECT_EQ(Observe(velmark), Expected(row.afterPoll));
  EXPECT_EQ(velmark.poll(), 0) << "a second poll finds nothing new";
  EXPECT_TRUE(boxes.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, AttachDefaults,
                         testing::Combine(testing::ValuesIn(kAttachRows),
                                          testing::Values(Where::kSystemRegistry,
                                                          Where::kRedirect)),
                         RowName<AttachRow>);

// ---- The poll's comparisons -------------------------------------------------

struct PollRow {
  const char* name;
  std::vector<Seed> change;
  int32_t poll;
  Seen after;
};
void PrintTo(const PollRow& row, std::ostream* out) { *out << row.name; }

const PollRow kPollRows[] = {
    {"NothingChanged", {}, 0, kAllDefault},
    {"FlagChanged", {Dword(kFlag, KeepDecimal)}, 1, Seen{KeepDecimal, kDefaultNumAfter, 10}},
    {"FlagBit40Added", {Dword(kFlag, kAllRules | 0x40)}, 1, kAllDefault},
    {"FlagDeleted", {Unset(kFlag)}, 0, kAllDefault},
    // Read straight into the flag word: one stored byte replaces the low byte only.
    {"FlagOfOneByte", {Raw(kFlag, REG_BINARY, "\x01")}, 1,
     Seen{0x101, kDefaultNumAfter, 10}},
    {"FlagTooLong", {Sz(kFlag, "hello")}, 0, kAllDefault},
    {"CountersChanged", {Sz(kCounters, "本")}, 1, Seen{kAllRules, "本", 10}},
    {"CountersDeleted", {Unset(kCounters)}, 0, kAllDefault},
    {"CountersEmptied", {Sz(kCounters, "")}, 1, Seen{kAllRules, "", 10}},
    // Without a terminator: taken as the two bytes, not over the old text.
    {"CountersUnterminated", {Raw(kCounters, REG_BINARY, "本")}, 1,
     Seen{kAllRules, "本", 10}},
    {"CountersTooLong", {Sz(kCounters, std::string(300, 'x'))}, 0, kAllDefault},
    {"KatakanaChanged", {Dword(kKatakana, 3)}, 1, Seen{kAllRules, kDefaultNumAfter, 3}},
    {"KatakanaZero", {Dword(kKatakana, 0)}, 1, Seen{kAllRules, kDefaultNumAfter, 0}},
    {"KatakanaDeleted", {Unset(kKatakana)}, 0, kAllDefault},
    {"KeyDeleted", {NoKey()}, 0, kAllDefault},
    {"AllChanged",
     {Dword(kFlag, KeepKatakana | KeepCounterSuffix), Sz(kCounters, "年"), Dword(kKatakana, 4)},
     1, Seen{KeepKatakana | KeepCounterSuffix, "年", 4}},
};

class PollComparisons : public HostCaseWith<std::tuple<PollRow, Where>> {};

TEST_P(PollComparisons, StoresWhatDiffers) {
  const PollRow& row = std::get<0>(GetParam());
  const SettingsStore store = UseStore(std::get<1>(GetParam()));
  Apply(store, {Dword(kFlag, kAllRules), Sz(kCounters, kDefaultNumAfter), Dword(kKatakana, 10)});
  Load();
  ASSERT_TRUE(velmark.module);
  ASSERT_EQ(Observe(velmark), Expected(kAllDefault));
  Apply(store, row.change);
  EXPECT_EQ(velmark.poll(), row.poll);
  EXPECT_EQ(Observe(velmark), Expected(row.after));
  EXPECT_EQ(velmark.poll(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, PollComparisons,
                         testing::Combine(testing::ValuesIn(kPollRows),
                                          testing::Values(Where::kSystemRegistry,
                                                          Where::kRedirect)),
                         RowName<PollRow>);

// ---- Strings that do not fit their field --------------------------------------

// The word file's one word; found only when the path was taken.
const std::string kWord = "テスト単語";

// A path of exactly `length` bytes to a file holding kWord, in a sub-folder.
std::string MakePathOfLength(const CaseFolder& folder, size_t length) {
  const std::string fileName = "longwordfile12.txt";  // 18 bytes
  const size_t dirLength = length - 1 - fileName.size();
  EXPECT_LT(folder.path.size() + 10, dirLength) << "case folder too deep for this test";
  const std::string dir = folder.path + std::string(dirLength - folder.path.size(), 'd');
  EXPECT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
  const std::string path = dir + "\\" + fileName;
  WriteFileBytes(path, kWord + "\r\n");
  EXPECT_EQ(path.size(), length);
  return path;
}

// A path in the case folder whose first 259 bytes would name a new file there.
std::string LongPath(const CaseFolder& folder, size_t length) {
  return folder.path + "long" + std::string(length - folder.path.size() - 4, 'x');
}

struct FitRow {
  const char* name;
  std::vector<Seed> (*seeds)(const CaseFolder& folder, const std::string& wordFile);
  bool wordFound;
  Seen view;
};
void PrintTo(const FitRow& row, std::ostream* out) { *out << row.name; }

const FitRow kFitRows[] = {
    {"PathTerminated",
     [](const CaseFolder&, const std::string& w) { return std::vector<Seed>{Sz(kPath, w)}; },
     true, kAllDefault},
    {"PathUnterminatedBinary",
     [](const CaseFolder&, const std::string& w) {
       return std::vector<Seed>{Raw(kPath, REG_BINARY, w)};
     },
     true, kAllDefault},
    {"PathUnterminatedSz",
     [](const CaseFolder&, const std::string& w) { return std::vector<Seed>{Raw(kPath, REG_SZ, w)}; },
     true, kAllDefault},
    {"Path259Bytes",
     [](const CaseFolder& f, const std::string&) {
       return std::vector<Seed>{Sz(kPath, MakePathOfLength(f, 259))};
     },
     true, kAllDefault},
    {"Path260BytesUnterminated",
     [](const CaseFolder& f, const std::string&) {
       return std::vector<Seed>{Raw(kPath, REG_BINARY, LongPath(f, 260))};
     },
     false, kAllDefault},
    {"Path260BytesTerminated",
     [](const CaseFolder& f, const std::string&) {
       return std::vector<Seed>{Sz(kPath, LongPath(f, 260))};
     },
     false, kAllDefault},
    {"Path300Bytes",
     [](const CaseFolder& f, const std::string&) {
       return std::vector<Seed>{Sz(kPath, LongPath(f, 300))};
     },
     false, kAllDefault},
    {"PathInJapaneseFolder",
     [](const CaseFolder& f, const std::string&) {
       const std::string dir = f.path + "単語帳表";  // 表 ends in a 0x5C byte
       CreateDirectoryA(dir.c_str(), nullptr);
       WriteFileBytes(dir + "\\語.txt", kWord + "\r\n");
       return std::vector<Seed>{Sz(kPath, dir + "\\語.txt")};
     },
     true, kAllDefault},
    {"Counters255Bytes",
     [](const CaseFolder&, const std::string&) {
       return std::vector<Seed>{Sz(kCounters, "本" + std::string(253, 'x'))};
     },
     false, Seen{kAllRules, "本", 10}},
    {"Counters256BytesUnterminated",
     [](const CaseFolder&, const std::string&) {
       return std::vector<Seed>{Raw(kCounters, REG_BINARY, "本" + std::string(254, 'x'))};
     },
     false, kAllDefault},
    {"Counters300Bytes",
     [](const CaseFolder&, const std::string&) {
       return std::vector<Seed>{Sz(kCounters, "本" + std::string(298, 'x'))};
     },
     false, kAllDefault},
    {"CountersUnterminatedShort",
     [](const CaseFolder&, const std::string&) {
       return std::vector<Seed>{Raw(kCounters, REG_BINARY, "本")};
     },
     false, Seen{kAllRules, "本", 10}},
};

class StringFit : public HostCaseWith<std::tuple<FitRow, Where>> {};

// A value that does not fit with its terminator is ignored like a missing
// one; one stored without a terminator is taken as its bytes.
TEST_P(StringFit, LeavesATerminatedField) {
  const FitRow& row = std::get<0>(GetParam());
  const SettingsStore store = UseStore(std::get<1>(GetParam()));
  WriteFileBytes(WordFile(), kWord + "\r\n");
  Apply(store, {Dword(kFlag, kAllRules)});
  Apply(store, row.seeds(folder, WordFile()));
  Load();
  ASSERT_TRUE(velmark.module);
  EXPECT_EQ(IsWordIn(velmark, kWord), row.wordFound ? 1 : 0);
  EXPECT_EQ(Observe(velmark), Expected(row.view));
  for (const std::string& name : FileNames(folder))
    EXPECT_NE(name.rfind("long", 0), 0u) << "a cut path made a file: " << name;
  EXPECT_EQ(velmark.poll(), 0);
  EXPECT_TRUE(boxes.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, StringFit,
                         testing::Combine(testing::ValuesIn(kFitRows),
                                          testing::Values(Where::kSystemRegistry,
                                                          Where::kRedirect)),
                         RowName<FitRow>);

// ---- Which library serves the settings -----------------------------------------

class Redirect : public HostCase {
 protected:
  // Settings in the system registry that must not be used when the redirect serves.
  void SeedDecoy() {
    const std::string decoy = InFolder(folder, "decoy.txt");
    WriteFileBytes(decoy, "おとり語\r\n");
    Apply(SystemRegistry(), {Sz(kPath, decoy), Dword(kFlag, KeepWideDigits),
                             Sz(kCounters, "年"), Dword(kKatakana, 7)});
  }
  void SeedReal(const SettingsStore& store) {
    WriteFileBytes(WordFile(), kWord + "\r\n");
    Apply(store, {Sz(kPath, WordFile()), Dword(kFlag, kAllRules), Sz(kCounters, "本"),
                  Dword(kKatakana, 5)});
  }
  const RuleView decoyView = Expected(Seen{KeepWideDigits, "年", 7});
  const RuleView realView = Expected(Seen{kAllRules, "本", 5});
};

std::vector<std::string> ReadSequence(const char* open) {
  const std::string key = std::string("HKEY_CURRENT_USER\\") + kVelmarkKey;
  return {std::string("VxRegOpenKeyEx\tHKEY_CURRENT_USER\t") + kVelmarkKey + "\t" + open,
          "VxRegQueryValueEx\t" + key + "\tTarnixWordFile\t0",
          "VxRegQueryValueEx\t" + key + "\tNumAfter\t0",
          "VxRegQueryValueEx\t" + key + "\tTarnixFlag\t0",
          "VxRegQueryValueEx\t" + key + "\tTarnixKatakanaMax\t0",
          "VxRegCloseKey\t" + key + "\t\t0"};
}

TEST_F(Redirect, ServesEveryAccessWhenBesideTheLibrary) {
  SeedDecoy();
  const SettingsStore store = UseStore(Where::kRedirect);
  SeedReal(store);
  ClearAccessLog();
  Load();
  ASSERT_TRUE(velmark.module);
  EXPECT_EQ(Observe(velmark), realView);
  EXPECT_EQ(IsWordIn(velmark, kWord), 1);
  EXPECT_EQ(IsWordIn(velmark, "おとり語"), 0);
  EXPECT_EQ(AccessLog(), ReadSequence("0"));

  ClearAccessLog();
  EXPECT_EQ(velmark.poll(), 0);
  EXPECT_EQ(AccessLog(), ReadSequence("0"));

  Apply(store, {Dword(kKatakana, 3)});
  Apply(SystemRegistry(), {Dword(kKatakana, 9)});
  EXPECT_EQ(velmark.poll(), 1);
  EXPECT_EQ(Observe(velmark), Expected(kAllRules, "本", 3));
}

TEST_F(Redirect, KeyMissingThereIsNotLookedForInTheRegistry) {
  SeedDecoy();
  UseStore(Where::kRedirect);
  Load();
  ASSERT_TRUE(velmark.module);
  EXPECT_EQ(Observe(velmark), Expected(kNothing));
  EXPECT_EQ(IsWordIn(velmark, "おとり語"), 0);
  const std::string openFailed = std::string("VxRegOpenKeyEx\tHKEY_CURRENT_USER\t") +
                                 kVelmarkKey + "\t" + std::to_string(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(AccessLog(), std::vector<std::string>{openFailed});
}

TEST_F(Redirect, SystemRegistryServesWhenNoRedirectLibrary) {
  SeedReal(SystemRegistry());
  Load();
  ASSERT_TRUE(velmark.module);
  EXPECT_EQ(Observe(velmark), realView);
  EXPECT_EQ(IsWordIn(velmark, kWord), 1);
  EXPECT_FALSE(FileExists(InFolder(folder, "VxRegIni.log")));
}

// A redirect library that lacks one of the ten names is not used at all: the
// system registry serves every access, so nothing is mixed and no entry is null.
TEST_F(Redirect, IncompleteLibraryLeavesTheRegistryToTheSystem) {
  SeedDecoy();
  const SettingsStore store = UseStore(Where::kRedirect, "VxRegIniIncomplete.dll");
  SeedReal(store);
  ClearAccessLog();
  Load();
  ASSERT_TRUE(velmark.module);
  EXPECT_EQ(Observe(velmark), decoyView);
  EXPECT_EQ(IsWordIn(velmark, "おとり語"), 1);
  EXPECT_EQ(velmark.poll(), 0);
  EXPECT_TRUE(AccessLog().empty());
}

TEST_F(Redirect, UnloadableFileLeavesTheRegistryToTheSystem) {
  SeedDecoy();
  WriteFileBytes(InFolder(folder, "VxRegIni.dll"), "not a library");
  Load();
  ASSERT_TRUE(velmark.module);
  EXPECT_EQ(Observe(velmark), decoyView);
  EXPECT_EQ(IsWordIn(velmark, "おとり語"), 1);
}

}  // namespace
