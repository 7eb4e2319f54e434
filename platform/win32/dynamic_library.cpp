#include "platform/dynamic_library.h"

#include <windows.h>

#include <cstring>

const char kPatternLibraryFileName[] = "VxJre.dll";

bool OwnModuleFolder(char* folder, size_t size) noexcept {
  HMODULE self = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&OwnModuleFolder), &self))
    return false;
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  // Walk by character: a trail byte may have the value of a backslash.
  char* last = nullptr;
  for (char* p = path; *p; p = CharNextExA(CP_ACP, p, 0))
    if (*p == '\\') last = p;
  if (!last) return false;
  const size_t keep = static_cast<size_t>(last - path) + 1;
  if (keep + 1 > size) return false;
  std::memcpy(folder, path, keep);
  folder[keep] = '\0';
  return true;
}

void* LoadLibraryByPath(const char* path) noexcept {
  return reinterpret_cast<void*>(LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

void* LoadSystemLibrary(const char* name) noexcept {
  return reinterpret_cast<void*>(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

void* FindLibrarySymbol(void* library, const char* name) noexcept {
  if (!library) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
