// The functions the host calls, by these undecorated names (velmark.def), C
// linkage, the default calling convention. Texts are NUL-terminated CP932.
#pragma once
#include <cstdint>

extern "C" {
// 0: the break before `breakPos` stands; otherwise the earlier position to break at.
int32_t CheckTarnixWord(const char* text, int32_t breakPos, int32_t lineEnd) noexcept;
// 1 when the text is a stored word.
int32_t IsTarnixWord(const char* text) noexcept;
// 1 when at least one entry equal to the text was removed (in memory only).
int32_t RemoveTarnixWord(const char* text) noexcept;
// 1 when a setting changed or the word file was reloaded.
int32_t CheckTarnixConfigUpdated() noexcept;
}
