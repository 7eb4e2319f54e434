#include "host_support.h"

#include <gtest/gtest.h>

#include <cstring>

#include "settings/break_settings.h"

namespace {

template <typename Fn>
Fn FindExport(HMODULE module, const char* name) {
  FARPROC address = GetProcAddress(module, name);
  Fn fn = nullptr;
  static_assert(sizeof fn == sizeof address, "function pointers differ in size");
  std::memcpy(&fn, &address, sizeof fn);
  return fn;
}

std::string CaseName() {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "none";
  for (char& c : name)
    if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '<' || c == '>' ||
        c == '|' || c == '"')
      c = '_';
  return name;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(folder + name + "\\");
      else
        DeleteFileA((folder + name).c_str());  // a stand-in still loaded stays
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

FILETIME ToFileTime(uint64_t t) {
  return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
}

}  // namespace

// ---- Files -----------------------------------------------------------------

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.rfind('\\') + 1);
}

CaseFolder MakeCaseFolder() {
  static int serial = 0;
  const std::string root = ProgramFolder() + "host-cases\\";
  CreateDirectoryA(root.c_str(), nullptr);
  const std::string name = CaseName();
  // Leftovers of earlier runs of this case; a process still holding one keeps it.
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((root + name + "-*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      RemoveTree(root + found.cFileName + "\\");
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  CaseFolder folder{root + name + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(++serial) + "\\"};
  if (!CreateDirectoryA(folder.path.c_str(), nullptr)) {
    ADD_FAILURE() << "cannot create " << folder.path;
  }
  return folder;
}

std::string InFolder(const CaseFolder& folder, const std::string& name) {
  return folder.path + name;
}

void CopyBuilt(const CaseFolder& folder, const char* builtName, const char* asName) {
  const std::string from = ProgramFolder() + builtName;
  if (!CopyFileA(from.c_str(), InFolder(folder, asName).c_str(), FALSE)) {
    ADD_FAILURE() << "cannot copy " << from << " (built?)";
  }
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                  nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, bytes.size()) << path;
}

std::string ReadFileBytes(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> FileNames(const CaseFolder& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((folder.path + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

uint64_t WriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    ADD_FAILURE() << "no file " << path;
    return 0;
  }
  return static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
         data.ftLastWriteTime.dwLowDateTime;
}

void SetWriteTime(const std::string& path, uint64_t time) {
  const HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  const FILETIME ft = ToFileTime(time);
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &ft));
  CloseHandle(file);
  EXPECT_EQ(WriteTime(path), time);
}

// ---- Settings --------------------------------------------------------------

const char kVelmarkKey[] = "Software\\Voxtelo\\Pondrel\\Config\\Velmark";

SettingsStore SystemRegistry() {
  return SettingsStore{RegCreateKeyExA, RegCloseKey, RegSetValueExA, RegDeleteValueA,
                       RegDeleteKeyA};
}

SettingsStore RedirectStore(HMODULE redirect) {
  SettingsStore store{
      FindExport<decltype(&RegCreateKeyExA)>(redirect, "VxRegCreateKeyEx"),
      FindExport<decltype(&RegCloseKey)>(redirect, "VxRegCloseKey"),
      FindExport<decltype(&RegSetValueExA)>(redirect, "VxRegSetValueEx"),
      FindExport<decltype(&RegDeleteValueA)>(redirect, "VxRegDeleteValue"),
      FindExport<decltype(&RegDeleteKeyA)>(redirect, "VxRegDeleteKey"),
  };
  EXPECT_TRUE(store.createKey && store.closeKey && store.setValue && store.deleteValue &&
              store.deleteKey);
  return store;
}

Seed Sz(const char* name, const std::string& text) {
  return Seed{Seed::kSet, name, REG_SZ, text + std::string(1, '\0')};
}
Seed Raw(const char* name, DWORD type, const std::string& bytes) {
  return Seed{Seed::kSet, name, type, bytes};
}
Seed Dword(const char* name, int32_t value) {
  return Seed{Seed::kSet, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4)};
}
Seed Unset(const char* name) { return Seed{Seed::kDeleteValue, name, 0, {}}; }
Seed NoKey() { return Seed{Seed::kDeleteKey, nullptr, 0, {}}; }
Seed EmptyKey() { return Seed{Seed::kCreateKey, nullptr, 0, {}}; }

