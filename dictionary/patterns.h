// Pattern lines ("[RegExp]N,pattern") compiled by the host's regular-expression
// library, and the search for a match that spans a break.
#pragma once
#include <cstdint>

#include "guard/line_text.h"

struct WordDictionary;
struct MessageSink;

#ifdef _WIN32
#define VX_CALL __stdcall
#else
#define VX_CALL
#endif

// The 78-byte record exchanged with the library. Only these four fields are ours;
// the rest is the library's state, zeroed before Jre2Open and never touched.
constexpr int kJreRecordSize = 78;
constexpr int kJreSizeOffset = 0;      // uint32: always 78
constexpr int kJreStartOffset = 8;     // int32: where the search starts
constexpr int kJreLengthOffset = 20;   // int32: match length (library)
constexpr int kJrePositionOffset = 24; // int32: match position (library)

struct JreRecord {
  unsigned char bytes[kJreRecordSize];
};

using Jre2OpenFn = int(VX_CALL*)(JreRecord* record);
using Jre2CompileFn = int(VX_CALL*)(JreRecord* record, const char* pattern);
using Jre2GetMatchInfoFn = int(VX_CALL*)(JreRecord* record, const char* text);
using Jre2GetMatchInfoV318Fn = int(VX_CALL*)(JreRecord* record, const char* text, int32_t end,
                                             int32_t zero1, int32_t zero2);
using Jre2CloseFn = int(VX_CALL*)(JreRecord* record);

// The bound library: all null when it is missing.
struct PatternLibrary {
  Jre2OpenFn open;
  Jre2CompileFn compile;
  Jre2GetMatchInfoFn getMatchInfo;  // as found; may be the only match function
  Jre2GetMatchInfoV318Fn match;     // Jre2GetMatchInfo_V318, or the fall-back
  Jre2CloseFn close;
};

struct PatternEntry {
  int32_t width;       // N of "[RegExp]N,...": longest match expected, > 0
  JreRecord record;
  int32_t entryOffset; // pool offset of the pattern line, for diagnostics
};

struct PatternList {
  unsigned char* block;   // null while empty
  int32_t capacity;       // bytes, a multiple of 8192
  int32_t used;           // bytes of records
  PatternEntry* records;  // == block
};

inline int32_t PatternCount(const PatternList& list) noexcept {
  return list.used / static_cast<int32_t>(sizeof(PatternEntry));
}

// Appends `size` bytes of `record`, growing the block to the next multiple of
// 8192 strictly above used + size. On allocation failure the list becomes empty.
void AppendPatternEntry(PatternList& list, const void* record, int32_t size) noexcept;
void FreePatternList(PatternList& list) noexcept;

// Messages for a malformed line (error 1) and a pattern the library refuses (error 2).
extern const char kPatternMalformedMessage[];
extern const char kPatternRefusedMessage[];

// Compiles the bytes after "[RegExp]". 1 when an entry was added, 0 on an error
// (reported unless quiet; a reported error also releases the patterns so far).
int32_t CompilePatternEntry(WordDictionary& dictionary, const unsigned char* bytes, int32_t count,
                            int32_t quiet, int32_t entryOffset) noexcept;
void ReleasePatterns(WordDictionary& dictionary) noexcept;

// Smallest match start before breakPos whose match reaches past it, or 0.
// `patternOffset`, when not null, receives the entryOffset of the winning pattern.
int32_t FindPatternAcrossBreak(WordDictionary& dictionary, LineText text, int32_t breakPos,
                               int32_t lineEnd, int32_t* patternOffset) noexcept;
