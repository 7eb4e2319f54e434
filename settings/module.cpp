#include "settings/module.h"

#include <cstdlib>

#include "dictionary/word_file.h"
#include "platform/file_systems.h"
#include "platform/pattern_binding.h"
#include "settings/registry_settings.h"

ModuleState gModule;

namespace {

void FreePatternsAtExit() { FreePatternList(gModule.dictionary.patterns); }

// Static set-up, before the entry point sees the attach: an empty dictionary,
// and a release of its patterns for the static tear-down, which runs after
// the entry point has handled the detach (it then finds the list empty).
struct StaticSetUp {
  StaticSetUp() noexcept {
    gModule.messages = PlatformMessageSink();
    gModule.services = DictionaryServices{&gModule.patternLibrary, &gModule.messages,
                                          &PlatformFileSystem()};
    InitBreakSettings(gModule.settings);
    InitDictionary(gModule.dictionary, &gModule.services);
    std::atexit(FreePatternsAtExit);
  }
};
const StaticSetUp gStaticSetUp;

}  // namespace

// All of this runs inside the entry point, under the loader lock, as the host
// expects: the settings and the word file are those of the moment of loading,
// which the first poll compares against. Loading libraries and reading the
// registry there works under Wine and Windows; the one hazard is a message box
// (a faulty pattern line or an unreadable word file): while it is up, any other
// thread of the host that starts or ends waits for the loader lock until the
// box is closed.
void AttachModule(HMODULE self) noexcept {
  gModule.handle = self;
  BindRegistryFunctions(gModule.registry);
  BindPatternLibrary(gModule.patternLibrary);
  ReadSettings(gModule.registry, gModule.settings);
  ReloadWordFile(gModule.dictionary, gModule.settings.TarnixWordFile);
}

void DetachModule() noexcept { DestroyDictionary(gModule.dictionary); }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  gModule.handle = instance;
  if (reason == DLL_PROCESS_ATTACH) AttachModule(instance);
  if (reason == DLL_PROCESS_DETACH) DetachModule();
  return TRUE;
}
