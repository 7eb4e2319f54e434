// The word file and the pattern library as the host sees them: words loaded at
// attach, the poll's reload when the file's time moved, new paths, removal in
// memory only, and pattern lines with, without and lacking the library.
#include <gtest/gtest.h>

#include "dictionary/patterns.h"
#include "host_support.h"

namespace {

const std::string kLead = "あいうえおかきくけこ";
const std::string kWord = "テスト単語";
const std::string kWordLine = kLead + "テスト単語です";  // the word at 20..29

class Words : public HostCase {
 protected:
  void LoadWith(const std::string& contents) {
    WriteFileBytes(WordFile(), contents);
    Apply(SystemRegistry(), {Sz("TarnixWordFile", WordFile())});
    Load();
    ASSERT_TRUE(velmark.module);
  }
};

TEST_F(Words, WordsProtectBreaksEvenWithEveryRuleOff) {
  LoadWith("// comment\r\n" + kWord + "\r\n");
  EXPECT_EQ(IsWordIn(velmark, kWord), 1);
  EXPECT_EQ(Check(velmark, kWordLine, 26, 34), 20);
  EXPECT_EQ(Check(velmark, kWordLine, 26, 28), 0) << "the word passes lineEnd";
  EXPECT_TRUE(boxes.Boxes().empty());
}

// ---- The poll's reload by the file's last-write time ---------------------------

struct TimeRow {
  const char* name;
  int64_t shift;  // from the time kept at load, 100 ns units
  int32_t poll;
};
void PrintTo(const TimeRow& row, std::ostream* out) { *out << row.name; }

const TimeRow kTimeRows[] = {
    {"Unchanged", 0, 0},
    {"OneSecondForward", 1 * static_cast<int64_t>(kSecond), 0},
    {"TwoSecondsForward", 2 * static_cast<int64_t>(kSecond), 0},
    {"JustOverTwoSecondsForward", 2 * static_cast<int64_t>(kSecond) + 1, 1},
    {"ThreeSecondsForward", 3 * static_cast<int64_t>(kSecond), 1},
    {"OneSecondBack", -1 * static_cast<int64_t>(kSecond), 1},
    {"OneTickBack", -1, 1},
};

class FileTime : public HostCaseWith<TimeRow> {};

TEST_P(FileTime, ReloadsWhenMovedBackOrMoreThanTwoSecondsForward) {
  WriteFileBytes(WordFile(), "旧語\r\n");
  Apply(SystemRegistry(), {Sz("TarnixWordFile", WordFile())});
  Load();
  ASSERT_TRUE(velmark.module);
  const uint64_t kept = WriteTime(WordFile());
  WriteFileBytes(WordFile(), "新語\r\n");
  SetWriteTime(WordFile(), kept + static_cast<uint64_t>(GetParam().shift));
  EXPECT_EQ(velmark.poll(), GetParam().poll);
  EXPECT_EQ(IsWordIn(velmark, "新語"), GetParam().poll);
  EXPECT_EQ(IsWordIn(velmark, "旧語"), 1 - GetParam().poll);
  EXPECT_EQ(velmark.poll(), 0) << "the reload keeps the new time";
}

INSTANTIATE_TEST_SUITE_P(Rows, FileTime, testing::ValuesIn(kTimeRows),
                         [](const testing::TestParamInfo<TimeRow>& p) {
                           return std::string(p.param.name);
                         });

TEST_F(Words, ForwardThenBackIsPickedUpEachTime) {
  LoadWith("旧語\r\n");
  const uint64_t kept = WriteTime(WordFile());
  SetWriteTime(WordFile(), kept + 3 * kSecond);
  EXPECT_EQ(velmark.poll(), 1);
  SetWriteTime(WordFile(), kept + 3 * kSecond - kSecond);
  EXPECT_EQ(velmark.poll(), 1);
  EXPECT_EQ(velmark.poll(), 0);
}

TEST_F(Words, KeyMissingAtThePollStillChecksTheFile) {
  LoadWith("旧語\r\n");
  Apply(SystemRegistry(), {NoKey()});
  const uint64_t kept = WriteTime(WordFile());
  WriteFileBytes(WordFile(), "新語\r\n");
  SetWriteTime(WordFile(), kept + 3 * kSecond);
  EXPECT_EQ(velmark.poll(), 1);
  EXPECT_EQ(IsWordIn(velmark, "新語"), 1);
}

TEST_F(Words, DeletedFileIsNotReloaded) {
  LoadWith(kWord + "\r\n");
  ASSERT_TRUE(DeleteFileA(WordFile().c_str()));
  EXPECT_EQ(velmark.poll(), 0);
  EXPECT_EQ(IsWordIn(velmark, kWord), 1);
}

// A new path reloads once: the change test after it sees the fresh time. A
// faulty pattern line in the new file counts the loads, one message each.
TEST_F(Words, NewPathReloadsOnce) {
  LoadWith("旧語\r\n");
  const std::string other = InFolder(folder, "other.txt");
  WriteFileBytes(other, "[RegExp]0,abc\r\n新語\r\n");
  Apply(SystemRegistry(), {Sz("TarnixWordFile", other)});
  EXPECT_EQ(velmark.poll(), 1);
  EXPECT_EQ(IsWordIn(velmark, "新語"), 1);
  EXPECT_EQ(IsWordIn(velmark, "旧語"), 0);
  EXPECT_EQ(velmark.poll(), 0);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
}

// The comparison is byte-wise: another spelling of the same file is a change.
TEST_F(Words, PathInOtherCaseIsAChange) {
  LoadWith(kWord + "\r\n");
  std::string upper = WordFile();
  for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  Apply(SystemRegistry(), {Sz("TarnixWordFile", upper)});
  EXPECT_EQ(velmark.poll(), 1);
  EXPECT_EQ(IsWordIn(velmark, kWord), 1);
  EXPECT_EQ(velmark.poll(), 0);
}

// ---- Removal, in memory only -------------------------------------------------------

TEST_F(Words, RemovalStaysInMemoryAndIsLostAtUnload) {
  const std::string contents = kWord + "\r\n// コメント行\r\n";
  LoadWith(contents);
  EXPECT_EQ(velmark.removeWord("未登録"), 0);
  EXPECT_EQ(velmark.removeWord(kWord.c_str()), 1);
  EXPECT_EQ(IsWordIn(velmark, kWord), 0);
  EXPECT_EQ(Check(velmark, kWordLine, 26, 34), 0);
  EXPECT_EQ(velmark.removeWord(kWord.c_str()), 0);
  EXPECT_EQ(velmark.isWord("// コメント行"), 0) << "comments are not words";
  EXPECT_EQ(velmark.removeWord("// コメント行"), 1) << "but are removed like words";
  EXPECT_EQ(velmark.poll(), 0);
  Unload();
  EXPECT_EQ(ReadFileBytes(WordFile()), contents) << "nothing is saved at detach";
  Load();
  ASSERT_TRUE(velmark.module);
  EXPECT_EQ(IsWordIn(velmark, kWord), 1);
}

// ---- Pattern lines -----------------------------------------------------------------

struct PatternRow {
  const char* name;
  const char* library;  // build copied as VxJre.dll; null: none
  std::string line;     // pattern line of the word file
  std::string text;
  int32_t breakPos;
  int32_t answer;
  const char* message;  // the one box shown at attach, or null
};
void PrintTo(const PatternRow& row, std::ostream* out) { *out << row.name; }

const PatternRow kPatternRows[] = {
    {"MatchAcrossBreak", "VxJre.dll", "[RegExp]8,ab[0-9]+cd", kLead + "zzab12cdzz", 25, 22,
     nullptr},
    {"MatchAcrossBreakWithoutV318", "VxJreNoV318.dll", "[RegExp]8,ab[0-9]+cd",
     kLead + "zzab12cdzz", 25, 22, nullptr},
    // Window 23..26 holds no "c": only a library without the window end finds one.
    {"WindowEndHonoured", "VxJre.dll", "[RegExp]2,b+c", kLead + "abbbbbbbc", 24, 0, nullptr},
    {"NoWindowEndWithoutV318", "VxJreNoV318.dll", "[RegExp]2,b+c", kLead + "abbbbbbbc", 24, 23,
     nullptr},
    // Without the library no pattern can work: the load says so once, as for a
    // pattern the library refuses, and the words still work.
    {"LibraryMissing", nullptr, "[RegExp]8,ab[0-9]+cd", kLead + "zzab12cdzz", 25, 0,
     kPatternRefusedMessage},
    {"LibraryLacksTheFunctions", "VxRegIni.dll", "[RegExp]8,ab[0-9]+cd", kLead + "zzab12cdzz", 25, 0,
     kPatternRefusedMessage},
    // The faulty line sorts first ("[R" before "[r"): after its box the good
    // line behind it still compiles.
    {"FaultyLineBeforeGoodOne", "VxJre.dll", "[RegExp]0,abc\r\n[regexp]8,ab[0-9]+cd",
     kLead + "zzab12cdzz", 25, 22, kPatternMalformedMessage},
};

class Patterns : public HostCaseWith<PatternRow> {};

TEST_P(Patterns, AnswerAndMessages) {
  const PatternRow& row = GetParam();
  if (row.library) CopyBuilt(folder, row.library, "VxJre.dll");
  WriteFileBytes(WordFile(), row.line + "\r\n" + kWord + "\r\n");
  Apply(SystemRegistry(), {Sz("TarnixWordFile", WordFile())});
  Load();
  ASSERT_TRUE(velmark.module);
  // The box was shown and closed while LoadLibrary ran the entry point.
  const std::vector<ShownBox> shown = boxes.Boxes();
  if (row.message) {
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, row.message);
    EXPECT_EQ(shown[0].caption, "エラー") << "the system's default caption";
  } else {
    EXPECT_TRUE(shown.empty());
  }
  EXPECT_EQ(Check(velmark, row.text, row.breakPos, static_cast<int32_t>(row.text.size())),
            row.answer);
  EXPECT_EQ(IsWordIn(velmark, kWord), 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, Patterns, testing::ValuesIn(kPatternRows),
                         [](const testing::TestParamInfo<PatternRow>& p) {
                           return std::string(p.param.name);
                         });

}  // namespace
