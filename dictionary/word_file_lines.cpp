#include "dictionary/word_file_lines.h"

#include <cstdint>

namespace {

bool IsSeparator(unsigned char b) noexcept { return b >= 0x01 && b < 0x20; }

// Steps over a run of control bytes, counting the line ends in it.
uint32_t SkipSeparators(const unsigned char* contents, uint32_t size, uint32_t at,
                        int32_t* physicalLine) noexcept {
  while (at < size && IsSeparator(contents[at])) {
    const unsigned char b = contents[at++];
    if (b == '\r' && at < size && contents[at] == '\n') ++at;  // CR LF is one line end
    if (b == '\r' || b == '\n') ++*physicalLine;
  }
  return at;
}

}  // namespace

bool NextWordFileLine(const unsigned char* contents, uint32_t size, uint32_t* cursor,
                      int32_t* physicalLine, WordFileLine* line) noexcept {
  uint32_t at = SkipSeparators(contents, size, *cursor, physicalLine);
  if (at >= size || contents[at] == 0) {
    *cursor = at;
    return false;
  }
  const uint32_t start = at;
  while (at < size && contents[at] >= 0x20) ++at;
  line->offset = start;
  const uint32_t length = at - start;
  line->length = length > INT32_MAX ? INT32_MAX : static_cast<int32_t>(length);
  line->physicalLine = *physicalLine;
  line->endedBy = at < size ? contents[at] : 0;
  *cursor = at;
  return true;
}

LineVerdict JudgeWordFileLine(const unsigned char* bytes, int32_t cappedLength) noexcept {
  if (cappedLength < 2) return LineVerdict::OneByte;
  if (bytes[0] == 0x20) return LineVerdict::LeadingSpace;
  if (bytes[0] > 0xFC) return LineVerdict::BadFirstByte;
  return LineVerdict::Entry;
}
