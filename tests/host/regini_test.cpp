// The redirect stand-in against the system registry: the same calls, one after
// the other, must give the same results, sizes, types and bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>

#include "host_support.h"

namespace {

const char kBase[] = "Software\\Voxtelo\\TarnixRegIniTest";

struct Api {
  decltype(&RegOpenKeyExA) open;
  decltype(&RegCreateKeyExA) create;
  decltype(&RegCloseKey) close;
  decltype(&RegQueryValueExA) query;
  decltype(&RegSetValueExA) set;
  decltype(&RegDeleteValueA) deleteValue;
  decltype(&RegDeleteKeyA) deleteKey;
  decltype(&RegEnumKeyA) enumKey;
  decltype(&RegEnumKeyExA) enumKeyEx;
  decltype(&RegEnumValueA) enumValue;
};

template <typename Fn>
Fn Find(HMODULE module, const char* name) {
  FARPROC address = GetProcAddress(module, name);
  Fn fn = nullptr;
  std::memcpy(&fn, &address, sizeof fn);
  EXPECT_NE(fn, nullptr) << name;
  return fn;
}

Api SystemApi() {
  return Api{RegOpenKeyExA,  RegCreateKeyExA, RegCloseKey, RegQueryValueExA, RegSetValueExA,
             RegDeleteValueA, RegDeleteKeyA,  RegEnumKeyA, RegEnumKeyExA,    RegEnumValueA};
}

Api RedirectApi(HMODULE m) {
  return Api{Find<decltype(&RegOpenKeyExA)>(m, "VxRegOpenKeyEx"),
             Find<decltype(&RegCreateKeyExA)>(m, "VxRegCreateKeyEx"),
             Find<decltype(&RegCloseKey)>(m, "VxRegCloseKey"),
             Find<decltype(&RegQueryValueExA)>(m, "VxRegQueryValueEx"),
             Find<decltype(&RegSetValueExA)>(m, "VxRegSetValueEx"),
             Find<decltype(&RegDeleteValueA)>(m, "VxRegDeleteValue"),
             Find<decltype(&RegDeleteKeyA)>(m, "VxRegDeleteKey"),
             Find<decltype(&RegEnumKeyA)>(m, "VxRegEnumKey"),
             Find<decltype(&RegEnumKeyExA)>(m, "VxRegEnumKeyEx"),
             Find<decltype(&RegEnumValueA)>(m, "VxRegEnumValue")};
}

struct State {
  HKEY base = nullptr;
  HKEY sub = nullptr;
  HKEY one = nullptr;
};

std::string Hex(const BYTE* data, DWORD size) {
  std::ostringstream out;
  for (DWORD i = 0; i < size; ++i) out << "0123456789abcdef"[data[i] >> 4] << "0123456789abcdef"[data[i] & 15];
  return out.str();
}

std::string Set(const Api& a, State& s, const char* name, DWORD type, const std::string& bytes) {
  return std::to_string(a.set(s.base, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                              static_cast<DWORD>(bytes.size())));
}

// rc, type, size and bytes of a query with a buffer of `room` bytes (-1: no buffer).
std::string Query(const Api& a, HKEY key, const char* name, int room, bool wantType = true) {
  BYTE buffer[512];
  std::memset(buffer, 0xCC, sizeof buffer);
  DWORD type = 0xEEEE;
  DWORD size = room < 0 ? 0 : static_cast<DWORD>(room);
  const LONG rc = a.query(key, name, nullptr, wantType ? &type : nullptr,
                          room < 0 ? nullptr : buffer, &size);
  std::ostringstream out;
  out << rc << " type " << type << " size " << size;
  if (rc == ERROR_SUCCESS && room >= 0) out << " " << Hex(buffer, size);
  return out.str();
}

// The registry promises no order of enumeration: entries are compared sorted.
std::string Sorted(std::vector<std::string> entries, LONG last) {
  std::sort(entries.begin(), entries.end());
  std::string out;
  for (const std::string& e : entries) out += e + " ";
  return out + std::to_string(last);
}

std::string EnumValues(const Api& a, HKEY key) {
  std::vector<std::string> entries;
  for (DWORD i = 0;; ++i) {
    char name[64];
    DWORD nameSize = sizeof name;
    DWORD type = 0;
    BYTE data[64];
    DWORD dataSize = sizeof data;
    const LONG rc = a.enumValue(key, i, name, &nameSize, nullptr, &type, data, &dataSize);
    if (rc != ERROR_SUCCESS) return Sorted(entries, rc);
    entries.push_back(std::string("[") + name + " " + std::to_string(nameSize) + " " +
                      std::to_string(type) + " " + Hex(data, dataSize) + "]");
  }
}

std::string EnumKeys(const Api& a, HKEY key) {
  std::vector<std::string> entries;
  for (DWORD i = 0;; ++i) {
    char name[64];
    const LONG rc = a.enumKey(key, i, name, sizeof name);
    if (rc != ERROR_SUCCESS) return Sorted(entries, rc);
    entries.push_back(std::string("[") + name + "]");
  }
}

struct Step {
  const char* name;
  std::string (*run)(const Api& a, State& s);
};

std::string OpenBase(const Api& a, State& s) {
  const LONG rc = a.open(HKEY_CURRENT_USER, kBase, 0, KEY_ALL_ACCESS, &s.base);
  if (rc != ERROR_SUCCESS) s.base = nullptr;
  return std::to_string(rc);
}

std::string CreateBase(const Api& a, State& s) {
  if (s.base) a.close(s.base);
  DWORD disposition = 0;
  const LONG rc = a.create(HKEY_CURRENT_USER, kBase, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &s.base, &disposition);
  return std::to_string(rc) + " disposition " + std::to_string(disposition);
}

const Step kSteps[] = {
    {"OpenMissing", OpenBase},
    {"CreateNew", CreateBase},
    {"CreateExisting", CreateBase},
    {"OpenExisting", [](const Api& a, State& s) { a.close(s.base); return OpenBase(a, s); }},
    {"SetString", [](const Api& a, State& s) { return Set(a, s, "Text", REG_SZ, std::string("値テキスト\0", 11)); }},
    {"QueryString", [](const Api& a, State& s) { return Query(a, s.base, "Text", 256); }},
    {"QueryOtherCase", [](const Api& a, State& s) { return Query(a, s.base, "TEXT", 256); }},
    {"QuerySizeOnly", [](const Api& a, State& s) { return Query(a, s.base, "Text", -1); }},
    {"QueryTooSmall", [](const Api& a, State& s) { return Query(a, s.base, "Text", 3); }},
    {"QueryExactSize", [](const Api& a, State& s) { return Query(a, s.base, "Text", 11); }},
    {"QueryNoType", [](const Api& a, State& s) { return Query(a, s.base, "Text", 256, false); }},
    {"QueryMissing", [](const Api& a, State& s) { return Query(a, s.base, "Nope", 256); }},
    {"SetBinary", [](const Api& a, State& s) { return Set(a, s, "Bin", REG_BINARY, std::string("\0\xff\x5c\x0d\x0a=[]", 8)); }},
    {"QueryBinary", [](const Api& a, State& s) { return Query(a, s.base, "Bin", 256); }},
    {"SetEmptyBinary", [](const Api& a, State& s) { return Set(a, s, "Empty", REG_BINARY, ""); }},
    {"QueryEmptyBinary", [](const Api& a, State& s) { return Query(a, s.base, "Empty", 256); }},
    {"SetDword", [](const Api& a, State& s) { return Set(a, s, "Num", REG_DWORD, std::string("\x2a\0\0\x80", 4)); }},
    {"QueryDword", [](const Api& a, State& s) { return Query(a, s.base, "Num", 4); }},
    {"SetDefault", [](const Api& a, State& s) { return Set(a, s, "", REG_SZ, std::string("既定\0", 5)); }},
    {"QueryDefaultByNull", [](const Api& a, State& s) { return Query(a, s.base, nullptr, 256); }},
    {"ReplaceValue", [](const Api& a, State& s) { return Set(a, s, "Num", REG_BINARY, "xy"); }},
    {"QueryReplaced", [](const Api& a, State& s) { return Query(a, s.base, "Num", 256); }},
    {"SetJapaneseName", [](const Api& a, State& s) { return Set(a, s, "表示=名", REG_BINARY, "z"); }},
    {"QueryJapaneseName", [](const Api& a, State& s) { return Query(a, s.base, "表示=名", 256); }},
    {"EnumValues", [](const Api& a, State& s) { return EnumValues(a, s.base); }},
    {"CreateKeyWithOneValue",
     [](const Api& a, State& s) {
       const LONG r1 = a.create(s.base, "One", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &s.one, nullptr);
       const LONG r2 = a.set(s.one, "LongName", 0, REG_BINARY, reinterpret_cast<const BYTE*>("123456"), 6);
       return std::to_string(r1) + " " + std::to_string(r2);
     }},
    {"EnumValueNameTooSmall",
     [](const Api& a, State& s) {
       char name[3];
       DWORD nameSize = sizeof name;
       return std::to_string(a.enumValue(s.one, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr));
     }},
    {"EnumValueDataTooSmall",
     [](const Api& a, State& s) {
       char name[64];
       DWORD nameSize = sizeof name;
       BYTE data[2];
       DWORD dataSize = sizeof data;
       const LONG rc = a.enumValue(s.one, 0, name, &nameSize, nullptr, nullptr, data, &dataSize);
       return std::to_string(rc) + " size " + std::to_string(dataSize);
     }},
    {"EnumValueDataSizeOnly",
     [](const Api& a, State& s) {
       char name[64];
       DWORD nameSize = sizeof name;
       DWORD dataSize = 0;
       const LONG rc = a.enumValue(s.one, 0, name, &nameSize, nullptr, nullptr, nullptr, &dataSize);
       return std::to_string(rc) + " " + name + " " + std::to_string(nameSize) + " size " + std::to_string(dataSize);
     }},
    {"DeleteKeyWithOneValue",
     [](const Api& a, State& s) {
       a.close(s.one);
       return std::to_string(a.deleteKey(s.base, "One"));
     }},
    {"DeleteValue", [](const Api& a, State& s) { return std::to_string(a.deleteValue(s.base, "Bin")); }},
    {"DeleteValueAgain", [](const Api& a, State& s) { return std::to_string(a.deleteValue(s.base, "Bin")); }},
    {"QueryDeleted", [](const Api& a, State& s) { return Query(a, s.base, "Bin", 256); }},
    {"CreateSubKeys",
     [](const Api& a, State& s) {
       HKEY k = nullptr;
       DWORD d1 = 0, d2 = 0;
       const LONG r1 = a.create(s.base, "Sub1", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, &d1);
       a.close(k);
       const LONG r2 = a.create(s.base, "Sub2\\Deep\\Deeper", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &s.sub, &d2);
       return std::to_string(r1) + " " + std::to_string(d1) + " " + std::to_string(r2) + " " + std::to_string(d2);
     }},
    {"SetInSubKey", [](const Api& a, State& s) {
       return std::to_string(a.set(s.sub, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4)); }},
    {"OpenMiddleKey",
     [](const Api& a, State& s) {
       HKEY k = nullptr;
       const LONG rc = a.open(s.base, "sub2\\DEEP", 0, KEY_READ, &k);
       if (rc == ERROR_SUCCESS) a.close(k);
       return std::to_string(rc);
     }},
    {"OpenWithTrailingBackslash",
     [](const Api& a, State& s) {
       HKEY k = nullptr;
       const LONG rc = a.open(s.base, "Sub1\\", 0, KEY_READ, &k);
       if (rc == ERROR_SUCCESS) a.close(k);
       return std::to_string(rc);
     }},
    {"OpenSelfWithNull",
     [](const Api& a, State& s) {
       HKEY k = nullptr;
       const LONG rc = a.open(s.base, nullptr, 0, KEY_READ, &k);
       std::string out = std::to_string(rc);
       if (rc == ERROR_SUCCESS) out += " " + Query(a, k, "Text", 256), a.close(k);
       return out;
     }},
    {"EnumKeys", [](const Api& a, State& s) { return EnumKeys(a, s.base); }},
    {"EnumKeyTooSmall",
     [](const Api& a, State& s) {
       char name[3];
       return std::to_string(a.enumKey(s.base, 0, name, sizeof name));
     }},
    {"EnumKeyEx",
     [](const Api& a, State& s) {
       char name[64];
       DWORD size = sizeof name;
       const LONG rc = a.enumKeyEx(s.base, 1, name, &size, nullptr, nullptr, nullptr, nullptr);
       return std::to_string(rc) + " " + (rc == ERROR_SUCCESS ? std::string(name) : "") + " " + std::to_string(size);
     }},
    {"EnumKeyExTooSmall",
     [](const Api& a, State& s) {
       char name[4];
       DWORD size = sizeof name;
       return std::to_string(a.enumKeyEx(s.base, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
     }},
    {"EnumKeyExPastTheEnd",
     [](const Api& a, State& s) {
       char name[64];
       DWORD size = sizeof name;
       return std::to_string(a.enumKeyEx(s.base, 2, name, &size, nullptr, nullptr, nullptr, nullptr));
     }},
    {"DeleteKeyWithSubKeys", [](const Api& a, State& s) { return std::to_string(a.deleteKey(s.base, "Sub2\\Deep")); }},
    {"DeleteLeafKey", [](const Api& a, State& s) { return std::to_string(a.deleteKey(s.base, "Sub2\\Deep\\Deeper")); }},
    {"UseHandleOfDeletedKey", [](const Api& a, State& s) { return Query(a, s.sub, "v", 256); }},
    {"CloseHandleOfDeletedKey", [](const Api& a, State& s) { return std::to_string(a.close(s.sub)); }},
    {"DeleteMissingKey", [](const Api& a, State& s) { return std::to_string(a.deleteKey(s.base, "Sub9")); }},
    {"EnumKeysAfterDelete", [](const Api& a, State& s) { return EnumKeys(a, s.base); }},
    {"CloseBogusHandle",
     [](const Api& a, State&) { return std::to_string(a.close(reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234560)))); }},
    {"CloseBase", [](const Api& a, State& s) { return std::to_string(a.close(s.base)); }},
};

class RedirectStandIn : public HostCase {
 protected:
  void SetUp() override {
    HostCase::SetUp();
    RegDeleteTreeA(HKEY_CURRENT_USER, kBase);
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kBase);
    HostCase::TearDown();
  }
  std::vector<std::string> RunAll(const Api& api) {
    State state;
    std::vector<std::string> results;
    for (const Step& step : kSteps) results.push_back(step.run(api, state));
    return results;
  }
};

TEST_F(RedirectStandIn, AnswersAsTheSystemRegistry) {
  CopyBuilt(folder, "VxRegIni.dll", "VxRegIni.dll");
  const HMODULE redirect = LoadLibraryA(InFolder(folder, "VxRegIni.dll").c_str());
  ASSERT_NE(redirect, nullptr);
  const std::vector<std::string> system = RunAll(SystemApi());
  RegDeleteTreeA(HKEY_CURRENT_USER, kBase);
  const std::vector<std::string> standIn = RunAll(RedirectApi(redirect));
  for (size_t i = 0; i < std::size(kSteps); ++i)
    EXPECT_EQ(standIn[i], system[i]) << kSteps[i].name;
  // The stand-in kept it all in its file and left the registry alone.
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  const std::string ini = ReadFileBytes(InFolder(folder, "VxRegIni.ini"));
  EXPECT_NE(ini.find("[HKEY_CURRENT_USER\\Software\\Voxtelo\\TarnixRegIniTest]"), std::string::npos)
      << ini;
  EXPECT_FALSE(AccessLog().empty());
}

}  // namespace
