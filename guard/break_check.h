// The break check: may the host break a line before `breakPos`, or where
// should it break instead? Words and patterns of the dictionary first, then
// the built-in rules chosen by TarnixFlag.
#pragma once
#include <cstdint>

#include "guard/line_text.h"

struct BreakSettings;
struct WordDictionary;

// What decided an answer, for diagnostics (velmark check --explain).
enum class BreakDecider : int32_t {
  None,            // the break stands, nothing matched
  DictionaryWord,  // detail: pool offset of the entry's length byte
  Pattern,         // detail: pool offset of the pattern line's length byte
  WideDigits,
  WideRoman,
  Katakana,
  Counter,
  Mail,
  Decimal,
  Thousands,
  LetterWords,
};

struct BreakTrace {
  BreakDecider decider;
  int32_t detail;
};

// Name of a built-in rule as the command-line tool spells it ("katakana", ...).
const char* BreakDeciderName(BreakDecider decider) noexcept;

// The whole check. `dictionary` may be null (no words, no patterns); it is not
// const because a pattern search writes the start field of each pattern's record.
// `trace` may be null; it records the stage that gave the answer, also when the answer is 0.
// A built-in answer of 0 records None (several rules may have looked); a rule is
// named only when it moved the break.
// Allocates nothing; reads only through ByteAt.
int32_t CheckBreak(const BreakSettings& settings, WordDictionary* dictionary, LineText text,
                   int32_t breakPos, int32_t lineEnd, BreakTrace* trace) noexcept;

// The built-in rules alone (the check's steps after the dictionary search).
int32_t CheckBuiltInRules(const BreakSettings& settings, LineText text, int32_t breakPos,
                          int32_t lineEnd, BreakTrace* trace) noexcept;

// Window floor: breakPos / 2 rounded toward zero, at least 10.
inline int32_t WindowFloor(int32_t breakPos) noexcept {
  const int32_t half = breakPos / 2;
  return half < 10 ? 10 : half;
}
