#include "cli/check_command.h"

#include <istream>
#include <ostream>
#include <vector>

#include "cli/encoding.h"
#include "cli/options.h"
#include "guard/break_check.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    const size_t start = at;
    while (at < line.size() && !IsBlank(line[at])) ++at;
    if (at > start) fields.push_back(line.substr(start, at - start));
  }
  return fields;
}

// Plain decimal only: the positions of a case are never hex.
bool ParseDecimal32(std::string_view field, int32_t* value) {
  const size_t digits = field.size() - (field[0] == '-' || field[0] == '+' ? 1 : 0);
  if (digits == 0 || digits > 11) return false;
  for (size_t i = field.size() - digits; i < field.size(); ++i)
    if (field[i] < '0' || field[i] > '9') return false;
  int64_t number = 0;
  if (!ParseInteger(std::string(field), INT32_MIN, INT32_MAX, &number)) return false;
  *value = static_cast<int32_t>(number);
  return true;
}

std::string Explanation(const Session& session, const BreakTrace& trace) {
  const bool fromDictionary =
      trace.decider == BreakDecider::DictionaryWord || trace.decider == BreakDecider::Pattern;
  if (!fromDictionary || !session.hasDictionary) return BreakDeciderName(trace.decider);
  const WordDictionary& d = session.dictionary;
  const auto* bytes = reinterpret_cast<const char*>(EntryBytes(d, trace.detail));
  return FromHost(session.encoding,
                  std::string_view(bytes, static_cast<size_t>(EntryLength(d, trace.detail))));
}

}  // namespace

bool ParseCheckCase(std::string_view line, CheckCase* result, std::string* error) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::vector<std::string_view> fields = SplitFields(line);
  if (fields.size() != 3) {
    *error = "expected TEXTHEX BREAKPOS LINEEND, found " + std::to_string(fields.size()) +
             (fields.size() == 1 ? " field" : " fields");
    return false;
  }
  CheckCase c;
  if (fields[0] != "-" && !ParseHexBytes(std::string(fields[0]), &c.text)) {
    *error = "TEXTHEX is not pairs of hex digits (write - for an empty text)";
    return false;
  }
  if (c.text.size() > INT32_MAX - 1) {
    *error = "TEXTHEX is too long";
    return false;
  }
  if (!ParseDecimal32(fields[1], &c.breakPos)) {
    *error = "BREAKPOS is not a 32-bit decimal integer: '" + std::string(fields[1]) + "'";
    return false;
  }
  if (!ParseDecimal32(fields[2], &c.lineEnd)) {
    *error = "LINEEND is not a 32-bit decimal integer: '" + std::string(fields[2]) + "'";
    return false;
  }
  *result = std::move(c);
  return true;
}

std::string AnswerCase(Session* session, const CheckCase& c, bool explain) {
  // The host's line is followed by a NUL; the pattern library relies on it.
  std::vector<unsigned char> line(c.text.begin(), c.text.end());
  line.push_back(0);
  const LineText text{line.data(), static_cast<int32_t>(c.text.size())};
  BreakTrace trace{BreakDecider::None, 0};
  const int32_t answer = CheckBreak(session->settings, SessionDictionary(session), text,
                                    c.breakPos, c.lineEnd, &trace);
  std::string out = std::to_string(answer);
  if (explain) out += "\t" + Explanation(*session, trace);
  return out;
}

int RunCheck(Session* session, bool explain, std::istream& in, std::ostream& out,
             std::ostream& err) {
  int status = 0;
  std::string line;
  for (long number = 1; std::getline(in, line); ++number) {
    CheckCase c;
    std::string error;
    if (!ParseCheckCase(line, &c, &error)) {
      err << "velmark: line " << number << ": " << error << "\n";
      status = 2;
      continue;
    }
    // Flushed per case, so that a program can talk to velmark case by case.
    out << AnswerCase(session, c, explain) << std::endl;
  }
  return status;
}
