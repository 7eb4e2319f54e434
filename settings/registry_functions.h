// The registry functions every settings access goes through: the host's
// redirection library VxRegIni.dll when it lies beside this library (portable
// settings in a file), the system's ADVAPI32 otherwise.
#pragma once
#include <windows.h>

struct RegistryFunctions {
  decltype(&RegOpenKeyExA) openKey;
  decltype(&RegCreateKeyExA) createKey;
  decltype(&RegCloseKey) closeKey;
  decltype(&RegQueryValueExA) queryValue;
  decltype(&RegSetValueExA) setValue;
  decltype(&RegDeleteValueA) deleteValue;
  decltype(&RegDeleteKeyA) deleteKey;
  decltype(&RegEnumKeyA) enumKey;
  decltype(&RegEnumKeyExA) enumKeyEx;
  decltype(&RegEnumValueA) enumValue;
};

extern const char kRegistryRedirectFileName[];  // "VxRegIni.dll"

// Binds all ten entries from one library: the redirect library in this
// module's folder when it loads and has every one of the ten names, else
// ADVAPI32 from the system folder. Never a mix, and never a null entry from a
// library that lacks a name: a redirect library that lacks one is left loaded
// but unused. Neither library is freed. All entries null only when even
// ADVAPI32 cannot be bound.
void BindRegistryFunctions(RegistryFunctions& registry) noexcept;

// Binds the ten by their names from `library` (null: fails). False, with
// `registry` all null, when a name is missing.
bool BindRegistryFunctionsFrom(RegistryFunctions& registry, void* library,
                               const char* const names[10]) noexcept;

// True when the entries are usable (all bound).
bool RegistryBound(const RegistryFunctions& registry) noexcept;
