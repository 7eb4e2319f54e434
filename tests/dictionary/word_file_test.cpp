#include "dictionary/word_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dictionary/heap.h"
#include "dictionary/word_dictionary.h"
#include "dictionary/word_file_lines.h"
#include "support/store_checks.h"

namespace {

const char kPath[] = "D:\\dic\\words.txt";
const char kBackup[] = "D:\\dic\\words.bak";
constexpr uint64_t kSecond = 10000000;

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& line : lines) s += line + "\r\n";
  return s;
}

std::vector<std::string> SplitCrLf(const std::string& s) {
  std::vector<std::string> lines;
  size_t from = 0;
  for (size_t at; (at = s.find("\r\n", from)) != std::string::npos; from = at + 2)
    lines.push_back(s.substr(from, at - from));
  if (from < s.size()) lines.push_back(s.substr(from));
  return lines;
}

std::string CreateFailedText(const char* path, unsigned error) {
  char text[600];
  std::snprintf(text, sizeof text, "ファイルの作成に失敗しました。\nファイル名 = %s\nエラーコード = %u", path, error);
  return text;
}

std::vector<std::string> Parsed(const std::string& contents) {
  TestDictionary t;
  EXPECT_TRUE(ParseWordFileContents(t.d, reinterpret_cast<const unsigned char*>(contents.data()),
                                    static_cast<uint32_t>(contents.size())));
  return PoolEntries(t.d);
}

// A store loaded from kPath holding `contents`, with an older backup beside it.
struct WordFileStore : TestDictionary {
  explicit WordFileStore(const std::string& contents, const char* path = kPath) {
    files.files[path] = FakeFile{contents, files.clock};
    files.files[kBackup] = FakeFile{"OLD BACKUP\r\n", files.clock};
    ReloadWordFile(d, path);
  }
};

// --- Header, paths, backup name -------------------------------------------------

TEST(WordFileHeader, FourCommentsAndAnEmptyLine) {
  const std::string header(kWordFileHeader, kWordFileHeaderSize);
  EXPECT_EQ(std::strlen(kWordFileHeader), 209u);
  EXPECT_EQ(header.substr(header.size() - 4), "\r\n\r\n");
  const std::vector<std::string> lines = SplitCrLf(header);
  ASSERT_EQ(lines.size(), 5u);
  const size_t lengths[] = {26, 75, 59, 39, 0};
  for (size_t k = 0; k < 5; ++k) EXPECT_EQ(lines[k].size(), lengths[k]) << k;
  EXPECT_EQ(lines[1].substr(lines[1].find("\x82\x50"), 2), "１");

  WordFileStore t(header);
  EXPECT_EQ(t.d.entryCount, 4);
  EXPECT_EQ(t.d.longestWordLength, 0);
}

