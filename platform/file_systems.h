// The system's side of the file and message interfaces: the Win32 file
// functions and a message box in the library, POSIX files and standard error
// in the command-line tool.
#pragma once

#include "dictionary/file_system.h"
#include "dictionary/message_sink.h"

// One instance for the process; it keeps no state between calls.
FileSystem& PlatformFileSystem() noexcept;

// Win32: a modal box owned by the active window, error icon, default caption.
// POSIX: "velmark: " and the text on standard error, in UTF-8 when the locale is.
MessageSink PlatformMessageSink() noexcept;
