#include "dictionary/word_file.h"

#include <cstdio>
#include <cstring>

#include "dictionary/file_system.h"
#include "dictionary/heap.h"
#include "dictionary/message_sink.h"
#include "dictionary/patterns.h"
#include "dictionary/word_dictionary.h"
#include "dictionary/word_file_lines.h"
#include "guard/line_text.h"

const char kWordFileHeader[] =
    "// 分割禁止ワードの書き方:\r\n"
    "// 分割禁止ワードは、１行に１つ、空白やタブを含まないように書いてください。\r\n"
    "// 行頭に「//」を入れると、その行はコメント扱いとなります。\r\n"
    "// 単語の並び順は勝手にソートされます。\r\n"
    "\r\n";
static_assert(sizeof kWordFileHeader == kWordFileHeaderSize + 1, "the header is 209 bytes");

const char kWordFileTooLargeMessage[] =
    "分割禁止ワード用ファイルが大きすぎるか、またはメモリ不足のエラーです。";
const char kWordFileReadFailedMessage[] = "分割禁止ワード用ファイルの読み込みに失敗しました。";
const char kFileCreateFailedFormat[] = "ファイルの作成に失敗しました。\nファイル名 = %s\nエラーコード = %u";

namespace {

constexpr int kPathSize = 260;
constexpr int32_t kPoolSpare = 4096;
constexpr int32_t kIndexSpare = 1024;
constexpr uint64_t kUnchangedWindow = 20000000;  // 2 s in 100 ns units
constexpr int32_t kSaveChunk = 8192;

FileSystem* Files(const WordDictionary& d) noexcept { return d.services ? d.services->files : nullptr; }

void Show(const WordDictionary& d, const char* text) noexcept {
  ShowMessage(d.services ? d.services->messages : nullptr, text);
}

void ShowCreateFailed(const WordDictionary& d, uint32_t error) noexcept {
  char text[kPathSize + sizeof kFileCreateFailedFormat + 16];
  std::snprintf(text, sizeof text, kFileCreateFailedFormat, d.wordFilePath, error);
  Show(d, text);
}

// Copies a zero-terminated path, cut to the 260-byte buffer.
void CopyPath(char* to, const char* from) noexcept {
  int k = 0;
  for (; from && k < kPathSize - 1 && from[k] != '\0'; ++k) to[k] = from[k];
  to[k] = '\0';
}

// --- Loading ---------------------------------------------------------------

bool GrowPool(WordDictionary& d, int32_t capacity) noexcept {
  if (d.poolCapacity >= capacity) return true;
  void* block = HeapRealloc(d.WordPool, static_cast<size_t>(capacity));
  if (!block) return false;
  d.WordPool = static_cast<unsigned char*>(block);
  d.poolCapacity = capacity;
  return true;
}

bool GrowIndex(WordDictionary& d, int32_t capacity) noexcept {
  if (d.indexCapacity >= capacity) return true;
  void* block = HeapRealloc(d.EntryIndex, static_cast<size_t>(capacity) * sizeof(int32_t));
  if (!block) return false;
  d.EntryIndex = static_cast<int32_t*>(block);
  d.indexCapacity = capacity;
  return true;
}

void AppendEntry(WordDictionary& d, const unsigned char* bytes, int32_t n) noexcept {
  d.EntryIndex[d.entryCount++] = d.bytesUsed;
  d.WordPool[d.bytesUsed] = static_cast<unsigned char>(n);
  std::memcpy(d.WordPool + d.bytesUsed + 1, bytes, static_cast<size_t>(n));
  d.bytesUsed += n + 1;
}

// Reads the open word file into a fresh buffer with two NULs after it.
// Null (with the message shown, or none when the size is unknown) on failure.
unsigned char* ReadWhole(WordDictionary& d, FileSystem& files, FileHandle* file,
                         uint32_t* size) noexcept {
  if (!files.Size(file, size)) return nullptr;
  // The pool must hold the whole file in 32-bit offsets.
  unsigned char* buffer = *size > INT32_MAX - 2 * kPoolSpare
                              ? nullptr
                              : static_cast<unsigned char*>(HeapAlloc0(size_t{*size} + 2));
  if (!buffer) {
    Show(d, kWordFileTooLargeMessage);
    return nullptr;
  }
  if (!files.Read(file, buffer, *size)) {
    HeapFree(buffer);
    Show(d, kWordFileReadFailedMessage);
    return nullptr;
  }
  return buffer;
}

// --- Saving ----------------------------------------------------------------

// Entries are gathered into chunks so that a large store needs few writes.
struct SaveWriter {
  FileSystem* files;
  FileHandle* file;
  uint32_t error;
  int32_t used;
  unsigned char chunk[kSaveChunk];
};

bool FlushChunk(SaveWriter& w) noexcept {
  if (w.used == 0) return true;
  const bool written = w.files->Write(w.file, w.chunk, static_cast<uint32_t>(w.used), &w.error);
  w.used = 0;
  return written;
}

bool WriteLine(SaveWriter& w, const unsigned char* bytes, int32_t n) noexcept {
  if (w.used + n + 2 > kSaveChunk && !FlushChunk(w)) return false;
  std::memcpy(w.chunk + w.used, bytes, static_cast<size_t>(n));
  w.chunk[w.used + n] = '\r';
  w.chunk[w.used + n + 1] = '\n';
  w.used += n + 2;
  return true;
}

// Writes every entry in index order and flushes to disk.
bool WriteEntries(const WordDictionary& d, SaveWriter& w) noexcept {
  for (int32_t i = 0; i < d.entryCount; ++i) {
    const int32_t offset = d.EntryIndex[i];
    if (!WriteLine(w, EntryBytes(d, offset), EntryLength(d, offset))) return false;
  }
  return FlushChunk(w) && w.files->Flush(w.file, &w.error);
}

// Writes the store to a temporary file beside the word file, then puts it in
// place with the old file as the backup. On any failure the word file and
// the backup are as they were and the temporary file is gone.
bool WriteAndReplace(WordDictionary& d, FileSystem& files, const char* backup,
                     uint32_t* error) noexcept {
  char tempPath[kPathSize] = {};
  SaveWriter w;
  w.files = &files;
  w.error = 0;
  w.used = 0;
  w.file = files.CreateTemporary(d.wordFilePath, tempPath, &w.error);
  if (!w.file) {
    *error = w.error;
    return false;
  }
  const bool written = WriteEntries(d, w);
  files.Close(w.file);  // closed before the replace, which needs it unshared
  *error = w.error;
  if (written && files.Replace(d.wordFilePath, tempPath, backup, error)) return true;
  files.Delete(tempPath);
  return false;
}

}  // namespace

