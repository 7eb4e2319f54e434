#include <windows.h>

#include "platform/file_systems.h"

namespace {

// Modal, owned by whatever window is active, the system's caption, error icon.
void ShowMessageBox(void*, const char* cp932Text) {
  MessageBoxA(GetActiveWindow(), cp932Text, nullptr, MB_OK | MB_ICONERROR);
}

}  // namespace

MessageSink PlatformMessageSink() noexcept { return MessageSink{ShowMessageBox, nullptr}; }
