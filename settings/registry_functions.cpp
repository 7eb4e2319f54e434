#include "settings/registry_functions.h"

#include <cstring>

#include "platform/dynamic_library.h"

const char kRegistryRedirectFileName[] = "VxRegIni.dll";

namespace {

// In the order of the record's fields.
const char* const kRedirectNames[10] = {
    "VxRegOpenKeyEx",   "VxRegCreateKeyEx", "VxRegCloseKey", "VxRegQueryValueEx",
    "VxRegSetValueEx",  "VxRegDeleteValue", "VxRegDeleteKey", "VxRegEnumKey",
    "VxRegEnumKeyEx",   "VxRegEnumValue",
};
const char* const kSystemNames[10] = {
    "RegOpenKeyExA",  "RegCreateKeyExA", "RegCloseKey", "RegQueryValueExA", "RegSetValueExA",
    "RegDeleteValueA", "RegDeleteKeyA",  "RegEnumKeyA", "RegEnumKeyExA",    "RegEnumValueA",
};

// Function addresses come back as data pointers; copy the bits across.
template <typename Fn>
int Take(Fn& entry, void* library, const char* name) noexcept {
  void* address = FindLibrarySymbol(library, name);
  static_assert(sizeof entry == sizeof address, "function and data pointers differ in size");
  std::memcpy(&entry, &address, sizeof entry);
  return entry != nullptr ? 1 : 0;
}

void* LoadRedirectLibrary() noexcept {
  char path[MAX_PATH];
  if (!OwnModuleFolder(path, sizeof path)) return nullptr;
  if (std::strlen(path) + sizeof kRegistryRedirectFileName > sizeof path) return nullptr;
  std::strcat(path, kRegistryRedirectFileName);
  return LoadLibraryByPath(path);
}

}  // namespace

bool BindRegistryFunctionsFrom(RegistryFunctions& r, void* library,
                               const char* const names[10]) noexcept {
  r = RegistryFunctions{};
  if (!library) return false;
  const int found = Take(r.openKey, library, names[0]) + Take(r.createKey, library, names[1]) +
                    Take(r.closeKey, library, names[2]) + Take(r.queryValue, library, names[3]) +
                    Take(r.setValue, library, names[4]) + Take(r.deleteValue, library, names[5]) +
                    Take(r.deleteKey, library, names[6]) + Take(r.enumKey, library, names[7]) +
                    Take(r.enumKeyEx, library, names[8]) + Take(r.enumValue, library, names[9]);
  if (found == 10) return true;
  r = RegistryFunctions{};
  return false;
}

void BindRegistryFunctions(RegistryFunctions& registry) noexcept {
  if (BindRegistryFunctionsFrom(registry, LoadRedirectLibrary(), kRedirectNames)) return;
  BindRegistryFunctionsFrom(registry, LoadSystemLibrary("ADVAPI32.DLL"), kSystemNames);
}

bool RegistryBound(const RegistryFunctions& r) noexcept {
  return r.openKey && r.createKey && r.closeKey && r.queryValue && r.setValue && r.deleteValue &&
         r.deleteKey && r.enumKey && r.enumKeyEx && r.enumValue;
}
