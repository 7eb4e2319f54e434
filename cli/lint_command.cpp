#include "cli/lint_command.h"

#include <cstdio>
#include <map>
#include <ostream>

#include "cli/encoding.h"
#include "cli/read_file.h"
#include "cli/session.h"
#include "dictionary/message_sink.h"
#include "dictionary/word_dictionary.h"
#include "dictionary/word_file_lines.h"
#include "platform/dynamic_library.h"
#include "platform/pattern_binding.h"

namespace {

// A library that accepts every pattern: checks a pattern line's form alone.
int VX_CALL AcceptOpen(JreRecord*) { return 1; }
int VX_CALL AcceptCompile(JreRecord*, const char*) { return 1; }
int VX_CALL AcceptMatch(JreRecord*, const char*) { return 0; }
int VX_CALL AcceptMatchV318(JreRecord*, const char*, int32_t, int32_t, int32_t) { return 0; }
int VX_CALL AcceptClose(JreRecord*) { return 1; }
constexpr PatternLibrary kFormOnlyLibrary{&AcceptOpen, &AcceptCompile, &AcceptMatch,
                                          &AcceptMatchV318, &AcceptClose};

void RecordMessage(void* context, const char* cp932Text) {
  *static_cast<std::string*>(context) = cp932Text;
}

// Compiles pattern lines one by one on a dictionary of their own, telling
// the two errors apart by the message the core shows.
struct PatternProbe {
  std::string message;
  MessageSink sink;
  DictionaryServices services;
  WordDictionary dictionary;
};

void OpenProbe(PatternProbe* probe, const PatternLibrary* library) {
  probe->sink = MessageSink{&RecordMessage, &probe->message};
  probe->services = DictionaryServices{library, &probe->sink, nullptr};
  InitDictionary(probe->dictionary, &probe->services);
}

void CloseProbe(PatternProbe* probe) {
  ReleasePatterns(probe->dictionary);
  DestroyDictionary(probe->dictionary);
}

// True, with the error, when the pattern line does not compile.
bool FindPatternFault(PatternProbe* probe, const unsigned char* bytes, int32_t length,
                  LintKind* fault) {
  probe->message.clear();
  constexpr int32_t kPrefix = 8;  // "[RegExp]"
  if (CompilePatternEntry(probe->dictionary, bytes + kPrefix, length - kPrefix, 0, 0) != 0)
    return false;
  *fault = probe->message == kPatternMalformedMessage ? LintKind::Malformed : LintKind::Refused;
  return true;
}

void Add(LintResult* r, int32_t line, LintKind kind, std::string text = {}, int32_t value = 0,
         int32_t value2 = 0) {
  r->findings.push_back(LintFinding{line, kind, std::move(text), value, value2});
}

// What the whole file says before its lines are looked at.
void LintEncoding(const unsigned char* contents, uint32_t size, LintResult* r) {
  if (size >= 2 && ((contents[0] == 0xFF && contents[1] == 0xFE) ||
                    (contents[0] == 0xFE && contents[1] == 0xFF))) {
    Add(r, 1, LintKind::Utf16);
    return;
  }
  if (size >= 3 && contents[0] == 0xEF && contents[1] == 0xBB && contents[2] == 0xBF)
    Add(r, 1, LintKind::Utf8Mark);
  const std::string_view all(reinterpret_cast<const char*>(contents), size);
  std::string ignored;
  bool nonAscii = false;
  for (uint32_t at = 0; at < size; ++at) nonAscii = nonAscii || contents[at] >= 0x80;
  if (nonAscii && Utf8ToHost(all, &ignored, nullptr, nullptr)) Add(r, 1, LintKind::LooksLikeUtf8);
}

void CountEntry(LintResult* r, const unsigned char* bytes, int32_t length) {
  if (IsCommentEntry(bytes, length)) ++r->comments;
  else if (IsPatternEntry(bytes, length)) ++r->patterns;
  else ++r->words;
}

LintKind DroppedKind(LineVerdict verdict) {
  switch (verdict) {
    case LineVerdict::OneByte: return LintKind::OneByte;
    case LineVerdict::LeadingSpace: return LintKind::LeadingSpace;
    case LineVerdict::BadFirstByte: break;
    case LineVerdict::Entry: break;
  }
  return LintKind::BadFirstByte;
}

std::string Shown(const std::string& text, TextEncoding encoding) {
  return "\"" + FromHost(encoding, text) + "\"";
}

std::string Hex(int32_t value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "0x%02X", static_cast<unsigned>(value));
  return buffer;
}

}  // namespace

