// Binding the host's regular-expression library by name, from a full path.
#pragma once
#include <cstdint>

#include "dictionary/patterns.h"

// Binds the library file that lies in this module's own folder
// (kPatternLibraryFileName). 1 when it and its four required functions were
// found; 0 otherwise, with `library` all null.
int32_t BindPatternLibrary(PatternLibrary& library) noexcept;

// The same from a given folder (ending in its separator) and file name. The
// full path must fit in 260 bytes, terminator included, or the binding fails.
int32_t BindPatternLibraryFile(PatternLibrary& library, const char* folder,
                               const char* fileName) noexcept;
