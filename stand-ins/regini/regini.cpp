// Stand-in for the host's settings-redirection library: the ten registry
// functions of ADVAPI32 (ANSI forms), call for call, over an INI file beside
// this library (VxRegIni.ini) instead of the registry. Every call is appended
// to VxRegIni.log beside it, so a test can see which accesses came here.
#include <windows.h>

#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <type_traits>

#include "ini_registry.h"

extern "C" {
LONG WINAPI VxRegOpenKeyEx(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG WINAPI VxRegCreateKeyEx(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass,
                             DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                             PHKEY result, LPDWORD disposition);
LONG WINAPI VxRegCloseKey(HKEY key);
LONG WINAPI VxRegQueryValueEx(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                              LPDWORD size);
LONG WINAPI VxRegSetValueEx(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                            DWORD size);
LONG WINAPI VxRegDeleteValue(HKEY key, LPCSTR name);
LONG WINAPI VxRegDeleteKey(HKEY key, LPCSTR subKey);
LONG WINAPI VxRegEnumKey(HKEY key, DWORD index, LPSTR name, DWORD nameSize);
LONG WINAPI VxRegEnumKeyEx(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                           LPSTR keyClass, LPDWORD classSize, PFILETIME lastWrite);
LONG WINAPI VxRegEnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                           LPDWORD type, LPBYTE data, LPDWORD dataSize);
}

// The caller binds these in place of the system's: the types must be the same.
static_assert(std::is_same_v<decltype(&VxRegOpenKeyEx), decltype(&RegOpenKeyExA)>);
static_assert(std::is_same_v<decltype(&VxRegCreateKeyEx), decltype(&RegCreateKeyExA)>);
static_assert(std::is_same_v<decltype(&VxRegCloseKey), decltype(&RegCloseKey)>);
static_assert(std::is_same_v<decltype(&VxRegQueryValueEx), decltype(&RegQueryValueExA)>);
static_assert(std::is_same_v<decltype(&VxRegSetValueEx), decltype(&RegSetValueExA)>);
static_assert(std::is_same_v<decltype(&VxRegDeleteValue), decltype(&RegDeleteValueA)>);
static_assert(std::is_same_v<decltype(&VxRegDeleteKey), decltype(&RegDeleteKeyA)>);
static_assert(std::is_same_v<decltype(&VxRegEnumKey), decltype(&RegEnumKeyA)>);
static_assert(std::is_same_v<decltype(&VxRegEnumKeyEx), decltype(&RegEnumKeyExA)>);
static_assert(std::is_same_v<decltype(&VxRegEnumValue), decltype(&RegEnumValueA)>);

namespace {

// An open key is a heap record; only handles in this set are ever dereferenced,
// so a stale or made-up handle gives ERROR_INVALID_HANDLE as in the registry.
struct OpenKey {
  KeyPath path;
};

std::mutex gLock;
std::set<OpenKey*> gOpenKeys;

struct Root {
  HKEY key;
  const char* name;
};
const Root kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},   {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}, {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};

bool ResolveKey(HKEY key, KeyPath& path) {
  for (const Root& root : kRoots) {
    if (key == root.key) {
      path = {root.name};
      return true;
    }
  }
  const auto it = gOpenKeys.find(reinterpret_cast<OpenKey*>(key));
  if (it == gOpenKeys.end()) return false;
  path = (*it)->path;
  return true;
}

HKEY NewHandle(const KeyPath& path) {
  auto* open = new OpenKey{path};
  gOpenKeys.insert(open);
  return reinterpret_cast<HKEY>(open);
}

// Path of a file beside this library; empty when it cannot be had.
std::string BesideSelf(const char* fileName) {
  HMODULE self = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&ResolveKey), &self))
    return {};
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  // Walk by character: a trail byte may have the value of a backslash.
  const char* last = nullptr;
  for (const char* p = path; *p; p = CharNextExA(CP_ACP, p, 0))
    if (*p == '\\') last = p;
  if (!last) return {};
  return std::string(path, static_cast<size_t>(last - path) + 1) + fileName;
}

