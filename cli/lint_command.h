// velmark lint: what the loader does with each line of a word file, by line
// number, which the library's own messages (naming no line) cannot tell.
#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/options.h"
#include "dictionary/patterns.h"

enum class LintKind {
  Utf16,          // begins with a UTF-16 byte-order mark
  Utf8Mark,       // begins with a UTF-8 byte-order mark: it becomes part of line 1
  LooksLikeUtf8,  // valid UTF-8 with non-ASCII characters: not CP932
  Nul,            // a NUL byte: nothing after it is read
  Split,          // a control byte (value) splits the line: the text after it is another entry
  Cut,            // longer than 255 bytes (value: length, value2: kept)
  OneByte,        // dropped
  LeadingSpace,   // dropped
  BadFirstByte,   // dropped (value: the byte)
  Duplicate,      // removed at load (value: the line it repeats)
  Malformed,      // pattern line, error 1
  Refused,        // pattern line, error 2
};

struct LintFinding {
  int32_t line;
  LintKind kind;
  std::string text;  // CP932 bytes of the line or entry concerned
  int32_t value;
  int32_t value2;
};

struct LintResult {
  std::vector<LintFinding> findings;
  int32_t words;
  int32_t comments;
  int32_t patterns;  // pattern lines kept as entries, faulty ones included
  int32_t faultyPatterns;
  int32_t dropped;
  int32_t duplicates;
};

// Walks the contents as the loader does. Pattern lines are compiled through
// `library`; with null, only their form is checked.
LintResult LintContents(const unsigned char* contents, uint32_t size,
                        const PatternLibrary* library);

// "LINE: message" for one finding, texts shown in `encoding`.
std::string DescribeFinding(const LintFinding& finding, TextEncoding encoding);

// Lints the word file; 1 when a pattern line is faulty, 2 when the file
// cannot be read, else 0.
int RunLint(const std::string& path, TextEncoding encoding, std::ostream& out, std::ostream& err);
