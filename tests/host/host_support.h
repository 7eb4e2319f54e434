// What a host does with Velmark.dll, for the tests: a fresh folder with the
// library (and, as a case needs, the stand-ins and a word file), settings
// seeded in the registry or in the redirect library's file, the library loaded
// by full path and its exports found by name, message boxes watched and closed.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "settings/exports.h"

// ---- Files -----------------------------------------------------------------

std::string ProgramFolder();  // this program's folder, with its backslash

// A fresh, empty folder for the running test under <bin>\host-cases\.
struct CaseFolder {
  std::string path;  // with its backslash
};
CaseFolder MakeCaseFolder();
std::string InFolder(const CaseFolder& folder, const std::string& name);
// Copies a file built beside this program into the folder, under `asName`.
void CopyBuilt(const CaseFolder& folder, const char* builtName, const char* asName);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
std::vector<std::string> FileNames(const CaseFolder& folder);  // files only, no folders

// Last-write time in 100 ns units; Set writes it back exactly.
uint64_t WriteTime(const std::string& path);
void SetWriteTime(const std::string& path, uint64_t time);
constexpr uint64_t kSecond = 10000000;

// ---- Settings --------------------------------------------------------------

extern const char kVelmarkKey[];  // Software\Voxtelo\Pondrel\Config\Velmark

// Where a test seeds the settings: the system registry (ADVAPI32), or the
// redirect library's file through the stand-in itself.
struct SettingsStore {
  decltype(&RegCreateKeyExA) createKey;
  decltype(&RegCloseKey) closeKey;
  decltype(&RegSetValueExA) setValue;
  decltype(&RegDeleteValueA) deleteValue;
  decltype(&RegDeleteKeyA) deleteKey;
};
SettingsStore SystemRegistry();
SettingsStore RedirectStore(HMODULE redirectLibrary);

// One change to the settings key.
struct Seed {
  enum Kind { kCreateKey, kDeleteKey, kSet, kDeleteValue } kind;
  const char* name;
  DWORD type;
  std::string bytes;
};
Seed Sz(const char* name, const std::string& text);  // REG_SZ, terminator included
Seed Raw(const char* name, DWORD type, const std::string& bytes);  // exactly these bytes
Seed Dword(const char* name, int32_t value);
Seed Unset(const char* name);
Seed NoKey();
Seed EmptyKey();
void Apply(const SettingsStore& store, const std::vector<Seed>& seeds);

// The key in the system registry is removed before and after every case.
void RemoveSystemSettingsKey();

// ---- The library -----------------------------------------------------------

struct Velmark {
  HMODULE module;
  decltype(&CheckTarnixWord) check;
  decltype(&IsTarnixWord) isWord;
  decltype(&RemoveTarnixWord) removeWord;
  decltype(&CheckTarnixConfigUpdated) poll;
};
// LoadLibraryA by full path; every export must be found (else module is null).
Velmark LoadVelmark(const CaseFolder& folder);
void FreeVelmark(Velmark& velmark);

int32_t Check(const Velmark& velmark, const std::string& text, int32_t breakPos, int32_t lineEnd);
int32_t IsWordIn(const Velmark& velmark, const std::string& text);

// ---- Message boxes ---------------------------------------------------------

struct ShownBox {
  std::string caption;  // CP932
  std::string text;
};

// Watches this process for message boxes from construction on, records each
// and presses its OK, so that no case hangs on one (also one shown inside the
// loader's call of the entry point).
class BoxWatcher {
 public:
  BoxWatcher();
  ~BoxWatcher();
  std::vector<ShownBox> Boxes();

 private:
  void Watch();
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::vector<ShownBox> boxes_;
  std::vector<HWND> pressed_;
  std::thread thread_;
};

// ---- What the settings look like from outside --------------------------------

// The settings as the break check shows them: one probe line per rule, the
// longest katakana run kept whole, and three counter characters after a number.
struct RuleView {
  int32_t ruleBits;       // KeepWideDigits, WideRoman, MailAddress, Decimal, Thousands, LetterWords
  int32_t katakanaLimit;  // longest run of 2..41 katakana kept whole; 0: none
  bool yen;               // 円 after a number
  bool hon;               // 本
  bool nen;               // 年
  bool odd;               // a probe answered neither 0 nor its run start
};
bool operator==(const RuleView& a, const RuleView& b);
std::ostream& operator<<(std::ostream& out, const RuleView& view);

RuleView Observe(const Velmark& velmark);
// What Observe gives for these settings (counter text as CP932 bytes).
RuleView Expected(int32_t flag, const std::string& numAfter, int32_t katakanaMax);

// Settings as a row states them: flag, counter text (CP932), katakana limit.
struct Seen {
  int32_t flag;
  const char* counters;
  int32_t katakanaMax;
};
RuleView Expected(const Seen& seen);

constexpr int32_t kAllRules = 0x1BF;

// ---- The fixture -----------------------------------------------------------

enum class Where { kSystemRegistry, kRedirect };
std::ostream& operator<<(std::ostream& out, Where where);

// A fresh folder holding Velmark.dll, the system's settings key removed, a
// watcher for message boxes. The library is freed and the key removed after
// the case.
class HostCase : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Where the settings of this case live. kRedirect puts VxRegIni.dll (or the
  // named build) beside the library and seeds its file through it.
  SettingsStore UseStore(Where where, const char* redirectBuild = "VxRegIni.dll");
  // Lines of the redirect library's access log; Clear empties it.
  std::vector<std::string> AccessLog() const;
  void ClearAccessLog() const;

  void Load();
  void Unload() { FreeVelmark(velmark); }
  std::string WordFile() const { return InFolder(folder, "words.txt"); }

  BoxWatcher boxes;
  CaseFolder folder;
  Velmark velmark{};
};

template <typename Row>
class HostCaseWith : public HostCase, public testing::WithParamInterface<Row> {};
