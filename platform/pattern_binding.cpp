#include "platform/pattern_binding.h"

#include <cstring>

#include "platform/dynamic_library.h"

namespace {

constexpr size_t kPathSize = 260;

// Libraries older than Jre2GetMatchInfo_V318 only have the plain match; the
// fall-back reaches it through this slot. Written only while binding.
Jre2GetMatchInfoFn gPlainMatch = nullptr;

int VX_CALL MatchWithoutWindowEnd(JreRecord* record, const char* text, int32_t, int32_t,
                                  int32_t) {
  return gPlainMatch ? gPlainMatch(record, text) : 0;
}

// Function addresses come back as data pointers; copy the bits across.
template <typename Fn>
Fn FindFunction(void* module, const char* name) noexcept {
  void* address = FindLibrarySymbol(module, name);
  Fn fn = nullptr;
  static_assert(sizeof fn == sizeof address, "function and data pointers differ in size");
  std::memcpy(&fn, &address, sizeof fn);
  return fn;
}

bool JoinPath(char* path, const char* folder, const char* fileName) noexcept {
  const size_t folderLength = std::strlen(folder);
  const size_t nameLength = std::strlen(fileName);
  if (folderLength + nameLength + 1 > kPathSize) return false;
  std::memcpy(path, folder, folderLength);
  std::memcpy(path + folderLength, fileName, nameLength + 1);
  return true;
}

}  // namespace

int32_t BindPatternLibraryFile(PatternLibrary& library, const char* folder,
                               const char* fileName) noexcept {
  library = PatternLibrary{};
  char path[kPathSize];
  if (!folder || !fileName || !JoinPath(path, folder, fileName)) return 0;
  void* module = LoadLibraryByPath(path);
  if (!module) return 0;

  // Looked up in this order; the module stays loaded whatever is found.
  PatternLibrary found{};
  found.open = FindFunction<Jre2OpenFn>(module, "Jre2Open");
  found.compile = FindFunction<Jre2CompileFn>(module, "Jre2Compile");
  found.getMatchInfo = FindFunction<Jre2GetMatchInfoFn>(module, "Jre2GetMatchInfo");
  found.match = FindFunction<Jre2GetMatchInfoV318Fn>(module, "Jre2GetMatchInfo_V318");
  found.close = FindFunction<Jre2CloseFn>(module, "Jre2Close");
  if (!found.open || !found.compile || !found.getMatchInfo || !found.close) return 0;
  if (!found.match) {
    gPlainMatch = found.getMatchInfo;
    found.match = MatchWithoutWindowEnd;
  }
  library = found;
  return 1;
}

int32_t BindPatternLibrary(PatternLibrary& library) noexcept {
  library = PatternLibrary{};
  char folder[kPathSize];
  if (!OwnModuleFolder(folder, sizeof folder)) return 0;
  return BindPatternLibraryFile(library, folder, kPatternLibraryFileName);
}
