#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "dictionary/word_dictionary.h"
#include "dictionary/word_file.h"
#include "platform/file_systems.h"
#include "support/store_checks.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed afterwards.
struct TempFolder {
  fs::path folder;

  TempFolder() {
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    folder = fs::temp_directory_path() / ("velmark-files-" + std::to_string(tick));
    fs::create_directories(folder);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  std::string operator/(const char* name) const { return (folder / name).string(); }
  size_t FileCount() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }
};

std::string ReadAll(const std::string& path) {
  std::string bytes;
  if (std::FILE* in = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.append(buffer, n);
    std::fclose(in);
  }
  return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr) << path;
  EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
  std::fclose(out);
}

// Writes `bytes` to a new temporary file beside `target`; its name goes to tempPath.
void WriteTemporary(FileSystem& files, const std::string& target, const std::string& bytes, char* tempPath) {
  uint32_t error = 0;
  FileHandle* file = files.CreateTemporary(target.c_str(), tempPath, &error);
  ASSERT_NE(file, nullptr) << error;
  EXPECT_TRUE(files.Write(file, bytes.data(), static_cast<uint32_t>(bytes.size()), &error)) << error;
  EXPECT_TRUE(files.Flush(file, &error)) << error;
  files.Close(file);
}

// 2000-01-01 and 2100-01-01 as 100 ns steps since 1601, the system's file times.
constexpr uint64_t kYear2000 = 125911584000000000;
constexpr uint64_t kYear2100 = 157469184000000000;

TEST(PlatformFileSystem, OpenCreatesAMissingFileAndReads) {
  TempFolder temp;
  FileSystem& files = PlatformFileSystem();
  const std::string path = temp / "words.txt";

  FileHandle* file = files.OpenForRead(path.c_str());
  ASSERT_NE(file, nullptr);
  uint32_t size = 99;
  EXPECT_TRUE(files.Size(file, &size));
  EXPECT_EQ(size, 0u);
  uint64_t opened = 0;
  uint64_t found = 0;
  EXPECT_TRUE(files.LastWriteTime(file, &opened));
  files.Close(file);
  EXPECT_TRUE(files.FindLastWriteTime(path.c_str(), &found));
  EXPECT_EQ(opened, found);
  EXPECT_GT(found, kYear2000);
  EXPECT_LT(found, kYear2100);

  WriteAll(path, std::string("ab\r\n\x82\xa0\0z", 7));
  file = files.OpenForRead(path.c_str());
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(files.Size(file, &size));
  ASSERT_EQ(size, 7u);
  char buffer[8] = {};
  EXPECT_TRUE(files.Read(file, buffer, 7));
  EXPECT_EQ(std::string(buffer, 7), std::string("ab\r\n\x82\xa0\0z", 7));
  EXPECT_FALSE(files.Read(file, buffer, 1));  // nothing left
  files.Close(file);
}

TEST(PlatformFileSystem, MissingThings) {
  TempFolder temp;
  FileSystem& files = PlatformFileSystem();
  uint64_t time = 0;
  EXPECT_FALSE(files.FindLastWriteTime((temp / "none.txt").c_str(), &time));
  EXPECT_EQ(files.OpenForRead((temp / "no-folder/w.txt").c_str()), nullptr);
  EXPECT_EQ(files.OpenForRead(""), nullptr);
  EXPECT_FALSE(files.Delete((temp / "none.txt").c_str()));
  char tempPath[260];
  uint32_t error = 0;
  EXPECT_EQ(files.CreateTemporary((temp / "no-folder/w.txt").c_str(), tempPath, &error), nullptr);
  EXPECT_NE(error, 0u);
}

TEST(PlatformFileSystem, ReplaceKeepsTheOldFileAsBackup) {
  TempFolder temp;
  FileSystem& files = PlatformFileSystem();
  const std::string target = temp / "words.txt";
  const std::string backup = temp / "words.bak";
  WriteAll(target, "first\r\n");
  WriteAll(backup, "older backup\r\n");

  char tempPath[260];
  WriteTemporary(files, target, "second\r\n", tempPath);
  EXPECT_EQ(fs::path(tempPath).parent_path(), temp.folder);  // same folder: the move is a rename
  EXPECT_EQ(ReadAll(tempPath), "second\r\n");
  uint32_t error = 0;
  ASSERT_TRUE(files.Replace(target.c_str(), tempPath, backup.c_str(), &error)) << error;
  EXPECT_EQ(ReadAll(target), "second\r\n");
  EXPECT_EQ(ReadAll(backup), "first\r\n");
  EXPECT_FALSE(fs::exists(tempPath));

  WriteTemporary(files, target, "third\r\n", tempPath);
  ASSERT_TRUE(files.Replace(target.c_str(), tempPath, backup.c_str(), &error)) << error;
  EXPECT_EQ(ReadAll(target), "third\r\n");
  EXPECT_EQ(ReadAll(backup), "second\r\n");
  EXPECT_EQ(temp.FileCount(), 2u);  // nothing left behind
}

