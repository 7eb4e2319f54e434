// velmark check: break-check cases from standard input, one answer per line.
#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "cli/session.h"

struct CheckCase {
  std::string text;  // the line's bytes
  int32_t breakPos;
  int32_t lineEnd;
};

// Parses "TEXTHEX BREAKPOS LINEEND" (fields separated by spaces or tabs; "-"
// for an empty text; a CR before the line end is ignored). False with the
// reason; a blank line is malformed too.
bool ParseCheckCase(std::string_view line, CheckCase* result, std::string* error);

// The answer line for one case: the answer, and with `explain` a TAB and
// what decided. The text is handed over followed by a NUL, as a host line is.
std::string AnswerCase(Session* session, const CheckCase& c, bool explain);

// Every case of `in`: a line on `out` for each good case, a message with the
// line number on `err` for each malformed one. 0, or 2 when any was malformed.
int RunCheck(Session* session, bool explain, std::istream& in, std::ostream& out,
             std::ostream& err);
