// The built-in break rules. The kinds of the characters on both sides of the
// break pick at most one rule family; that rule walks back to the start of the
// protected run and answers it, or 0 when the run reaches the window floor.
//
// Positions near the break are formed in 64 bits, so that breakPos + 1 and the
// forward scans cannot overflow; every byte is read through ByteAt.
#include <cstdint>

#include "guard/break_check.h"
#include "guard/dictionary_search.h"
#include "guard/line_text.h"
#include "settings/break_settings.h"

namespace {

struct Break {
  const BreakSettings* settings;
  LineText text;
  int32_t pos;  // breakPos, above 10 once the rules run
  int32_t lineEnd;
  int32_t floor;
};

struct Answer {
  int32_t pos;
  BreakDecider decider;
};

constexpr unsigned char kFullStop = 0x2E;
constexpr unsigned char kComma = 0x2C;
constexpr unsigned char kAtSign = 0x40;
constexpr uint16_t kLongVowelMark = 0x815B;  // ー

// A rule's position, with the rule named only when it protects something.
Answer By(BreakDecider decider, int32_t pos) noexcept {
  return pos == 0 ? Answer{0, BreakDecider::None} : Answer{pos, decider};
}

bool On(const Break& b, int32_t bit) noexcept { return (b.settings->TarnixFlag & bit) != 0; }

unsigned char At(const Break& b, int64_t pos) noexcept { return ByteAt(b.text, pos); }

bool IsAsciiDigit(unsigned char c) noexcept { return c >= 0x30 && c <= 0x39; }
bool IsMail(unsigned char c) noexcept { return IsMailChar(c) == 1; }

bool InRange(uint16_t code, uint16_t low, uint16_t high) noexcept {
  return code >= low && code <= high;
}

constexpr uint16_t kWideDigitLow = 0x824F, kWideDigitHigh = 0x8258;  // ０-９
constexpr uint16_t kWideRomanLow = 0x8260, kWideRomanHigh = 0x829A;  // Ａ-ｚ
constexpr uint16_t kKatakanaLow = 0x8340, kKatakanaHigh = 0x8394;    // ァ-ヴ

bool IsWideDigit(uint16_t code) noexcept { return InRange(code, kWideDigitLow, kWideDigitHigh); }
bool IsWideRoman(uint16_t code) noexcept { return InRange(code, kWideRomanLow, kWideRomanHigh); }
bool IsKatakana(uint16_t code) noexcept { return InRange(code, kKatakanaLow, kKatakanaHigh); }
bool IsKatakanaOrMark(uint16_t code) noexcept { return IsKatakana(code) || code == kLongVowelMark; }

// --- Letter words -------------------------------------------------------

// Back over the letters before the break, character by character; the
// character in front of the run must start above the floor.
int32_t LetterWordRule(const Break& b, int32_t width) noexcept {
  int32_t a = b.pos - width;
  for (;;) {
    const int32_t e = PrevCharWidth(b.text, a);
    if (a - e <= b.floor) return 0;
    if (IsLetterChar(b.text, a - e) != 1) return a;
    a -= e;
  }
}

// --- Double-byte runs ---------------------------------------------------

// Back two bytes at a time while the pair before lies in [low, high]; no
// character boundaries are re-checked on the way.
int32_t PairRunStart(const Break& b, uint16_t low, uint16_t high) noexcept {
  int32_t a = b.pos;
  for (;;) {
    a -= 2;
    if (a <= b.floor) return 0;
    if (!InRange(PairCodeAt(b.text, a - 2), low, high)) return a;
  }
}

// A full-width number needs both bits to keep its counter character.
int32_t WideDigitRule(const Break& b, uint16_t h) noexcept {
  if (!On(b, KeepWideDigits)) return 0;
  const bool counter = On(b, KeepCounterSuffix) && IsCounterChar(*b.settings, h) == 1;
  if (!IsWideDigit(h) && !counter) return 0;
  return PairRunStart(b, kWideDigitLow, kWideDigitHigh);
}

int32_t WideRomanRule(const Break& b, uint16_t h) noexcept {
  if (!IsWideRoman(h) || !On(b, KeepWideRoman)) return 0;
  return PairRunStart(b, kWideRomanLow, kWideRomanHigh);
}

// The run's length counts from its start, across the break, to its end or
// lineEnd; a run longer than the limit may be broken anywhere.
int32_t KatakanaRule(const Break& b, uint16_t g, uint16_t h) noexcept {
  const bool continues = IsKatakana(h) || (h == kLongVowelMark && g != kLongVowelMark);
  if (!continues || !On(b, KeepKatakana)) return 0;
  int32_t k = b.pos;
  do {
    k -= 2;
    if (k <= b.floor) return 0;
  } while (IsKatakanaOrMark(PairCodeAt(b.text, k - 2)));
  int64_t n = 0;  // bytes past the text read 0, so this ends there at the latest
  while (k + n < b.lineEnd && IsKatakanaOrMark(PairCodeAt(b.text, k + n))) n += 2;
  return n > 2 * int64_t{b.settings->TarnixKatakanaMax} ? 0 : k;
}

Answer DoubleByteRules(const Break& b) noexcept {
  if (!IsLeadByte(At(b, b.pos))) return {0, BreakDecider::None};
  const uint16_t g = PairCodeAt(b.text, b.pos - 2);
  const uint16_t h = PairCodeAt(b.text, b.pos);
  if (IsWideDigit(g)) return By(BreakDecider::WideDigits, WideDigitRule(b, h));
  if (IsWideRoman(g)) return By(BreakDecider::WideRoman, WideRomanRule(b, h));
  if (IsKatakanaOrMark(g)) return By(BreakDecider::Katakana, KatakanaRule(b, g, h));
  return {0, BreakDecider::None};
}

// --- Numbers ------------------------------------------------------------

// A walk that stopped on the second byte of a double-byte character moves past it.
int32_t PastTrailByte(const Break& b, int32_t a) noexcept {
  return IsInsideDoubleByte(b.text, a) == 1 ? a + 1 : a;
}

// Digits, and at most two groups of a comma and three digits, not starting with 0.
bool DigitGroupsPass(const Break& b, int32_t s) noexcept {
  if (At(b, s) == kComma || At(b, s) == '0') return false;
  int32_t digits = 0;
  int32_t commas = 0;
  bool firstGroup = true;
  for (int64_t j = s;;) {
    if (j >= b.lineEnd) return digits == 3;
    const unsigned char c = At(b, j);
    if (c == kComma) {
      if (++commas > 2) return false;
      if (digits != 3 && !firstGroup) return false;
      digits = 0;
      firstGroup = false;
    } else if (IsAsciiDigit(c)) {
      if (++digits > 3) return false;
    } else {
      return digits == 3;
    }
    ++j;
  }
}

int32_t ThousandsCheck(const Break& b, int32_t p0, int32_t fallback) noexcept {
  int32_t s = p0;
  while (IsAsciiDigit(At(b, s - 1)) || At(b, s - 1) == kComma) {
    --s;
    if (s <= b.floor) return fallback;
  }
  s = PastTrailByte(b, s);
  return DigitGroupsPass(b, s) ? s : fallback;
}

// A word such as "ver" or "abc" joins the number after it, unless it reaches the floor.
int32_t WordInFront(const Break& b, int32_t s) noexcept {
  int32_t a = s;
  while (IsNumberWordChar(At(b, a - 1)) == 1) {
    --a;
    if (a <= b.floor) return s;
  }
  return PastTrailByte(b, a);
}

int32_t DecimalScan(const Break& b) noexcept {
  int32_t a = b.pos;
  while (IsAsciiDigit(At(b, a - 1)) || At(b, a - 1) == kFullStop) {
    --a;
    if (a <= b.floor) return 0;
  }
  if (IsInsideDoubleByte(b.text, a) == 1)
    ++a;
  else
    a = WordInFront(b, a);
  // a lies above the floor, so above 2: the bytes before it are in the line.
  if (At(b, a - 1) == kComma && IsAsciiDigit(At(b, a - 2)) && On(b, KeepThousands))
    return ThousandsCheck(b, a, a);
  return a;
}

int32_t DigitRunStart(const Break& b) noexcept {
  int32_t a = b.pos;
  while (IsAsciiDigit(At(b, a - 1))) {
    --a;
    if (a <= b.floor) return 0;
  }
  return PastTrailByte(b, a);
}

// An ASCII number and the counter character after it.
int32_t CounterRule(const Break& b) noexcept {
  if (!IsAsciiDigit(At(b, b.pos - 1)) || !On(b, KeepCounterSuffix)) return 0;
  if (IsCounterChar(*b.settings, PairCodeAt(b.text, b.pos)) != 1) return 0;
  if (On(b, KeepDecimal)) return DecimalScan(b);
  if (On(b, KeepThousands)) {
    const int32_t grouped = ThousandsCheck(b, b.pos, 0);
    if (grouped != 0) return grouped;
  }
  return DigitRunStart(b);
}

// `mark` at the break with digits on both sides, or just before it with digits around it.
bool MarkBetweenDigits(const Break& b, unsigned char mark) noexcept {
  const int64_t p = b.pos;
  if (At(b, p) == mark && IsAsciiDigit(At(b, p - 1)) && IsAsciiDigit(At(b, p + 1))) return true;
  return At(b, p - 1) == mark && IsAsciiDigit(At(b, p)) && IsAsciiDigit(At(b, p - 2));
}

int32_t DecimalRule(const Break& b) noexcept {
  return MarkBetweenDigits(b, kFullStop) ? DecimalScan(b) : 0;
}

int32_t ThousandsRule(const Break& b) noexcept {
  return MarkBetweenDigits(b, kComma) ? ThousandsCheck(b, b.pos, 0) : 0;
}

// --- Mail addresses -----------------------------------------------------

// An at sign among the mail characters before the break, with a mail character before it.
bool AtSignBehind(const Break& b) noexcept {
  for (int32_t i = b.pos - 2; i > b.floor; --i) {
    if (At(b, i) == kAtSign) return IsMail(At(b, i - 1));
    if (!IsMail(At(b, i))) return false;
  }
  return false;
}

// The same ahead of the break, up to lineEnd; the byte after an at sign is read
// even when it lies at lineEnd.
bool AtSignAhead(const Break& b) noexcept {
  for (int64_t i = b.pos; i < b.lineEnd; ++i) {
    if (At(b, i) == kAtSign) return IsMail(At(b, i + 1));
    if (!IsMail(At(b, i))) return false;
  }
  return false;
}

// Only breaks just before an at sign or just after a full stop are covered.
bool IsAddressAtBreak(const Break& b) noexcept {
  const int64_t p = b.pos;
  if (At(b, p) == kAtSign && IsMail(At(b, p - 1)) && IsMail(At(b, p + 1))) return true;
  if (At(b, p - 1) != kFullStop || !IsMail(At(b, p)) || !IsMail(At(b, p - 2))) return false;
  return AtSignBehind(b) || AtSignAhead(b);
}

int32_t MailRule(const Break& b) noexcept {
  if (!IsAddressAtBreak(b)) return 0;
  int32_t a = b.pos;
  while (IsMail(At(b, a - 1))) {
    --a;
    if (a <= b.floor) return 0;
  }
  return PastTrailByte(b, a);  // as after ア (0x83 0x41): its second byte is a mail character
}

// Both sides single-byte: the first of these rules to protect something answers.
Answer SingleByteRules(const Break& b) noexcept {
  if (On(b, KeepMailAddress)) {
    const int32_t a = MailRule(b);
    if (a != 0) return {a, BreakDecider::Mail};
  }
  if (On(b, KeepDecimal)) {
    const int32_t a = DecimalRule(b);
    if (a != 0) return {a, BreakDecider::Decimal};
  }
  if (On(b, KeepThousands)) return By(BreakDecider::Thousands, ThousandsRule(b));
  return {0, BreakDecider::None};
}

Answer RunRules(const Break& b) noexcept {
  if (On(b, KeepLetterWords) && IsLetterChar(b.text, b.pos) == 1) {
    const int32_t width = PrevCharWidth(b.text, b.pos);
    if (IsLetterChar(b.text, b.pos - width) == 1)
      return By(BreakDecider::LetterWords, LetterWordRule(b, width));
  }
  if (IsInsideDoubleByte(b.text, b.pos - 1) == 1) return DoubleByteRules(b);
  if (IsLeadByte(At(b, b.pos))) return By(BreakDecider::Counter, CounterRule(b));
  return SingleByteRules(b);
}

}  // namespace