int32_t IsFullPath(const char* path) noexcept {
  if (!path || path[0] == '\0') return 0;
  if (path[1] == ':' && path[2] == '\\') return 1;
  if (path[0] == '\\' && path[1] == '\\' && path[2] != '\0') return 1;
  return 0;
}

bool BackupName(const char* path, char* backup) noexcept {
  // Walk by character: a trail byte may be 0x5C. A slash separates too, as
  // the system's file functions take it.
  int32_t length = 0;
  int32_t dot = -1;
  while (path[length] != '\0') {
    const auto b = static_cast<unsigned char>(path[length]);
    if (b == '\\' || b == '/') {
      dot = -1;
    } else if (b == '.') {
      dot = length;
    } else if (IsLeadByte(b) && path[length + 1] != '\0') {
      ++length;
    }
    ++length;
  }
  const int32_t stem = dot >= 0 ? dot : length;
  static const char kExtension[] = ".bak";
  if (stem + static_cast<int32_t>(sizeof kExtension) > kPathSize) return false;
  std::memcpy(backup, path, static_cast<size_t>(stem));
  std::memcpy(backup + stem, kExtension, sizeof kExtension);
  return true;
}

bool ParseWordFileContents(WordDictionary& d, const unsigned char* contents, uint32_t size) noexcept {
  // First pass: room for every line, also those that will be dropped.
  int64_t bytes = 0;
  int64_t lines = 0;
  uint32_t cursor = 0;
  int32_t physical = 1;
  WordFileLine line;
  while (NextWordFileLine(contents, size, &cursor, &physical, &line)) {
    bytes += (line.length < kMaxEntryLength ? line.length : kMaxEntryLength) + 1;
    ++lines;
  }
  if (d.bytesUsed + bytes + kPoolSpare > INT32_MAX) return false;
  if (!GrowPool(d, static_cast<int32_t>(d.bytesUsed + bytes + kPoolSpare)) ||
      !GrowIndex(d, static_cast<int32_t>(d.entryCount + lines + kIndexSpare)))
    return false;

  // Second pass: the lines that become entries, in file order.
  cursor = 0;
  physical = 1;
  while (NextWordFileLine(contents, size, &cursor, &physical, &line)) {
    const unsigned char* text = contents + line.offset;
    const int32_t n = CapEntryLength(text, line.length);
    if (JudgeWordFileLine(text, n) == LineVerdict::Entry) AppendEntry(d, text, n);
  }
  return true;
}

