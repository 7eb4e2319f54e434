// The word file: read into the store, saved back with a backup, reloaded
// when it changed on disk. All file work goes through dictionary.services->files
// and every message through dictionary.services->messages.
#pragma once
#include <cstdint>

struct WordDictionary;

extern const char kWordFileHeader[];     // the 209 bytes a new word file begins with
constexpr int kWordFileHeaderSize = 209;

extern const char kWordFileTooLargeMessage[];
extern const char kWordFileReadFailedMessage[];
extern const char kFileCreateFailedFormat[];  // "%s" path, "%u" error code

int32_t IsFullPath(const char* path) noexcept;
// Word-file path with the file name's extension replaced by ".bak" (appended
// when the name has none). False when the result would not fit in 260 bytes.
bool BackupName(const char* path, char* backup) noexcept;

// Splits file contents into entries as the loader does and appends them to
// the cleared store, in file order (the index is not sorted). Used by
// LoadWordFile and by the linter.
bool ParseWordFileContents(WordDictionary& d, const unsigned char* contents, uint32_t size) noexcept;

int32_t LoadWordFile(WordDictionary& d, const char* path) noexcept;
int32_t ReloadWordFile(WordDictionary& d, const char* path) noexcept;
int32_t ReloadIfChanged(WordDictionary& d) noexcept;
int32_t SaveWordFile(WordDictionary& d) noexcept;