std::string ReadWholeFile(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp";
  const HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  CloseHandle(file);
  if (ok && MoveFileExA(temp.c_str(), path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileA(temp.c_str());
  return false;
}

void AppendLog(const char* function, const KeyPath& path, const char* name, LONG result) {
  const std::string logPath = BesideSelf("VxRegIni.log");
  if (logPath.empty()) return;
  const std::string line = std::string(function) + "\t" + JoinPath(path) + "\t" +
                           (name ? name : "") + "\t" + std::to_string(result) + "\r\n";
  const HANDLE file = CreateFileA(logPath.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

// What one call does to the registry; `changed` asks for the file to be written.
struct Call {
  IniRegistry& registry;
  const KeyPath& key;  // the handle's key
  bool changed;
};

// Runs one call: resolves the handle, reads the file, applies `op`, writes the
// file back when `op` changed something, logs. No exception leaves.
template <typename Op>
LONG Serve(const char* function, HKEY key, const char* name, Op op) noexcept {
  try {
    const std::lock_guard<std::mutex> lock(gLock);
    KeyPath path;
    LONG result = ERROR_INVALID_HANDLE;
    if (ResolveKey(key, path)) {
      const std::string iniPath = BesideSelf("VxRegIni.ini");
      IniRegistry registry = ParseIni(ReadWholeFile(iniPath));
      Call call{registry, path, false};
      if (!KeyExists(registry, path))
        result = ERROR_KEY_DELETED;
      else
        result = op(call);
      if (result == ERROR_SUCCESS && call.changed &&
          !WriteWholeFile(iniPath, FormatIni(registry)))
        result = ERROR_REGISTRY_IO_FAILED;
    }
    AppendLog(function, path, name, result);
    return result;
  } catch (...) {
    return ERROR_OUTOFMEMORY;
  }
}

bool Below(const KeyPath& key, const char* subKey, KeyPath& full) {
  std::vector<std::string> segments;
  if (!SplitSubKey(subKey, segments)) return false;
  full = key;
  full.insert(full.end(), segments.begin(), segments.end());
  return true;
}

std::string NameOf(const char* name) { return name ? name : ""; }

// Copies a name with its terminator into a buffer of `size` characters.
bool CopyName(const std::string& name, char* buffer, DWORD size) {
  if (size < name.size() + 1) return false;
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return true;
}

}  // namespace

LONG WINAPI VxRegOpenKeyEx(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
  return Serve("VxRegOpenKeyEx", key, subKey, [&](Call& call) -> LONG {
    if (!result) return ERROR_INVALID_PARAMETER;
    KeyPath full;
    if (!Below(call.key, subKey, full)) return ERROR_BAD_PATHNAME;
    if (!KeyExists(call.registry, full)) return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(full);
    return ERROR_SUCCESS;
  });
}

LONG WINAPI VxRegCreateKeyEx(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM,
                             LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
  return Serve("VxRegCreateKeyEx", key, subKey, [&](Call& call) -> LONG {
    if (!result) return ERROR_INVALID_PARAMETER;
    KeyPath full;
    if (!Below(call.key, subKey, full)) return ERROR_BAD_PATHNAME;
    bool created = false;
    if (full.size() > 1) {
      CreateKey(call.registry, full, created);
      call.changed = true;
    }
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(full);
    return ERROR_SUCCESS;
  });
}

LONG WINAPI VxRegCloseKey(HKEY key) {
  try {
    LONG result = ERROR_INVALID_HANDLE;
    KeyPath path;
    {
      const std::lock_guard<std::mutex> lock(gLock);
      if (ResolveKey(key, path)) {
        result = ERROR_SUCCESS;
        const auto it = gOpenKeys.find(reinterpret_cast<OpenKey*>(key));
        if (it != gOpenKeys.end()) {
          delete *it;
          gOpenKeys.erase(it);
        }
      }
      AppendLog("VxRegCloseKey", path, nullptr, result);
    }
    return result;
  } catch (...) {
    return ERROR_OUTOFMEMORY;
  }
}

LONG WINAPI VxRegQueryValueEx(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                              LPDWORD size) {
  if (reserved || (data && !size)) return ERROR_INVALID_PARAMETER;
  // The registry clears the type first, so a failed query leaves REG_NONE.
  if (type) *type = REG_NONE;
  return Serve("VxRegQueryValueEx", key, name, [&](Call& call) -> LONG {
    IniKey* k = FindKey(call.registry, call.key);
    IniValue* value = k ? FindValue(*k, NameOf(name)) : nullptr;
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type) *type = value->type;
    const auto needed = static_cast<DWORD>(value->data.size());
    if (data && *size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    if (data) std::memcpy(data, value->data.data(), needed);
    if (size) *size = needed;
    return ERROR_SUCCESS;
  });
}

LONG WINAPI VxRegSetValueEx(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data,
                            DWORD size) {
  return Serve("VxRegSetValueEx", key, name, [&](Call& call) -> LONG {
    if (!data && size) return ERROR_NOACCESS;
    bool created = false;
    IniKey& k = CreateKey(call.registry, call.key, created);
    const std::string bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    if (IniValue* value = FindValue(k, NameOf(name))) {
      value->type = type;
      value->data = bytes;
    } else {
      k.values.push_back(IniValue{NameOf(name), type, bytes});
    }
    call.changed = true;
    return ERROR_SUCCESS;
  });
}

LONG WINAPI VxRegDeleteValue(HKEY key, LPCSTR name) {
  return Serve("VxRegDeleteValue", key, name, [&](Call& call) -> LONG {
    IniKey* k = FindKey(call.registry, call.key);
    if (!k) return ERROR_FILE_NOT_FOUND;
    for (size_t i = 0; i < k->values.size(); ++i) {
      if (SameName(k->values[i].name, NameOf(name))) {
        k->values.erase(k->values.begin() + static_cast<std::ptrdiff_t>(i));
        call.changed = true;
        return ERROR_SUCCESS;
      }
    }
    return ERROR_FILE_NOT_FOUND;
  });
}

LONG WINAPI VxRegDeleteKey(HKEY key, LPCSTR subKey) {
  return Serve("VxRegDeleteKey", key, subKey, [&](Call& call) -> LONG {
    if (!subKey) return ERROR_INVALID_PARAMETER;
    KeyPath full;
    if (!Below(call.key, subKey, full)) return ERROR_BAD_PATHNAME;
    if (!KeyExists(call.registry, full)) return ERROR_FILE_NOT_FOUND;
    // A root, or a key that still has sub-keys, cannot be deleted.
    if (full.size() <= 1 || !SubKeyNames(call.registry, full).empty()) return ERROR_ACCESS_DENIED;
    RemoveKey(call.registry, full);
    call.changed = true;
    return ERROR_SUCCESS;
  });
}

LONG WINAPI VxRegEnumKey(HKEY key, DWORD index, LPSTR name, DWORD nameSize) {
  return Serve("VxRegEnumKey", key, nullptr, [&](Call& call) -> LONG {
    const std::vector<std::string> names = SubKeyNames(call.registry, call.key);
    if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
    if (!name) return ERROR_INVALID_PARAMETER;
    return CopyName(names[index], name, nameSize) ? ERROR_SUCCESS : ERROR_MORE_DATA;
  });
}

LONG WINAPI VxRegEnumKeyEx(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                           LPSTR keyClass, LPDWORD classSize, PFILETIME lastWrite) {
  return Serve("VxRegEnumKeyEx", key, nullptr, [&](Call& call) -> LONG {
    if (reserved || !name || !nameSize) return ERROR_INVALID_PARAMETER;
    const std::vector<std::string> names = SubKeyNames(call.registry, call.key);
    if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
    if (!CopyName(names[index], name, *nameSize)) return ERROR_MORE_DATA;
    *nameSize = static_cast<DWORD>(names[index].size());
    // Keys here have no class and no time of their own.
    if (keyClass && classSize && *classSize > 0) keyClass[0] = '\0';
    if (classSize) *classSize = 0;
    if (lastWrite) *lastWrite = FILETIME{0, 0};
    return ERROR_SUCCESS;
  });
}

LONG WINAPI VxRegEnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                           LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  return Serve("VxRegEnumValue", key, nullptr, [&](Call& call) -> LONG {
    if (reserved || !name || !nameSize || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    IniKey* k = FindKey(call.registry, call.key);
    if (!k || index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
    const IniValue& value = k->values[index];
    if (!CopyName(value.name, name, *nameSize)) return ERROR_MORE_DATA;
    *nameSize = static_cast<DWORD>(value.name.size());
    if (type) *type = value.type;
    const auto needed = static_cast<DWORD>(value.data.size());
    if (data && *dataSize < needed) {
      *dataSize = needed;
      return ERROR_MORE_DATA;
    }
    if (data) std::memcpy(data, value.data.data(), needed);
    if (dataSize) *dataSize = needed;
    return ERROR_SUCCESS;
  });
}