TEST(PlatformFileSystem, ReplaceWithoutATargetMakesNoBackup) {
  TempFolder temp;
  FileSystem& files = PlatformFileSystem();
  const std::string target = temp / "words.txt";
  const std::string backup = temp / "words.bak";
  char tempPath[260];
  WriteTemporary(files, target, "only\r\n", tempPath);
  uint32_t error = 0;
  ASSERT_TRUE(files.Replace(target.c_str(), tempPath, backup.c_str(), &error)) << error;
  EXPECT_EQ(ReadAll(target), "only\r\n");
  EXPECT_FALSE(fs::exists(backup));
  EXPECT_EQ(temp.FileCount(), 1u);
}

// While someone reads the word file the system may refuse the replace; then
// the old file and the backup must be just as they were.
TEST(PlatformFileSystem, ReplaceWhileTheTargetIsOpen) {
  TempFolder temp;
  FileSystem& files = PlatformFileSystem();
  const std::string target = temp / "words.txt";
  const std::string backup = temp / "words.bak";
  WriteAll(target, "old\r\n");
  WriteAll(backup, "older\r\n");
  FileHandle* reader = files.OpenForRead(target.c_str());
  ASSERT_NE(reader, nullptr);
  char tempPath[260];
  WriteTemporary(files, target, "new\r\n", tempPath);
  uint32_t error = 0;
  const bool replaced = files.Replace(target.c_str(), tempPath, backup.c_str(), &error);
  files.Close(reader);
  if (replaced) {
    EXPECT_EQ(ReadAll(target), "new\r\n");
    EXPECT_EQ(ReadAll(backup), "old\r\n");
  } else {
    EXPECT_NE(error, 0u);
    EXPECT_EQ(ReadAll(target), "old\r\n");
    EXPECT_EQ(ReadAll(backup), "older\r\n");
    EXPECT_TRUE(files.Delete(tempPath));
  }
  EXPECT_EQ(temp.FileCount(), 2u);
}

// The whole road on the system's files: load, register, save with backup,
// notice an outside change. Only a drive path saves, so only on Windows.
TEST(PlatformFileSystem, WordFileRoundTrip) {
  TempFolder temp;
  const std::string path = temp / "words.txt";
  if (!IsFullPath(path.c_str())) GTEST_SKIP() << "no drive paths here: " << path;
  WriteAll(path, "zz\r\nab\r\nab\r\n");
  RecordedMessages messages;
  DictionaryServices services{nullptr, &messages.sink, &PlatformFileSystem()};
  WordDictionary d;
  InitDictionary(d, &services);
  ReloadWordFile(d, path.c_str());
  EXPECT_EQ(IsWord(d, "ab"), 1);
  ASSERT_EQ(RegistWord(d, "cd"), 1);
  ASSERT_EQ(SaveWordFile(d), 1);
  EXPECT_EQ(ReadAll(path), "ab\r\ncd\r\nzz\r\n");
  EXPECT_EQ(ReadAll(temp / "words.bak"), "zz\r\nab\r\nab\r\n");
  EXPECT_EQ(ReloadIfChanged(d), 0);
  fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(3));
  EXPECT_EQ(ReloadIfChanged(d), 1);
  EXPECT_EQ(messages.texts, std::vector<std::string>{});
  EXPECT_EQ(temp.FileCount(), 2u);
  DestroyDictionary(d);
}

#ifndef _WIN32
// What the command-line tool's sink writes to standard error, captured
// through a file under the given locale.
std::string ShownOnStandardError(const char* locale, const char* text) {
  const char* saved = std::getenv("LC_ALL");
  const std::string savedValue = saved ? saved : "";
  setenv("LC_ALL", locale, 1);
  std::FILE* capture = std::tmpfile();
  std::fflush(stderr);
  const int original = dup(fileno(stderr));
  dup2(fileno(capture), fileno(stderr));
  const MessageSink sink = PlatformMessageSink();
  ShowMessage(&sink, text);
  std::fflush(stderr);
  dup2(original, fileno(stderr));
  close(original);
  if (saved)
    setenv("LC_ALL", savedValue.c_str(), 1);
  else
    unsetenv("LC_ALL");
  std::rewind(capture);
  std::string shown;
  for (int c; (c = std::fgetc(capture)) != EOF;) shown += static_cast<char>(c);
  std::fclose(capture);
  return shown;
}

TEST(PlatformMessageSink, StandardErrorInTheReadersEncoding) {
  const struct {
    const char* locale;
    const char* text;
    std::string shown;
  } cases[] = {
      {"ja_JP.UTF-8", kWordFileReadFailedMessage,
       std::string("velmark: ") + u8"分割禁止ワード用ファイルの読み込みに失敗しました。" + "\n"},
      {"ja_JP.UTF-8", "a\xff" "b\x82", "velmark: a?b?\n"},
      {"C", kWordFileReadFailedMessage, std::string("velmark: ") + kWordFileReadFailedMessage + "\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShownOnStandardError(c.locale, c.text), c.shown) << c.locale;
}
#endif

}  // namespace