void Apply(const SettingsStore& store, const std::vector<Seed>& seeds) {
  for (const Seed& seed : seeds) {
    if (seed.kind == Seed::kDeleteKey) {
      store.deleteKey(HKEY_CURRENT_USER, kVelmarkKey);
      continue;
    }
    HKEY key = nullptr;
    ASSERT_EQ(store.createKey(HKEY_CURRENT_USER, kVelmarkKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (seed.kind == Seed::kSet) {
      EXPECT_EQ(store.setValue(key, seed.name, 0, seed.type,
                               reinterpret_cast<const BYTE*>(seed.bytes.data()),
                               static_cast<DWORD>(seed.bytes.size())),
                ERROR_SUCCESS)
          << seed.name;
    }
    if (seed.kind == Seed::kDeleteValue) store.deleteValue(key, seed.name);
    store.closeKey(key);
  }
}

void RemoveSystemSettingsKey() { RegDeleteTreeA(HKEY_CURRENT_USER, kVelmarkKey); }

// ---- The library -----------------------------------------------------------

Velmark LoadVelmark(const CaseFolder& folder) {
  Velmark v{};
  v.module = LoadLibraryA(InFolder(folder, "Velmark.dll").c_str());
  if (!v.module) {
    ADD_FAILURE() << "LoadLibrary failed: " << GetLastError();
    return v;
  }
  v.check = FindExport<decltype(v.check)>(v.module, "CheckTarnixWord");
  v.isWord = FindExport<decltype(v.isWord)>(v.module, "IsTarnixWord");
  v.removeWord = FindExport<decltype(v.removeWord)>(v.module, "RemoveTarnixWord");
  v.poll = FindExport<decltype(v.poll)>(v.module, "CheckTarnixConfigUpdated");
  if (!v.check || !v.isWord || !v.removeWord || !v.poll) {
    ADD_FAILURE() << "an export is missing";
    FreeVelmark(v);
  }
  return v;
}

void FreeVelmark(Velmark& v) {
  if (v.module) FreeLibrary(v.module);
  v = Velmark{};
}

int32_t Check(const Velmark& v, const std::string& text, int32_t breakPos, int32_t lineEnd) {
  return v.check(text.c_str(), breakPos, lineEnd);
}

int32_t IsWordIn(const Velmark& v, const std::string& text) { return v.isWord(text.c_str()); }

// ---- Message boxes ---------------------------------------------------------

BoxWatcher::BoxWatcher() : thread_([this] { Watch(); }) {}

BoxWatcher::~BoxWatcher() {
  stop_ = true;
  thread_.join();
}

std::vector<ShownBox> BoxWatcher::Boxes() {
  const std::lock_guard<std::mutex> hold(lock_);
  return boxes_;
}

void BoxWatcher::Watch() {
  while (!stop_) {
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
      DWORD pid = 0;
      GetWindowThreadProcessId(box, &pid);
      if (pid != GetCurrentProcessId() || !IsWindowVisible(box)) continue;
      char caption[256] = "";
      char text[1024] = "";
      GetWindowTextA(box, caption, sizeof caption);
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      {
        const std::lock_guard<std::mutex> hold(lock_);
        bool seen = false;
        for (HWND h : pressed_) seen = seen || h == box;
        if (!seen) {
          boxes_.push_back(ShownBox{caption, text});
          pressed_.push_back(box);
        }
      }
      // Posted: the box's thread may be inside the loader and must stay free.
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    Sleep(20);
  }
}

// ---- What the settings look like from outside --------------------------------

namespace {

// Ten hiragana: every probe starts at byte 20, well above the window floor.
const std::string kLead = "あいうえおかきくけこ";

struct RuleProbe {
  int32_t bit;
  std::string body;
  int32_t breakAt;  // offset into body
};

// One line per rule, from the rules' own examples; each answers 20 only when
// its bit is set, whatever the other bits.
const RuleProbe kRuleProbes[] = {
    {KeepWideDigits, "１２３４です", 4},
    {KeepWideRoman, "ＡＢＣＤＥ", 6},
    {KeepMailAddress, "abcd@efgh.ij ", 4},
    {KeepDecimal, "123.56", 3},
    {KeepThousands, "1,000", 2},
    {KeepLetterWords, "abcdef", 3},
};

// 20 for "123|c" when the counter rule keeps c, else 0.
bool CounterKept(const Velmark& v, const char* counter, bool& odd) {
  const std::string line = kLead + "123" + counter;
  const int32_t answer = Check(v, line, 23, static_cast<int32_t>(line.size()));
  odd = odd || (answer != 0 && answer != 20);
  return answer == 20;
}

bool HoldsCounter(const std::string& numAfter, const char* counter) {
  for (size_t i = 0; i + 1 < numAfter.size(); i += 2)
    if (numAfter.compare(i, 2, counter) == 0) return true;
  return false;
}

}  // namespace

bool operator==(const RuleView& a, const RuleView& b) {
  return a.ruleBits == b.ruleBits && a.katakanaLimit == b.katakanaLimit && a.yen == b.yen &&
         a.hon == b.hon && a.nen == b.nen && a.odd == b.odd;
}

std::ostream& operator<<(std::ostream& out, const RuleView& v) {
  return out << "{rules 0x" << std::hex << v.ruleBits << std::dec << ", katakana "
             << v.katakanaLimit << ", counters" << (v.yen ? " yen" : "") << (v.hon ? " hon" : "")
             << (v.nen ? " nen" : "") << (v.odd ? ", odd answer" : "") << "}";
}

RuleView Observe(const Velmark& v) {
  RuleView view{};
  for (const RuleProbe& probe : kRuleProbes) {
    const std::string line = kLead + probe.body;
    const int32_t answer = Check(v, line, 20 + probe.breakAt, static_cast<int32_t>(line.size()));
    if (answer == 20) view.ruleBits |= probe.bit;
    view.odd = view.odd || (answer != 0 && answer != 20);
  }
  for (int32_t length = 2; length <= 41; ++length) {
    std::string line = kLead;
    for (int32_t i = 0; i < length; ++i) line += "ア";
    const int32_t answer = Check(v, line, 22, static_cast<int32_t>(line.size()));
    if (answer == 20) view.katakanaLimit = length;
    view.odd = view.odd || (answer != 0 && answer != 20);
  }
  view.yen = CounterKept(v, "円", view.odd);
  view.hon = CounterKept(v, "本", view.odd);
  view.nen = CounterKept(v, "年", view.odd);
  return view;
}

RuleView Expected(const Seen& seen) {
  return Expected(seen.flag, seen.counters, seen.katakanaMax);
}

RuleView Expected(int32_t flag, const std::string& numAfter, int32_t katakanaMax) {
  RuleView view{};
  for (const RuleProbe& probe : kRuleProbes) view.ruleBits |= flag & probe.bit;
  if (flag & KeepKatakana) view.katakanaLimit = katakanaMax < 2 ? 0 : std::min(katakanaMax, 41);
  const bool counters = (flag & KeepCounterSuffix) != 0;
  view.yen = counters && HoldsCounter(numAfter, "円");
  view.hon = counters && HoldsCounter(numAfter, "本");
  view.nen = counters && HoldsCounter(numAfter, "年");
  return view;
}

// ---- The fixture -----------------------------------------------------------

std::ostream& operator<<(std::ostream& out, Where where) {
  return out << (where == Where::kRedirect ? "Redirect" : "SystemRegistry");
}

void HostCase::SetUp() {
  RemoveSystemSettingsKey();
  folder = MakeCaseFolder();
  CopyBuilt(folder, "Velmark.dll", "Velmark.dll");
}

void HostCase::TearDown() {
  FreeVelmark(velmark);
  RemoveSystemSettingsKey();
}

SettingsStore HostCase::UseStore(Where where, const char* redirectBuild) {
  if (where == Where::kSystemRegistry) return SystemRegistry();
  CopyBuilt(folder, redirectBuild, "VxRegIni.dll");
  // The same module the library will bind; it stays loaded, as there.
  const HMODULE redirect = LoadLibraryA(InFolder(folder, "VxRegIni.dll").c_str());
  EXPECT_NE(redirect, nullptr);
  return RedirectStore(redirect);
}

std::vector<std::string> HostCase::AccessLog() const {
  const std::string text = ReadFileBytes(InFolder(folder, "VxRegIni.log"));
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

void HostCase::ClearAccessLog() const { DeleteFileA(InFolder(folder, "VxRegIni.log").c_str()); }

void HostCase::Load() { velmark = LoadVelmark(folder); }
