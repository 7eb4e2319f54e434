// velmark wrap: breaks lines as the host does, asking the break check at
// every proposed break.
#pragma once
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "cli/encoding.h"
#include "cli/session.h"

// Columns a character takes on a row: 2 for a double-byte character and for
// each escape (so 4 for a surrogate pair), 1 for any single byte.
int32_t CharColumns(std::string_view host, const CharSpan& c);

// The break check as the wrap sees it: an answer for a proposed break (a host
// byte position in the line), 0 when it stands.
using BreakAsker = std::function<int32_t(int32_t breakPos)>;

// Where the rows of one line end, as character indices (the last is
// chars.size()). A row takes the characters that fit in `width` columns (at
// least one); when the line goes on, the check is asked at that boundary and
// the row ends before its answer instead, moved down to a character start,
// unless the answer is 0 or would not leave the row at least one character.
std::vector<size_t> WrapRows(std::string_view host, const std::vector<CharSpan>& chars,
                             int32_t width, const BreakAsker& ask);

// Wraps `input` (a whole file in `session->encoding`), writing rows to `out`
// with each line's own line end (LF, or CR LF). False with a message on
// malformed UTF-8 (naming `name` and the line).
bool WrapText(Session* session, int32_t width, const std::string& name, std::string_view input,
              std::ostream& out, std::string* error);

// Every file (stdin for none or "-"); 0, or 2 after an error.
int RunWrap(Session* session, int32_t width, const std::vector<std::string>& files,
            std::ostream& out, std::ostream& err);
