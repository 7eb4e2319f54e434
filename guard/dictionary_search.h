// First stage of the break check: a stored word, or a pattern match, that
// begins before the break (no earlier than the window floor) and reaches past it.
#pragma once
#include <cstdint>

#include "guard/break_check.h"
#include "guard/line_text.h"

struct WordDictionary;

// Leftmost start of a spanning word, else the pattern half's answer, else 0.
// `trace`, when not null, names the word or pattern line that answered.
int32_t FindWordAtBreak(WordDictionary& dictionary, LineText text, int32_t breakPos,
                        int32_t lineEnd, BreakTrace* trace) noexcept;