LintResult LintContents(const unsigned char* contents, uint32_t size,
                        const PatternLibrary* library) {
  LintResult r{};
  LintEncoding(contents, size, &r);
  PatternProbe probe;
  OpenProbe(&probe, library ? library : &kFormOnlyLibrary);
  std::map<std::string, int32_t> firstLineOf;
  uint32_t cursor = 0;
  int32_t physicalLine = 1;
  WordFileLine line{};
  WordFileLine previous{};
  bool havePrevious = false;
  while (NextWordFileLine(contents, size, &cursor, &physicalLine, &line)) {
    const unsigned char* bytes = contents + line.offset;
    const std::string raw(reinterpret_cast<const char*>(bytes), static_cast<size_t>(line.length));
    if (havePrevious && previous.physicalLine == line.physicalLine)
      Add(&r, line.physicalLine, LintKind::Split, raw, previous.endedBy);
    previous = line;
    havePrevious = true;

    const int32_t capped = CapEntryLength(bytes, line.length);
    if (capped < line.length) Add(&r, line.physicalLine, LintKind::Cut, {}, line.length, capped);
    const LineVerdict verdict = JudgeWordFileLine(bytes, capped);
    if (verdict != LineVerdict::Entry) {
      ++r.dropped;
      Add(&r, line.physicalLine, DroppedKind(verdict), raw, bytes[0]);
      continue;
    }
    const std::string entry(raw, 0, static_cast<size_t>(capped));
    const auto seen = firstLineOf.find(entry);
    if (seen != firstLineOf.end()) {
      ++r.duplicates;
      Add(&r, line.physicalLine, LintKind::Duplicate, entry, seen->second);
      continue;
    }
    firstLineOf.emplace(entry, line.physicalLine);
    CountEntry(&r, bytes, capped);
    LintKind fault = LintKind::Malformed;
    if (IsPatternEntry(bytes, capped) && FindPatternFault(&probe, bytes, capped, &fault)) {
      ++r.faultyPatterns;
      Add(&r, line.physicalLine, fault, entry);
    }
  }
  // Bytes after the first NUL are never read.
  for (uint32_t at = cursor + 1; cursor < size && at < size; ++at) {
    if (contents[at] != 0) {
      Add(&r, physicalLine, LintKind::Nul);
      break;
    }
  }
  CloseProbe(&probe);
  return r;
}

std::string DescribeFinding(const LintFinding& f, TextEncoding encoding) {
  const std::string at = std::to_string(f.line) + ": ";
  switch (f.kind) {
    case LintKind::Utf16:
      return at + "begins with a UTF-16 byte-order mark; word files are CP932 text";
    case LintKind::Utf8Mark:
      return at + "begins with a UTF-8 byte-order mark, which becomes part of the first entry";
    case LintKind::LooksLikeUtf8:
      return at + "the file looks like UTF-8; word files are CP932 (iconv -f UTF-8 -t CP932)";
    case LintKind::Nul:
      return at + "NUL byte: nothing after it is read";
    case LintKind::Split:
      return at + "control byte " + Hex(f.value) + " splits the line: " +
             Shown(f.text, encoding) + " is read as a line of its own";
    case LintKind::Cut:
      return at + std::to_string(f.value) + " bytes long: cut to " + std::to_string(f.value2) +
             " bytes";
    case LintKind::OneByte:
      return at + "dropped: only one byte " + Shown(f.text, encoding);
    case LintKind::LeadingSpace:
      return at + "dropped: begins with a space " + Shown(f.text, encoding);
    case LintKind::BadFirstByte:
      return at + "dropped: begins with byte " + Hex(f.value);
    case LintKind::Duplicate:
      return at + "duplicate of line " + std::to_string(f.value) + ", removed at load " +
             Shown(f.text, encoding);
    case LintKind::Malformed:
      return at + "malformed pattern line (error 1), expected [RegExp]N,pattern with N > 0: " +
             Shown(f.text, encoding);
    case LintKind::Refused:
      return at + "pattern refused by the regular-expression library (error 2): " +
             Shown(f.text, encoding);
  }
  return at;
}

int RunLint(const std::string& path, TextEncoding encoding, std::ostream& out, std::ostream& err) {
  std::string error;
  if (!CheckReadableFile(path, &error)) {
    err << "velmark: " << error << "\n";
    return 2;
  }
  std::string contents;
  if (!ReadWholeFile(path, &contents, &error)) {
    err << "velmark: " << error << "\n";
    return 2;
  }
  if (contents.size() > UINT32_MAX) {
    err << "velmark: '" << path << "' is 4 GB or larger\n";
    return 2;
  }
  PatternLibrary library{};
  const bool bound = BindPatternLibrary(library) != 0;
  const LintResult r = LintContents(reinterpret_cast<const unsigned char*>(contents.data()),
                                    static_cast<uint32_t>(contents.size()),
                                    bound ? &library : nullptr);
  for (const LintFinding& f : r.findings) out << path << ":" << DescribeFinding(f, encoding) << "\n";
  out << path << ": " << r.words << " words, " << r.comments << " comments, " << r.patterns
      << " pattern lines; " << r.dropped << " dropped lines, " << r.duplicates
      << " duplicates, " << r.faultyPatterns << " faulty pattern lines\n";
  if (!bound && r.patterns > 0)
    err << "velmark: warning: the pattern library " << kPatternLibraryFileName
        << " is not beside velmark; pattern lines were checked for their form only\n";
  return r.faultyPatterns > 0 ? 1 : 0;
}
