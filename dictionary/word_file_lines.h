// The lines of a word file as the loader sees them, shared with the linter:
// a line is a run of bytes 0x20 and above; any run of control bytes
// separates lines; the first NUL ends the contents.
#pragma once
#include <cstdint>

struct WordFileLine {
  uint32_t offset;        // first byte of the line in the contents
  int32_t length;         // raw bytes before the separator, before any cap
  int32_t physicalLine;   // 1-based; counts CR LF, lone LF and lone CR only
  unsigned char endedBy;  // the first separator byte after it; 0 at the end or a NUL
};

// Finds the next non-empty line from *cursor on. `cursor` starts at 0 and
// `physicalLine` at 1; both are carried from call to call. False when no line is left.
bool NextWordFileLine(const unsigned char* contents, uint32_t size, uint32_t* cursor,
                      int32_t* physicalLine, WordFileLine* line) noexcept;

enum class LineVerdict {
  Entry,         // becomes an entry
  OneByte,       // dropped: shorter than 2 bytes
  LeadingSpace,  // dropped: begins with a space
  BadFirstByte,  // dropped: begins with 0xFD, 0xFE or 0xFF
};

// What the loader does with a line, given its bytes and its length after the cap.
LineVerdict JudgeWordFileLine(const unsigned char* bytes, int32_t cappedLength) noexcept;
