// The library's life in the host process: the one process-wide settings
// record and dictionary, what the loader's attach and detach do to them, and
// the bindings they use.
#pragma once
#include <windows.h>

#include "dictionary/message_sink.h"
#include "dictionary/patterns.h"
#include "dictionary/word_dictionary.h"
#include "settings/break_settings.h"
#include "settings/registry_functions.h"

struct ModuleState {
  HMODULE handle;  // this library, recorded at every call of the entry point
  RegistryFunctions registry;
  PatternLibrary patternLibrary;
  MessageSink messages;
  DictionaryServices services;
  BreakSettings settings;
  WordDictionary dictionary;
};

// Alive from the library's static set-up to its unload. Written only by the
// attach, the poll, the dialogs and the dictionary operations.
extern ModuleState gModule;

// Process attach, in order: registry functions, pattern library, settings,
// word file. Never fails. Runs under the loader lock (see module.cpp).
void AttachModule(HMODULE self) noexcept;
// Process detach: the dictionary goes without a call into the pattern
// library; nothing is saved; bound libraries stay loaded.
void DetachModule() noexcept;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
