// Text between the user's encoding and the host's: CP932 in which every
// character CP932 cannot hold is a four-byte escape 0x1A b1 b2 b3 carrying a
// UCS-2 code. Characters above U+FFFF become two escapes, one for each
// UTF-16 surrogate.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"

// One character of a converted line: where it lies in the host text and in
// the text as the user gave it.
struct CharSpan {
  int32_t hostStart;
  int32_t hostLength;  // 1 or 2; 4 for an escape, 8 for a surrogate pair of escapes
  size_t sourceStart;
};

// The escape for one UCS-2 code, appended to `host`.
void AppendWideEscape(std::string* host, uint16_t code);

// Strict UTF-8 to host text. `chars` (may be null) receives every character.
// False on malformed UTF-8 (overlong forms and surrogates included), with the
// offset of the first bad byte.
bool Utf8ToHost(std::string_view utf8, std::string* host, std::vector<CharSpan>* chars,
                size_t* badOffset);

// The characters of host text by the character walk: 2 at a lead byte, 4 at
// an escape, 1 otherwise (a character cut short by the end ends there).
std::vector<CharSpan> HostChars(std::string_view host);

// Host text for showing to the user in UTF-8: escapes decoded (a surrogate
// pair of escapes as one character); bytes that stand for nothing as "\xNN".
std::string HostToUtf8(std::string_view host);

// Text given in `encoding` (an argument, a line) as host text; false with
// the bad offset on malformed UTF-8.
bool ToHost(TextEncoding encoding, std::string_view text, std::string* host, size_t* badOffset);
// Host text in `encoding` for output.
std::string FromHost(TextEncoding encoding, std::string_view host);
