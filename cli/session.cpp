#include "cli/session.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/encoding.h"
#include "dictionary/word_file.h"
#include "platform/dynamic_library.h"
#include "platform/file_systems.h"
#include "platform/pattern_binding.h"

namespace {

void ShowFromSession(void* context, const char* cp932Text) {
  ShowOnStandardError(static_cast<Session*>(context)->encoding, cp932Text);
}

bool CountersFromOptions(const CliOptions& options, BreakSettings* settings, std::string* error) {
  std::string bytes = kDefaultNumAfter;
  if (options.countersGiven && !options.countersAreText) bytes = options.counters;
  if (options.countersGiven && options.countersAreText) {
    size_t bad = 0;
    if (!ToHost(options.encoding, options.counters, &bytes, &bad)) {
      *error = "--counters: malformed UTF-8 at byte " + std::to_string(bad);
      return false;
    }
    // An escape would be paired up as if it were characters.
    if (bytes.find('\x1A') != std::string::npos || bytes.find('\0') != std::string::npos) {
      *error = "--counters: holds a character that CP932 cannot hold";
      return false;
    }
  }
  if (bytes.size() > sizeof settings->NumAfter - 1) {
    *error = "--counters: more than 255 bytes in CP932";
    return false;
  }
  std::memcpy(settings->NumAfter, bytes.data(), bytes.size());
  settings->NumAfter[bytes.size()] = '\0';
  return true;
}

int32_t CountPatternLines(const WordDictionary& d) {
  int32_t count = 0;
  for (int32_t i = 0; i < d.entryCount; ++i) {
    const int32_t offset = d.EntryIndex[i];
    if (IsPatternEntry(EntryBytes(d, offset), EntryLength(d, offset))) ++count;
  }
  return count;
}

}  // namespace

void ShowOnStandardError(TextEncoding encoding, const char* cp932Text) {
  const std::string text = FromHost(encoding, cp932Text);
  std::fprintf(stderr, "velmark: %s\n", text.c_str());
}

bool CheckReadableFile(const std::string& path, std::string* error) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    *error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = "'" + path + "' is not a regular file";
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::fclose(file);
  return true;
}

bool SettingsFromOptions(const CliOptions& options, BreakSettings* settings, std::string* error) {
  InitBreakSettings(*settings);
  settings->TarnixFlag = options.flags;
  settings->TarnixKatakanaMax = options.katakanaMax;
  if (!CountersFromOptions(options, settings, error)) return false;
  ComputeNumAfterRange(*settings);
  return true;
}

bool OpenSession(const CliOptions& options, Session* s, std::string* error) {
  std::memset(s, 0, sizeof *s);
  s->encoding = options.encoding;
  if (!SettingsFromOptions(options, &s->settings, error)) return false;
  if (options.wordFile.empty()) return true;

  if (options.wordFile.size() > sizeof s->settings.TarnixWordFile - 1) {
    *error = "--words: the path is longer than 259 bytes";
    return false;
  }
  if (!CheckReadableFile(options.wordFile, error)) return false;
  std::memcpy(s->settings.TarnixWordFile, options.wordFile.c_str(), options.wordFile.size() + 1);

  const bool bound = BindPatternLibrary(s->library) != 0;
  s->messages = MessageSink{&ShowFromSession, s};
  s->services = DictionaryServices{bound ? &s->library : nullptr, &s->messages,
                                   &PlatformFileSystem()};
  InitDictionary(s->dictionary, &s->services);
  s->hasDictionary = true;
  ReloadWordFile(s->dictionary, s->settings.TarnixWordFile);
  const int32_t patternLines = CountPatternLines(s->dictionary);
  if (!bound && patternLines > 0)
    std::fprintf(stderr,
                 "velmark: warning: the pattern library %s is not beside velmark; the %d "
                 "pattern lines of the word file are not used\n",
                 kPatternLibraryFileName, patternLines);
  return true;
}

void CloseSession(Session* s) {
  if (!s->hasDictionary) return;
  ReleasePatterns(s->dictionary);
  DestroyDictionary(s->dictionary);
  s->hasDictionary = false;
}

WordDictionary* SessionDictionary(Session* s) { return s->hasDictionary ? &s->dictionary : nullptr; }
