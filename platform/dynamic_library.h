// Loading helper libraries by full path, never through the search path.
#pragma once
#include <cstddef>

// Folder of the module this code is linked into (the library on Windows, the
// program natively), with its trailing separator. False when it cannot be had
// or does not fit.
bool OwnModuleFolder(char* folder, size_t size) noexcept;

// Loads a library by full path; null on failure.
void* LoadLibraryByPath(const char* path) noexcept;
// A system library by name, from the system folder only.
void* LoadSystemLibrary(const char* name) noexcept;
void* FindLibrarySymbol(void* library, const char* name) noexcept;

// Name of the pattern-library stand-in file on this platform.
extern const char kPatternLibraryFileName[];
