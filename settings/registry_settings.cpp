#include "settings/registry_settings.h"

#include <cstring>

#include "dictionary/word_file.h"
#include "settings/break_settings.h"

const char kSettingsKey[] = "Software\\Voxtelo\\Pondrel\\Config\\Velmark";
const char kWordFileValueName[] = "TarnixWordFile";
const char kNumAfterValueName[] = "NumAfter";
const char kFlagValueName[] = "TarnixFlag";
const char kKatakanaMaxValueName[] = "TarnixKatakanaMax";

namespace {

constexpr int32_t kDefaultKatakanaMax = 10;

// The value is read into a buffer one byte larger than the field, so that a
// value read whole always gets a terminator after its last byte; what comes
// back is taken only when it fits the field with that terminator.
bool ReadStringValue(const RegistryFunctions& registry, HKEY key, const char* name, char* field,
                     DWORD fieldSize) noexcept {
  char buffer[sizeof(BreakSettings::TarnixWordFile) + 1];
  if (fieldSize >= sizeof buffer) return false;
  DWORD size = fieldSize;
  if (registry.queryValue(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS)
    return false;
  if (size > fieldSize) return false;
  buffer[size] = '\0';
  const size_t length = std::strlen(buffer);
  if (length >= fieldSize) return false;
  std::memset(field, 0, fieldSize);
  std::memcpy(field, buffer, length);
  return true;
}

// Straight into a copy of the field: a shorter value replaces only its low bytes.
void ReadDwordValue(const RegistryFunctions& registry, HKEY key, const char* name,
                    int32_t& field) noexcept {
  int32_t value = field;
  DWORD size = sizeof value;
  if (registry.queryValue(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
      ERROR_SUCCESS)
    field = value;
}

}  // namespace

bool OpenSettingsKey(const RegistryFunctions& registry, HKEY* key) noexcept {
  if (!RegistryBound(registry)) return false;
  return registry.openKey(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, key) ==
         ERROR_SUCCESS;
}

void ReadSettingValues(const RegistryFunctions& registry, HKEY key,
                       BreakSettings& target) noexcept {
  ReadStringValue(registry, key, kWordFileValueName, target.TarnixWordFile,
                  sizeof target.TarnixWordFile);
  ReadStringValue(registry, key, kNumAfterValueName, target.NumAfter, sizeof target.NumAfter);
  ReadDwordValue(registry, key, kFlagValueName, target.TarnixFlag);
  ReadDwordValue(registry, key, kKatakanaMaxValueName, target.TarnixKatakanaMax);
}

void ReadSettings(const RegistryFunctions& registry, BreakSettings& settings) noexcept {
  InitBreakSettings(settings);
  HKEY key = nullptr;
  if (OpenSettingsKey(registry, &key)) {
    ReadSettingValues(registry, key, settings);
    registry.closeKey(key);
    if (settings.NumAfter[0] == '\0')
      std::memcpy(settings.NumAfter, kDefaultNumAfter, sizeof kDefaultNumAfter);
    if (settings.TarnixKatakanaMax <= 0) settings.TarnixKatakanaMax = kDefaultKatakanaMax;
  }
  ComputeNumAfterRange(settings);
}

int32_t PollSettings(const RegistryFunctions& registry, BreakSettings& settings,
                     WordDictionary& dictionary) noexcept {
  int32_t changed = 0;
  HKEY key = nullptr;
  if (OpenSettingsKey(registry, &key)) {
    // Starts as memory, so a value that cannot be read counts as unchanged.
    BreakSettings stored = settings;
    ReadSettingValues(registry, key, stored);
    registry.closeKey(key);
    if (std::strcmp(stored.TarnixWordFile, settings.TarnixWordFile) != 0) {
      std::memcpy(settings.TarnixWordFile, stored.TarnixWordFile, sizeof settings.TarnixWordFile);
      ReloadWordFile(dictionary, settings.TarnixWordFile);
      changed = 1;
    }
    if (stored.TarnixFlag != settings.TarnixFlag) {
      settings.TarnixFlag = stored.TarnixFlag;
      changed = 1;
    }
    if (std::strcmp(stored.NumAfter, settings.NumAfter) != 0) {
      std::memcpy(settings.NumAfter, stored.NumAfter, sizeof settings.NumAfter);
      ComputeNumAfterRange(settings);
      changed = 1;
    }
    if (stored.TarnixKatakanaMax != settings.TarnixKatakanaMax) {
      settings.TarnixKatakanaMax = stored.TarnixKatakanaMax;
      changed = 1;
    }
  }
  if (ReloadIfChanged(dictionary)) changed = 1;
  return changed;
}