int32_t LoadWordFile(WordDictionary& d, const char* path) noexcept {
  ReleasePatterns(d);
  d.loadFailed = 1;  // until the whole file is in the store
  FileSystem* files = Files(d);
  FileHandle* file = files ? files->OpenForRead(path) : nullptr;
  if (!file) return 0;
  uint64_t time = 0;
  if (files->LastWriteTime(file, &time)) d.keptFileTime = time;  // seen, even if what follows fails

  uint32_t size = 0;
  unsigned char* contents = ReadWhole(d, *files, file, &size);
  files->Close(file);
  if (!contents) return 0;
  const bool parsed = ParseWordFileContents(d, contents, size);
  HeapFree(contents);
  if (!parsed) {
    Show(d, kWordFileTooLargeMessage);
    return 0;
  }
  d.loadFailed = 0;
  return 1;
}

int32_t ReloadWordFile(WordDictionary& d, const char* path) noexcept {
  char copy[kPathSize];
  CopyPath(copy, path);  // the path may be the store's own
  ClearDictionary(d);
  CopyPath(d.wordFilePath, copy);
  LoadWordFile(d, d.wordFilePath);
  SortIndex(d);
  RemoveDuplicates(d);
  d.dirty = 0;  // duplicates dropped by the load are no change of the user's
  BuildLeadByteTable(d);
  return 1;
}

int32_t ReloadIfChanged(WordDictionary& d) noexcept {
  FileSystem* files = Files(d);
  uint64_t time = 0;
  if (!files || !files->FindLastWriteTime(d.wordFilePath, &time)) return 0;
  const uint64_t kept = d.keptFileTime;
  if (time >= kept && time - kept <= kUnchangedWindow) return 0;
  ReloadWordFile(d, d.wordFilePath);
  return 1;
}

int32_t SaveWordFile(WordDictionary& d) noexcept {
  if (d.dirty == 0) return 1;
  if (!IsFullPath(d.wordFilePath)) return 0;
  FileSystem* files = Files(d);
  if (!files) return 0;
  uint64_t time = 0;
  // A file the store could not read whole is never replaced by the store.
  if (d.loadFailed && files->FindLastWriteTime(d.wordFilePath, &time)) return 0;

  char backup[kPathSize];
  uint32_t error = 0;
  if (!BackupName(d.wordFilePath, backup) || !WriteAndReplace(d, *files, backup, &error)) {
    ShowCreateFailed(d, error);
    return 0;  // still dirty: the next save writes these words
  }
  if (files->FindLastWriteTime(d.wordFilePath, &time)) d.keptFileTime = time;
  d.dirty = 0;
  d.loadFailed = 0;
  return 1;
}