int32_t CheckBuiltInRules(const BreakSettings& settings, LineText text, int32_t breakPos,
                          int32_t lineEnd, BreakTrace* trace) noexcept {
  Answer answer{0, BreakDecider::None};
  if (settings.TarnixFlag != 0 && breakPos > 10)
    answer = RunRules(Break{&settings, text, breakPos, lineEnd, WindowFloor(breakPos)});
  if (trace != nullptr) *trace = {answer.decider, 0};
  return answer.pos;
}

int32_t CheckBreak(const BreakSettings& settings, WordDictionary* dictionary, LineText text,
                   int32_t breakPos, int32_t lineEnd, BreakTrace* trace) noexcept {
  if (dictionary != nullptr) {
    const int32_t word = FindWordAtBreak(*dictionary, text, breakPos, lineEnd, trace);
    if (word != 0) return word;
  }
  return CheckBuiltInRules(settings, text, breakPos, lineEnd, trace);
}

const char* BreakDeciderName(BreakDecider decider) noexcept {
  switch (decider) {
    case BreakDecider::None: return "none";
    case BreakDecider::DictionaryWord: return "word";
    case BreakDecider::Pattern: return "pattern";
    case BreakDecider::WideDigits: return "wide-digits";
    case BreakDecider::WideRoman: return "wide-roman";
    case BreakDecider::Katakana: return "katakana";
    case BreakDecider::Counter: return "counter";
    case BreakDecider::Mail: return "mail";
    case BreakDecider::Decimal: return "decimal";
    case BreakDecider::Thousands: return "thousands";
    case BreakDecider::LetterWords: return "letters";
  }
  return "none";
}
