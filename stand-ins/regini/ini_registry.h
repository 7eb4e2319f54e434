// The stand-in's registry in memory: keys as INI sections, values as typed
// bytes. The file is read for every call and written back after every change,
// so two copies of the library (or a test) never see stale data.
//
// File form, one section per key, one line per value:
//   [HKEY_CURRENT_USER\Software\Voxtelo\Pondrel\Config\Velmark]
//   TarnixFlag=4:bf010000
// Section segments and value names escape every byte outside 0x21-0x7E (and
// % = [ ] ; @ \) as %XX, so any CP932 name, trail bytes of 0x5C included,
// round-trips; the empty value name (the key's default value) is "@". Data is
// "type:hex", so any bytes, with or without a terminator, round-trip.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using KeyPath = std::vector<std::string>;  // [0]: the root, "HKEY_CURRENT_USER"

struct IniValue {
  std::string name;
  uint32_t type;
  std::string data;
};

struct IniKey {
  KeyPath path;
  std::vector<IniValue> values;
};

struct IniRegistry {
  std::vector<IniKey> keys;  // in file order; ancestors of a listed key exist too
};

IniRegistry ParseIni(const std::string& text);
std::string FormatIni(const IniRegistry& registry);

// Registry names compare ASCII letters without case; double-byte CP932
// characters compare exactly (their trail bytes may look like letters).
bool SameName(const std::string& a, const std::string& b) noexcept;

// Splits a sub-key path at its backslashes, character by character. False for
// a path the registry refuses: one that begins with a backslash or holds an
// empty segment. A trailing backslash is ignored. Null or "" gives no segment.
bool SplitSubKey(const char* subKey, std::vector<std::string>& segments);

bool KeyExists(const IniRegistry& registry, const KeyPath& path);
IniKey* FindKey(IniRegistry& registry, const KeyPath& path);
// Creates the key and every missing ancestor; `created` tells whether the key was new.
IniKey& CreateKey(IniRegistry& registry, const KeyPath& path, bool& created);
// Names of the key's direct sub-keys, in file order, each once.
std::vector<std::string> SubKeyNames(const IniRegistry& registry, const KeyPath& path);
// Removes the key's own section (the caller checks it has no sub-keys).
void RemoveKey(IniRegistry& registry, const KeyPath& path);

IniValue* FindValue(IniKey& key, const std::string& name);

std::string JoinPath(const KeyPath& path);  // for the access log, unescaped