TEST(IsFullPath, Table) {
  const struct {
    const char* path;
    int32_t full;
  } cases[] = {
      {"D:\\dic\\words.txt", 1}, {"\\\\server\\share\\w.txt", 1}, {"\x82:\\x", 1},
      {"D:words.txt", 0},        {"D:/dic/w.txt", 0},             {"\\\\", 0},
      {"\\dic\\w.txt", 0},       {"words.txt", 0},                {"", 0},
      {"/home/w.txt", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(IsFullPath(c.path), c.full) << c.path;
}

TEST(BackupName, Table) {
  const std::string longStem = "D:\\" + std::string(252, 'x');  // 255 + ".bak" + NUL
  const std::string tooLong = "D:\\" + std::string(253, 'x') + "y";
  const struct {
    std::string path;
    bool fits;
    std::string backup;
  } cases[] = {
      {"D:\\dic\\words.txt", true, "D:\\dic\\words.bak"},
      {"D:\\my.dic\\words", true, "D:\\my.dic\\words.bak"},
      {"D:\\dic\\a.b.c", true, "D:\\dic\\a.b.bak"},
      {"D:\\dic\\.hidden", true, "D:\\dic\\.bak"},
      // 表 is 0x95 0x5C: its trail byte is no separator.
      {"D:\\dic\\a.表", true, "D:\\dic\\a.bak"},
      {"D:\\x.y\\表", true, "D:\\x.y\\表.bak"},
      {"D:/my.dic/words", true, "D:/my.dic/words.bak"},
      {longStem, true, longStem + ".bak"},
      {tooLong, false, ""},
  };
  for (const auto& c : cases) {
    char backup[260] = {};
    EXPECT_EQ(BackupName(c.path.c_str(), backup), c.fits) << c.path;
    if (c.fits) {
      EXPECT_EQ(std::string(backup), c.backup) << c.path;
    }
  }
}

// --- Lines ------------------------------------------------------------------

struct WalkedLine {
  std::string text;
  int32_t physicalLine;
  unsigned char endedBy;
  bool operator==(const WalkedLine& o) const {
    return text == o.text && physicalLine == o.physicalLine && endedBy == o.endedBy;
  }
};

std::vector<WalkedLine> Walk(const std::string& contents) {
  std::vector<WalkedLine> lines;
  const auto* bytes = reinterpret_cast<const unsigned char*>(contents.data());
  uint32_t cursor = 0;
  int32_t physical = 1;
  WordFileLine line;
  while (NextWordFileLine(bytes, static_cast<uint32_t>(contents.size()), &cursor, &physical, &line))
    lines.push_back({contents.substr(line.offset, static_cast<size_t>(line.length)), line.physicalLine,
                     line.endedBy});
  return lines;
}

TEST(NextWordFileLine, Table) {
  const struct {
    const char* name;
    std::string contents;
    std::vector<WalkedLine> lines;
  } cases[] = {
      {"every kind of line end", "a\r\nb\rc\nd\te\x01" "f",
       {{"a", 1, '\r'}, {"b", 2, '\r'}, {"c", 3, '\n'}, {"d", 4, '\t'}, {"e", 4, 0x01}, {"f", 4, 0}}},
      {"empty lines counted, not returned", "\r\n\r\n\nx\n", {{"x", 4, '\n'}}},
      {"LF then CR is two line ends", "a\n\rb", {{"a", 1, '\n'}, {"b", 3, 0}}},
      {"NUL ends the contents", std::string("ab\0cd\n", 6), {{"ab", 1, 0}}},
      {"spaces and high bytes belong to the line", " a \x7f\xff", {{" a \x7f\xff", 1, 0}}},
      {"nothing", "", {}},
      {"separators only", "\r\n\t\x1f", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Walk(c.contents), c.lines) << c.name;
}

TEST(JudgeWordFileLine, Table) {
  const struct {
    const char* bytes;
    LineVerdict verdict;
  } cases[] = {
      {"ab", LineVerdict::Entry},        {"a", LineVerdict::OneByte},
      {" ab", LineVerdict::LeadingSpace}, {" ", LineVerdict::OneByte},
      {"\xfd" "ab", LineVerdict::BadFirstByte}, {"\xff\xfe", LineVerdict::BadFirstByte},
      {"\xfc\x40", LineVerdict::Entry},  {"!!", LineVerdict::Entry},
      {"\x7f" "a", LineVerdict::Entry},
  };
  for (const auto& c : cases) {
    const auto n = static_cast<int32_t>(std::strlen(c.bytes));
    EXPECT_EQ(JudgeWordFileLine(reinterpret_cast<const unsigned char*>(c.bytes), n), c.verdict) << c.bytes;
  }
}

TEST(ParseWordFileContents, Table) {
  const std::string lead254 = std::string(254, 'a') + "\x82\xa0" + std::string(44, 'b');
  const struct {
    const char* name;
    std::string contents;
    std::vector<std::string> entries;  // in file order
  } cases[] = {
      {"last line without a line end", "ab\ncd", {"ab", "cd"}},
      {"CR LF, LF and CR alike", "ab\r\ncd\nef\rgh", {"ab", "cd", "ef", "gh"}},
      {"word TAB remark gives two entries", "word\tremark\r\n", {"word", "remark"}},
      {"leading space dropped, trailing kept", " ab\r\ncd  \r\n", {"cd  "}},
      {"one byte dropped, two kept", "a\r\nab\r\n", {"ab"}},
      {"bad first bytes dropped", "\xfd" "a\n\xfe" "a\n\xff" "a\n\xfc" "a\n", {"\xfc" "a"}},
      {"300 bytes cut to 255", std::string(300, 'x'), {std::string(255, 'x')}},
      {"lead byte at 254 cut to 254", lead254, {lead254.substr(0, 254)}},
      {"NUL ends the file", std::string("ab\ncd\0ef\n", 9), {"ab", "cd"}},
      {"UTF-16 byte-order mark loads nothing", std::string("\xff\xfe" "a\0b\0", 6), {}},
      {"control byte splits a line", "ab\x1b" "cd", {"ab", "cd"}},
      {"empty", "", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Parsed(c.contents), c.entries) << c.name;
}

// --- Loading ----------------------------------------------------------------

TEST(ReloadWordFile, SortsDropsDuplicatesAndIsClean) {
  WordFileStore t("zz\r\nab\r\nzz\r\n//c\r\n");
  EXPECT_EQ(t.d.dirty, 0);
  EXPECT_EQ(t.d.loadFailed, 0);
  EXPECT_STREQ(t.d.wordFilePath, kPath);
  EXPECT_EQ(t.d.keptFileTime, t.files.files[kPath].time);
  EXPECT_EQ(IndexEntries(t.d), (std::vector<std::string>{"//c", "ab", "zz"}));
  EXPECT_EQ(StoreFault(t.d), "");
  EXPECT_EQ(IsWord(t.d, "zz"), 1);
  EXPECT_EQ(t.files.OpenHandles(), 0);
}

TEST(ReloadWordFile, OwnPathAndMissingFile) {
  WordFileStore t("ab\r\n");
  t.files.files[kPath].bytes = "cd\r\n";
  EXPECT_EQ(ReloadWordFile(t.d, t.d.wordFilePath), 1);
  EXPECT_STREQ(t.d.wordFilePath, kPath);
  EXPECT_EQ(IndexEntries(t.d), (std::vector<std::string>{"cd"}));

  const char missing[] = "D:\\dic\\new.txt";
  EXPECT_EQ(ReloadWordFile(t.d, missing), 1);
  EXPECT_EQ(t.files.files.count(missing), 1u);  // created empty, without the header
  EXPECT_EQ(t.files.files[missing].bytes, "");
  EXPECT_EQ(t.d.entryCount, 0);
  EXPECT_EQ(t.d.loadFailed, 0);
}

// Every failing step of a load: the store is empty but whole, the file is
// closed again, the time is kept once the file was open, and the store
// remembers that it lacks the file.
TEST(LoadWordFile, FailuresTable) {
  const char* const tooLarge = kWordFileTooLargeMessage;
  const struct {
    const char* name;
    FakeOp op;
    long heapFailure;  // nth allocation of the load, or 0
    const char* message;
    bool timeKept;
  } cases[] = {
      {"cannot open", FakeOp::OpenForRead, 0, nullptr, false},
      {"no size", FakeOp::Size, 0, nullptr, true},
      {"read fails", FakeOp::Read, 0, kWordFileReadFailedMessage, true},
      {"no buffer", FakeOp::Count, 1, tooLarge, true},
      {"no pool", FakeOp::Count, 2, tooLarge, true},
      {"no index", FakeOp::Count, 3, tooLarge, true},
  };
  for (const auto& c : cases) {
    TestDictionary t;
    t.files.files[kPath] = FakeFile{"ab\r\ncd\r\n", 5 * kSecond};
    t.d.keptFileTime = 1;
    if (c.op != FakeOp::Count) t.files.FailAt(c.op, 1);
    HeapFailAt(c.heapFailure);
    EXPECT_EQ(ReloadWordFile(t.d, kPath), 1) << c.name;
    HeapFailAt(0);
    EXPECT_EQ(t.d.entryCount, 0) << c.name;
    EXPECT_EQ(StoreFault(t.d), "") << c.name;
    EXPECT_EQ(t.d.loadFailed, 1) << c.name;
    EXPECT_EQ(t.d.keptFileTime, c.timeKept ? 5 * kSecond : 1) << c.name;
    EXPECT_EQ(t.files.OpenHandles(), 0) << c.name;
    EXPECT_EQ(t.messages.texts, c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{})
        << c.name;
    EXPECT_EQ(t.files.files[kPath].bytes, "ab\r\ncd\r\n") << c.name;
  }
}

// --- Saving -----------------------------------------------------------------

TEST(SaveWordFile, NewFileWithOneWord) {
  WordFileStore t(std::string(kWordFileHeader, kWordFileHeaderSize));
  ASSERT_EQ(RegistWord(t.d, "\x82\xa0\x82\xa2"), 1);
  ASSERT_EQ(RegistWord(t.d, "!!"), 1);
  EXPECT_EQ(SaveWordFile(t.d), 1);
  const std::vector<std::string> lines = SplitCrLf(t.files.files[kPath].bytes);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines.front(), "!!");  // 0x2121 sorts before the comments' 0x2F2F
  EXPECT_EQ(lines.back(), "\x82\xa0\x82\xa2");
  for (size_t k = 1; k < 5; ++k) EXPECT_EQ(lines[k].substr(0, 3), "// ") << k;
  EXPECT_EQ(t.files.files[kPath].bytes.substr(t.files.files[kPath].bytes.size() - 2), "\r\n");
  EXPECT_EQ(t.files.files[kBackup].bytes, std::string(kWordFileHeader, kWordFileHeaderSize));
  EXPECT_EQ(t.d.dirty, 0);
  EXPECT_EQ(t.files.NamesExcept({kPath, kBackup}), std::vector<std::string>{});
  EXPECT_EQ(t.messages.texts, std::vector<std::string>{});
}

TEST(SaveWordFile, EachSaveMovesThePreviousFileToTheBackup) {
  WordFileStore t("ab\r\n");
  ASSERT_EQ(RegistWord(t.d, "cd"), 1);
  ASSERT_EQ(SaveWordFile(t.d), 1);
  EXPECT_EQ(t.files.files[kBackup].bytes, "ab\r\n");
  ASSERT_EQ(RegistWord(t.d, "ef"), 1);
  ASSERT_EQ(SaveWordFile(t.d), 1);
  EXPECT_EQ(t.files.files[kBackup].bytes, "ab\r\ncd\r\n");
  EXPECT_EQ(t.files.files[kPath].bytes, "ab\r\ncd\r\nef\r\n");
}

TEST(SaveWordFile, NothingToWriteOrNowhereToWrite) {
  WordFileStore clean("ab\r\n");
  EXPECT_EQ(SaveWordFile(clean.d), 1);
  EXPECT_EQ(clean.files.Calls(FakeOp::CreateTemporary), 0);

  WordFileStore relative("ab\r\n", "dic\\words.txt");
  ASSERT_EQ(RegistWord(relative.d, "cd"), 1);
  EXPECT_EQ(SaveWordFile(relative.d), 0);
  EXPECT_EQ(relative.d.dirty, 1);
  EXPECT_EQ(relative.files.Calls(FakeOp::CreateTemporary), 0);
  EXPECT_EQ(relative.messages.texts, std::vector<std::string>{});
}

TEST(SaveWordFile, WordFileGoneBeforeTheSave) {
  WordFileStore t("ab\r\n");
  t.files.files.erase(kPath);
  t.files.files.erase(kBackup);
  ASSERT_EQ(RegistWord(t.d, "cd"), 1);
  EXPECT_EQ(SaveWordFile(t.d), 1);
  EXPECT_EQ(t.files.files[kPath].bytes, "ab\r\ncd\r\n");
  EXPECT_EQ(t.files.files.count(kBackup), 0u);
}

TEST(SaveWordFile, BackupNameTooLong) {
  const std::string path = "D:\\" + std::string(255, 'x');
  TestDictionary t;
  ReloadWordFile(t.d, path.c_str());
  ASSERT_EQ(RegistWord(t.d, "ab"), 1);
  EXPECT_EQ(SaveWordFile(t.d), 0);
  EXPECT_EQ(t.d.dirty, 1);
  EXPECT_EQ(t.messages.texts, std::vector<std::string>{CreateFailedText(path.c_str(), 0)});
  EXPECT_EQ(t.files.files[path].bytes, "");
}

// A failure at each step of the save - creating the temporary file, each
// write, the flush, the replace - leaves the word file and the old backup as
// they were, removes the temporary file, keeps the store dirty and says so.
// The store spans several writes.
TEST(SaveWordFile, FailureAtEachStepLosesNothing) {
  std::string old;
  for (int k = 0; k < 3000; ++k) old += "w" + std::to_string(k) + "\r\n";
  int writes = 0;
  {
    WordFileStore probe(old);
    ASSERT_EQ(RegistWord(probe.d, "new"), 1);
    ASSERT_EQ(SaveWordFile(probe.d), 1);
    writes = probe.files.Calls(FakeOp::Write);
  }
  ASSERT_GE(writes, 3);
  std::vector<std::pair<FakeOp, int>> steps = {{FakeOp::CreateTemporary, 1}, {FakeOp::Flush, 1},
                                               {FakeOp::Replace, 1}};
  for (int k = 1; k <= writes; ++k) steps.emplace_back(FakeOp::Write, k);
  for (const auto& [op, nth] : steps) {
    const std::string name = "op " + std::to_string(static_cast<int>(op)) + " call " + std::to_string(nth);
    WordFileStore t(old);
    ASSERT_EQ(RegistWord(t.d, "new"), 1);
    t.files.FailAt(op, nth);
    EXPECT_EQ(SaveWordFile(t.d), 0) << name;
    EXPECT_EQ(t.files.files[kPath].bytes, old) << name;
    EXPECT_EQ(t.files.files[kBackup].bytes, "OLD BACKUP\r\n") << name;
    EXPECT_EQ(t.files.NamesExcept({kPath, kBackup}), std::vector<std::string>{}) << name;
    EXPECT_EQ(t.files.OpenHandles(), 0) << name;
    EXPECT_EQ(t.d.dirty, 1) << name;
    EXPECT_EQ(t.messages.texts, std::vector<std::string>{CreateFailedText(kPath, FakeFileSystem::kInjectedError)})
        << name;
    // The next save writes everything.
    EXPECT_EQ(SaveWordFile(t.d), 1) << name;
    EXPECT_EQ(Sorted(SplitCrLf(t.files.files[kPath].bytes)), Sorted(IndexEntries(t.d))) << name;
    EXPECT_EQ(t.files.files[kBackup].bytes, old) << name;
  }
}

// A store that could not read its file never saves over it; once the file is
// gone there is nothing to lose.
TEST(SaveWordFile, NeverOverAFileTheLoadCouldNotRead) {
  for (const FakeOp op : {FakeOp::Read, FakeOp::Size, FakeOp::OpenForRead}) {
    TestDictionary t;
    t.files.files[kPath] = FakeFile{"precious\r\n", 0};
    t.files.FailAt(op, 1);
    ReloadWordFile(t.d, kPath);
    ASSERT_EQ(RegistWord(t.d, "ab"), 1);
    EXPECT_EQ(SaveWordFile(t.d), 0);
    EXPECT_EQ(t.files.files[kPath].bytes, "precious\r\n");
    EXPECT_EQ(t.d.dirty, 1);
    t.files.files.erase(kPath);
    EXPECT_EQ(SaveWordFile(t.d), 1);
    EXPECT_EQ(t.files.files[kPath].bytes, "ab\r\n");
  }
}

// Whatever a file holds, a save writes the loaded entries back sorted, one a
// line, and loading that gives the same entries.
TEST(SaveWordFile, RoundTripsOfAdversarialFiles) {
  const std::string pieces[] = {"\r\n", "\n", "\r", "\t", "\x01", " ", "  ", "a", "ab", "//", "/",
                                "[RegExp]", "\x82\xa0", "\x82", "\x95\x5c", "\xfd", "\xff", "\x7f",
                                "\x1a\x81\x82\x84", "\xa0", std::string(260, 'L'), "\x88"};
  std::mt19937 random(20261211);
  for (int round = 0; round < 200; ++round) {
    std::string file;
    const int count = static_cast<int>(random() % 40);
    for (int k = 0; k < count; ++k) file += pieces[random() % (sizeof pieces / sizeof pieces[0])];
    WordFileStore t(file);
    const std::vector<std::string> loaded = Sorted(IndexEntries(t.d));
    ASSERT_EQ(StoreFault(t.d), "") << round;
    t.d.dirty = 1;
    ASSERT_EQ(SaveWordFile(t.d), 1) << round;
    const std::string saved = t.files.files[kPath].bytes;
    EXPECT_EQ(saved, Joined(IndexEntries(t.d))) << round;
    EXPECT_EQ(Sorted(Parsed(saved)), loaded) << round;
    ReloadWordFile(t.d, kPath);
    EXPECT_EQ(Sorted(IndexEntries(t.d)), loaded) << round;
  }
}

// --- Reload when changed -------------------------------------------------------

TEST(ReloadIfChanged, Table) {
  const struct {
    const char* name;
    int64_t moved;  // file time minus kept time, 100 ns units
    int32_t reloaded;
  } cases[] = {
      {"unchanged", 0, 0},
      {"1 s forward", static_cast<int64_t>(kSecond), 0},
      {"exactly 2 s forward", static_cast<int64_t>(2 * kSecond), 0},
      {"just over 2 s", static_cast<int64_t>(2 * kSecond) + 1, 1},
      {"3 s forward", static_cast<int64_t>(3 * kSecond), 1},
      {"100 ns back", -1, 1},
      {"1 s back", -static_cast<int64_t>(kSecond), 1},
  };
  for (const auto& c : cases) {
    WordFileStore t("ab\r\n");
    ASSERT_EQ(RegistWord(t.d, "cd"), 1);
    ASSERT_EQ(SaveWordFile(t.d), 1);
    EXPECT_EQ(ReloadIfChanged(t.d), 0) << c.name << ": right after the save";
    FakeFile& file = t.files.files[kPath];
    file.bytes = "ef\r\n";
    file.time = static_cast<uint64_t>(static_cast<int64_t>(t.d.keptFileTime) + c.moved);
    EXPECT_EQ(ReloadIfChanged(t.d), c.reloaded) << c.name;
    const std::vector<std::string> expected =
        c.reloaded ? std::vector<std::string>{"ef"} : std::vector<std::string>{"ab", "cd"};
    EXPECT_EQ(IndexEntries(t.d), expected) << c.name;
    if (c.reloaded) {
      EXPECT_EQ(t.d.keptFileTime, file.time) << c.name;
    }
  }
}

TEST(ReloadIfChanged, MissingFileAndTimesNearTheTop) {
  WordFileStore t("ab\r\n");
  t.files.files.erase(kPath);
  EXPECT_EQ(ReloadIfChanged(t.d), 0);
  EXPECT_EQ(IndexEntries(t.d), std::vector<std::string>{"ab"});

  // kept + 2 s does not fit in 64 bits: the window must not wrap round.
  t.files.files[kPath] = FakeFile{"cd\r\n", UINT64_MAX};
  t.d.keptFileTime = UINT64_MAX - 5;
  EXPECT_EQ(ReloadIfChanged(t.d), 0);
}

}  // namespace
