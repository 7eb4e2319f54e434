#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

const char kPatternLibraryFileName[] = "VxJre.so";

bool OwnModuleFolder(char* folder, size_t size) noexcept {
  if (size == 0) return false;
  const ssize_t n = readlink("/proc/self/exe", folder, size - 1);
  if (n <= 0) return false;
  folder[n] = '\0';
  char* slash = std::strrchr(folder, '/');
  if (!slash) return false;
  slash[1] = '\0';
  return true;
}

void* LoadLibraryByPath(const char* path) noexcept {
  if (!path || path[0] != '/') return nullptr;  // full paths only
  return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

void* LoadSystemLibrary(const char* name) noexcept { return dlopen(name, RTLD_NOW | RTLD_LOCAL); }

void* FindLibrarySymbol(void* library, const char* name) noexcept {
  return library ? dlsym(library, name) : nullptr;
}
