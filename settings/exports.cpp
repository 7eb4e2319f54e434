// Thin adapters from the host's calls to the core. Nothing may escape to the
// host: a null text answers 0, and no exception leaves.
#include "settings/exports.h"

#include <climits>
#include <cstring>

#include "guard/break_check.h"
#include "settings/module.h"
#include "settings/registry_settings.h"

extern "C" int32_t CheckTarnixWord(const char* text, int32_t breakPos, int32_t lineEnd) noexcept {
  try {
    if (!text) return 0;
    // Host lines end with a NUL; the check never reads past the length.
    const size_t length = std::strlen(text);
    const LineText line{reinterpret_cast<const unsigned char*>(text),
                        length > INT32_MAX ? INT32_MAX : static_cast<int32_t>(length)};
    return CheckBreak(gModule.settings, &gModule.dictionary, line, breakPos, lineEnd, nullptr);
  } catch (...) {
    return 0;
  }
}

extern "C" int32_t IsTarnixWord(const char* text) noexcept {
  try {
    return text ? IsWord(gModule.dictionary, text) : 0;
  } catch (...) {
    return 0;
  }
}

extern "C" int32_t RemoveTarnixWord(const char* text) noexcept {
  try {
    return text ? RemoveWord(gModule.dictionary, text) : 0;
  } catch (...) {
    return 0;
  }
}

extern "C" int32_t CheckTarnixConfigUpdated() noexcept {
  try {
    return PollSettings(gModule.registry, gModule.settings, gModule.dictionary);
  } catch (...) {
    return 0;
  }
}
