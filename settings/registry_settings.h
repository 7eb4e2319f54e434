// BreakSettings in the registry: four values under one key of the current
// user, read when the library attaches and compared at every poll.
#pragma once
#include <cstdint>

#include "settings/registry_functions.h"

struct BreakSettings;
struct WordDictionary;

extern const char kSettingsKey[];         // under HKEY_CURRENT_USER
extern const char kWordFileValueName[];   // "TarnixWordFile", REG_SZ, at most 260 bytes
extern const char kNumAfterValueName[];   // "NumAfter", REG_SZ, at most 256 bytes
extern const char kFlagValueName[];       // "TarnixFlag", REG_DWORD
extern const char kKatakanaMaxValueName[];// "TarnixKatakanaMax", REG_DWORD

// Opens the settings key with all access; false when it cannot be opened.
bool OpenSettingsKey(const RegistryFunctions& registry, HKEY* key) noexcept;

// Reads the four values in their table order into `target`; a value that is
// missing or cannot be read leaves its field as it was. A string that does
// not fit its field with a terminator is treated like a missing value (a cut
// path would name another file, which the load would even create); a string
// stored without a terminator gets one.
void ReadSettingValues(const RegistryFunctions& registry, HKEY key, BreakSettings& target) noexcept;

// At attach: the values before anything is read, then the stored values with
// the defaults for an empty counter text and a katakana limit of 0 or below
// (only when the key opened), then the counter range.
void ReadSettings(const RegistryFunctions& registry, BreakSettings& settings) noexcept;

// The poll: stores each value that differs from memory (a new path reloads
// the word file, new counters recompute their range), then reloads the word
// file when its time moved. No defaults are applied. 1 when anything changed.
int32_t PollSettings(const RegistryFunctions& registry, BreakSettings& settings,
                     WordDictionary& dictionary) noexcept;
