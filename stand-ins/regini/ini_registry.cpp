#include "ini_registry.h"

#include <cstdlib>
#include <cstring>

namespace {

bool IsCp932Lead(unsigned char b) noexcept {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool NeedsEscape(unsigned char b) noexcept {
  if (b >= 0x80) return false;
  if (b < 0x21 || b > 0x7E) return true;
  return std::strchr("%=[];@\\", b) != nullptr;
}

const char kHex[] = "0123456789abcdef";

std::string Escape(const std::string& s) {
  if (s.empty()) return "@";
  std::string out;
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (NeedsEscape(b)) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

int HexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// False for a malformed escape or hex digit: the line is then skipped.
bool Unescape(const std::string& s, std::string& out) {
  out.clear();
  if (s == "@") return true;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    if (i + 2 >= s.size()) return false;
    const int hi = HexDigit(s[i + 1]);
    const int lo = HexDigit(s[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi << 4 | lo);
    i += 2;
  }
  return true;
}

bool DecodeHex(const std::string& hex, std::string& out) {
  out.clear();
  if (hex.size() % 2 != 0) return false;
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexDigit(hex[i]);
    const int lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi << 4 | lo);
  }
  return true;
}

bool ParseSection(const std::string& line, KeyPath& path) {
  const size_t close = line.rfind(']');
  if (close == std::string::npos || close < 1) return false;
  const std::string inner = line.substr(1, close - 1);
  path.clear();
  size_t start = 0;
  for (;;) {
    const size_t slash = inner.find('\\', start);
    std::string segment;
    if (!Unescape(inner.substr(start, slash - start), segment) || segment.empty()) return false;
    path.push_back(segment);
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

bool ParseValue(const std::string& line, IniValue& value) {
  const size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  const size_t colon = line.find(':', eq);
  if (colon == std::string::npos || colon == eq + 1) return false;
  if (!Unescape(line.substr(0, eq), value.name)) return false;
  char* end = nullptr;
  const std::string type = line.substr(eq + 1, colon - eq - 1);
  value.type = static_cast<uint32_t>(std::strtoul(type.c_str(), &end, 10));
  if (*end != '\0') return false;
  return DecodeHex(line.substr(colon + 1), value.data);
}

bool SamePath(const KeyPath& a, const KeyPath& b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!SameName(a[i], b[i])) return false;
  return true;
}

// `path` lies strictly below `ancestor`.
bool IsBelow(const KeyPath& path, const KeyPath& ancestor) noexcept {
  if (path.size() <= ancestor.size()) return false;
  for (size_t i = 0; i < ancestor.size(); ++i)
    if (!SameName(path[i], ancestor[i])) return false;
  return true;
}

}  // namespace

IniRegistry ParseIni(const std::string& text) {
  IniRegistry registry;
  IniKey* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      KeyPath path;
      if (!ParseSection(line, path)) {
        current = nullptr;
        continue;
      }
      bool created = false;
      current = &CreateKey(registry, path, created);
      continue;
    }
    IniValue value;
    if (current && ParseValue(line, value) && !FindValue(*current, value.name))
      current->values.push_back(value);
  }
  return registry;
}

std::string FormatIni(const IniRegistry& registry) {
  std::string out = "; Registry keys and values served by VxRegIni.dll\r\n";
  for (const IniKey& key : registry.keys) {
    out += "\r\n[";
    for (size_t i = 0; i < key.path.size(); ++i) {
      if (i) out += '\\';
      out += Escape(key.path[i]);
    }
    out += "]\r\n";
    for (const IniValue& value : key.values) {
      out += Escape(value.name) + "=" + std::to_string(value.type) + ":";
      for (const char c : value.data) {
        const auto b = static_cast<unsigned char>(c);
        out += kHex[b >> 4];
        out += kHex[b & 15];
      }
      out += "\r\n";
    }
  }
  return out;
}

bool SameName(const std::string& a, const std::string& b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (IsCp932Lead(x) && i + 1 < a.size()) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool SplitSubKey(const char* subKey, std::vector<std::string>& segments) {
  segments.clear();
  if (!subKey || !*subKey) return true;
  if (*subKey == '\\') return false;
  std::string segment;
  for (const char* p = subKey; *p; ++p) {
    const auto b = static_cast<unsigned char>(*p);
    if (IsCp932Lead(b) && p[1]) {
      segment += p[0];
      segment += p[1];
      ++p;
    } else if (b == '\\') {
      if (segment.empty()) return false;
      segments.push_back(segment);
      segment.clear();
    } else {
      segment += *p;
    }
  }
  if (!segment.empty()) segments.push_back(segment);
  return true;
}

bool KeyExists(const IniRegistry& registry, const KeyPath& path) {
  if (path.size() <= 1) return true;  // a root
  for (const IniKey& key : registry.keys)
    if (SamePath(key.path, path) || IsBelow(key.path, path)) return true;
  return false;
}

IniKey* FindKey(IniRegistry& registry, const KeyPath& path) {
  for (IniKey& key : registry.keys)
    if (SamePath(key.path, path)) return &key;
  return nullptr;
}

IniKey& CreateKey(IniRegistry& registry, const KeyPath& path, bool& created) {
  created = !KeyExists(registry, path);
  // Every level below the root gets its own section, so a key stays when its
  // sub-keys go.
  for (size_t n = 2; n < path.size(); ++n) {
    const KeyPath level(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(n));
    if (!FindKey(registry, level)) registry.keys.push_back(IniKey{level, {}});
  }
  if (IniKey* key = FindKey(registry, path)) return *key;
  registry.keys.push_back(IniKey{path, {}});
  return registry.keys.back();
}

std::vector<std::string> SubKeyNames(const IniRegistry& registry, const KeyPath& path) {
  std::vector<std::string> names;
  for (const IniKey& key : registry.keys) {
    if (!IsBelow(key.path, path)) continue;
    const std::string& name = key.path[path.size()];
    bool seen = false;
    for (const std::string& n : names) seen = seen || SameName(n, name);
    if (!seen) names.push_back(name);
  }
  return names;
}

void RemoveKey(IniRegistry& registry, const KeyPath& path) {
  for (size_t i = 0; i < registry.keys.size(); ++i) {
    if (SamePath(registry.keys[i].path, path)) {
      registry.keys.erase(registry.keys.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

IniValue* FindValue(IniKey& key, const std::string& name) {
  for (IniValue& value : key.values)
    if (SameName(value.name, name)) return &value;
  return nullptr;
}

std::string JoinPath(const KeyPath& path) {
  std::string out;
  for (size_t i = 0; i < path.size(); ++i) {
    if (i) out += '\\';
    out += path[i];
  }
  return out;
}
