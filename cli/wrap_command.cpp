#include "cli/wrap_command.h"

#include <algorithm>
#include <ostream>

#include "cli/read_file.h"

#include "guard/break_check.h"
#include "guard/line_text.h"

namespace {

// Index of the last character that starts at or before `pos`.
size_t CharAtOrBefore(const std::vector<CharSpan>& chars, int32_t pos) {
  const auto after = std::upper_bound(chars.begin(), chars.end(), pos,
                                      [](int32_t p, const CharSpan& c) { return p < c.hostStart; });
  return static_cast<size_t>(after - chars.begin()) - 1;
}

// First character that no longer fits on a row starting at `start`.
size_t FitEnd(std::string_view host, const std::vector<CharSpan>& chars, size_t start,
              int32_t width) {
  int64_t used = 0;
  size_t end = start;
  while (end < chars.size() && used + CharColumns(host, chars[end]) <= width)
    used += CharColumns(host, chars[end++]);
  return end;
}

struct SplitLine {
  std::string_view text;    // without its line end
  std::string_view ending;  // "\n", "\r\n" or "" for a last line without one
};

SplitLine NextLine(std::string_view input, size_t* at) {
  const size_t start = *at;
  const size_t lf = input.find('\n', start);
  if (lf == std::string_view::npos) {
    *at = input.size();
    return {input.substr(start), {}};
  }
  *at = lf + 1;
  const bool crlf = lf > start && input[lf - 1] == '\r';
  const size_t textEnd = crlf ? lf - 1 : lf;
  return {input.substr(start, textEnd - start), input.substr(textEnd, lf + 1 - textEnd)};
}

}  // namespace

int32_t CharColumns(std::string_view host, const CharSpan& c) {
  if (c.hostLength == 1) return 1;
  if (IsLeadByte(static_cast<unsigned char>(host[static_cast<size_t>(c.hostStart)]))) return 2;
  return c.hostLength / 2;  // escapes: 4 bytes, 2 columns each
}

std::vector<size_t> WrapRows(std::string_view host, const std::vector<CharSpan>& chars,
                             int32_t width, const BreakAsker& ask) {
  std::vector<size_t> ends;
  size_t start = 0;
  while (start < chars.size()) {
    size_t end = FitEnd(host, chars, start, width);
    if (end == start) end = start + 1;  // wider than a row: it still advances
    if (end == chars.size()) break;
    const int32_t answer = ask(chars[end].hostStart);
    if (answer > chars[start].hostStart && answer < chars[end].hostStart) {
      const size_t before = CharAtOrBefore(chars, answer);
      if (before > start) end = before;
    }
    ends.push_back(end);
    start = end;
  }
  ends.push_back(chars.size());
  return ends;
}

bool WrapText(Session* session, int32_t width, const std::string& name, std::string_view input,
              std::ostream& out, std::string* error) {
  size_t at = 0;
  std::string_view lastEnding = "\n";
  for (long number = 1; at < input.size(); ++number) {
    const SplitLine line = NextLine(input, &at);
    std::string host;
    std::vector<CharSpan> chars;
    if (session->encoding == TextEncoding::Cp932) {
      host.assign(line.text);
      chars = HostChars(host);
    } else {
      size_t bad = 0;
      if (!Utf8ToHost(line.text, &host, &chars, &bad)) {
        *error = name + ":" + std::to_string(number) + ": malformed UTF-8 at byte " +
                 std::to_string(bad + 1) + " of the line";
        return false;
      }
    }
    if (!line.ending.empty()) lastEnding = line.ending;
    if (host.size() > INT32_MAX - 1) {
      *error = name + ":" + std::to_string(number) + ": line too long";
      return false;
    }
    // host.c_str() keeps a NUL after the line, as the host's buffer has.
    const LineText text{reinterpret_cast<const unsigned char*>(host.c_str()),
                        static_cast<int32_t>(host.size())};
    const BreakAsker ask = [&](int32_t breakPos) {
      return CheckBreak(session->settings, SessionDictionary(session), text, breakPos,
                        text.length, nullptr);
    };
    const std::vector<size_t> ends = WrapRows(host, chars, width, ask);
    size_t from = 0;
    for (size_t k = 0; k < ends.size(); ++k) {
      const size_t sourceFrom = from < chars.size() ? chars[from].sourceStart : line.text.size();
      const size_t sourceTo = ends[k] < chars.size() ? chars[ends[k]].sourceStart : line.text.size();
      out << line.text.substr(sourceFrom, sourceTo - sourceFrom);
      out << (k + 1 < ends.size() ? lastEnding : line.ending);
      from = ends[k];
    }
  }
  return true;
}

int RunWrap(Session* session, int32_t width, const std::vector<std::string>& files,
            std::ostream& out, std::ostream& err) {
  const std::vector<std::string> names = files.empty() ? std::vector<std::string>{"-"} : files;
  for (const std::string& file : names) {
    std::string contents;
    std::string error;
    if (!ReadWholeFile(file, &contents, &error)) {
      err << "velmark: " << error << "\n";
      return 2;
    }
    if (!WrapText(session, width, file == "-" ? "<stdin>" : file, contents, out, &error)) {
      out.flush();
      err << "velmark: " << error << "\n";
      return 2;
    }
  }
  return 0;
}
