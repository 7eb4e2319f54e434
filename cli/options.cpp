#include "cli/options.h"

#include <cstring>

#include "settings/break_settings.h"

namespace {

struct RuleName {
  const char* name;
  int32_t bits;
};

constexpr RuleName kRuleNames[] = {
    {"wide-digits", KeepWideDigits}, {"katakana", KeepKatakana},
    {"wide-roman", KeepWideRoman},   {"mail", KeepMailAddress},
    {"counter", KeepCounterSuffix},  {"decimal", KeepDecimal},
    {"thousands", KeepThousands},    {"letters", KeepLetterWords},
    {"all", kAllRuleBits},           {"none", 0},
};

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool LookUpRule(const std::string& name, int32_t* bits) {
  for (const RuleName& rule : kRuleNames) {
    if (name == rule.name) {
      *bits = rule.bits;
      return true;
    }
  }
  return false;
}

bool ParseRuleNames(const std::string& text, int32_t* flags) {
  int32_t all = 0;
  size_t from = 0;
  for (;;) {
    const size_t comma = text.find(',', from);
    int32_t bits = 0;
    if (!LookUpRule(text.substr(from, comma == std::string::npos ? comma : comma - from), &bits))
      return false;
    all |= bits;
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  *flags = all;
  return true;
}

bool StartsNumber(const std::string& text) {
  return !text.empty() && (text[0] == '-' || text[0] == '+' || (text[0] >= '0' && text[0] <= '9'));
}

// Which options a subcommand takes.
struct Applies {
  bool rules;    // --flags, --katakana-max, --counters, --counters-hex, --words
  bool explain;
  bool width;
};

Applies AppliesTo(Command command) {
  switch (command) {
    case Command::Check: return {true, true, false};
    case Command::Wrap: return {true, false, true};
    case Command::Lint: return {false, false, false};
    case Command::Help: break;
  }
  return {false, false, false};
}

const char* CommandName(Command command) {
  switch (command) {
    case Command::Check: return "check";
    case Command::Wrap: return "wrap";
    case Command::Lint: return "lint";
    case Command::Help: break;
  }
  return "help";
}

// One parsing pass over the arguments after the subcommand.
struct ArgCursor {
  int argc;
  const char* const* argv;
  int next;
};

// "--name VALUE" or "--name=VALUE" (and "-wCOLS" for -w). Sets *value when
// `arg` is this option; false with an error when its value is missing.
bool TakeValue(ArgCursor& args, const std::string& arg, const char* name, bool* matched,
               std::string* value, std::string* error) {
  const size_t n = std::strlen(name);
  *matched = false;
  if (arg.compare(0, n, name) != 0) return true;
  if (arg.size() == n) {
    *matched = true;
    if (args.next >= args.argc) {
      *error = std::string("option ") + name + " needs a value";
      return false;
    }
    *value = args.argv[args.next++];
    return true;
  }
  const bool shortForm = name[1] != '-';
  if (arg[n] == '=' || shortForm) {
    *matched = true;
    *value = arg.substr(arg[n] == '=' ? n + 1 : n);
  }
  return true;
}

bool RefuseFor(const CliOptions& o, const std::string& option, bool applies, std::string* error) {
  if (applies) return true;
  *error = "option " + option + " does not apply to " + CommandName(o.command);
  return false;
}

bool ParseValueOption(const std::string& name, const std::string& value, CliOptions* o,
                      std::string* error) {
  int64_t number = 0;
  if (name == "--flags") {
    if (ParseFlags(value, &o->flags)) return true;
    *error = "--flags: not a 32-bit number or a list of rule names: '" + value + "'";
  } else if (name == "--katakana-max") {
    if (ParseInteger(value, INT32_MIN, INT32_MAX, &number)) {
      o->katakanaMax = static_cast<int32_t>(number);
      return true;
    }
    *error = "--katakana-max: not a 32-bit integer: '" + value + "'";
  } else if (name == "--counters") {
    o->countersGiven = true;
    o->countersAreText = true;
    o->counters = value;
    return true;
  } else if (name == "--counters-hex") {
    o->countersGiven = true;
    o->countersAreText = false;
    if (ParseHexBytes(value, &o->counters) && o->counters.size() <= 255 &&
        o->counters.find('\0') == std::string::npos)
      return true;
    *error = "--counters-hex: expected at most 255 bytes as pairs of hex digits, none 00: '" +
             value + "'";
  } else if (name == "--encoding") {
    if (value == "utf-8" || value == "UTF-8" || value == "utf8") {
      o->encoding = TextEncoding::Utf8;
      return true;
    }
    if (value == "cp932" || value == "CP932" || value == "shift_jis") {
      o->encoding = TextEncoding::Cp932;
      return true;
    }
    *error = "--encoding: expected utf-8 or cp932: '" + value + "'";
  } else if (name == "--words") {
    if (!value.empty()) {
      o->wordFile = value;
      return true;
    }
    *error = "--words: empty file name";
  } else if (name == "-w" || name == "--width") {
    if (ParseInteger(value, 1, INT32_MAX, &number)) {
      o->columns = static_cast<int32_t>(number);
      return true;
    }
    *error = name + ": expected a positive number of columns: '" + value + "'";
  }
  return false;
}

struct ValueOption {
  const char* name;
  bool Applies::*applies;  // null: every subcommand
};

constexpr ValueOption kValueOptions[] = {
    {"--flags", &Applies::rules},        {"--katakana-max", &Applies::rules},
    {"--counters-hex", &Applies::rules}, {"--counters", &Applies::rules},
    {"--encoding", nullptr},             {"--words", &Applies::rules},
    {"--width", &Applies::width},        {"-w", &Applies::width},
};

// One argument beginning with "-". False with an error.
bool ParseOption(ArgCursor& args, const std::string& arg, CliOptions* o, std::string* error) {
  const Applies applies = AppliesTo(o->command);
  if (arg == "--explain") {
    o->explain = true;
    return RefuseFor(*o, arg, applies.explain, error);
  }
  for (const ValueOption& option : kValueOptions) {
    bool matched = false;
    std::string value;
    if (!TakeValue(args, arg, option.name, &matched, &value, error)) return false;
    if (!matched) continue;
    if (option.applies && !RefuseFor(*o, option.name, applies.*option.applies, error))
      return false;
    return ParseValueOption(option.name, value, o, error);
  }
  *error = "unknown option '" + arg + "'";
  return false;
}

bool ParseCommandWord(const std::string& word, Command* command) {
  if (word == "check") *command = Command::Check;
  else if (word == "wrap") *command = Command::Wrap;
  else if (word == "lint") *command = Command::Lint;
  else if (word == "--help" || word == "-h" || word == "help") *command = Command::Help;
  else return false;
  return true;
}

bool CheckOperands(const CliOptions& o, std::string* error) {
  if (o.command == Command::Check && !o.operands.empty()) {
    *error = "check reads its cases from standard input and takes no file: '" + o.operands[0] + "'";
    return false;
  }
  if (o.command == Command::Lint && o.operands.size() != 1) {
    *error = "lint takes exactly one word file";
    return false;
  }
  return true;
}

}  // namespace

CliOptions DefaultOptions() noexcept {
  CliOptions o;
  o.command = Command::Help;
  o.flags = kAllRuleBits;
  o.katakanaMax = 10;
  o.countersGiven = false;
  o.countersAreText = false;
  o.encoding = TextEncoding::Utf8;
  o.explain = false;
  o.columns = 72;
  return o;
}

bool ParseInteger(const std::string& text, int64_t min, int64_t max, int64_t* value) {
  size_t at = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++at;
  int base = 10;
  if (text.size() > at + 1 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  if (at >= text.size()) return false;
  // Every accepted range lies within +-2^33, so stop growing past that.
  constexpr int64_t kLimit = int64_t{1} << 33;
  int64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    const int digit = HexDigitValue(text[at]);
    if (digit < 0 || digit >= base) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > kLimit) return false;
  }
  const int64_t result = negative ? -magnitude : magnitude;
  if (result < min || result > max) return false;
  *value = result;
  return true;
}

bool ParseFlags(const std::string& text, int32_t* flags) {
  if (!StartsNumber(text)) return ParseRuleNames(text, flags);
  int64_t number = 0;
  if (!ParseInteger(text, INT32_MIN, UINT32_MAX, &number)) return false;
  // 0xFFFFFFFF and -1 name the same bit set.
  *flags = static_cast<int32_t>(static_cast<uint32_t>(number));
  return true;
}

bool ParseHexBytes(const std::string& text, std::string* bytes) {
  if (text.size() % 2 != 0) return false;
  std::string out;
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigitValue(text[i]);
    const int low = HexDigitValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    out.push_back(static_cast<char>(high * 16 + low));
  }
  *bytes = out;
  return true;
}

bool ParseCommandLine(int argc, const char* const* argv, CliOptions* options, std::string* error) {
  CliOptions o = DefaultOptions();
  if (argc < 2) {
    *error = "no subcommand given (check, wrap or lint)";
    return false;
  }
  if (!ParseCommandWord(argv[1], &o.command)) {
    *error = std::string("unknown subcommand '") + argv[1] + "' (check, wrap or lint)";
    return false;
  }
  ArgCursor args{argc, argv, 2};
  bool optionsEnded = false;
  while (o.command != Command::Help && args.next < argc) {
    const std::string arg = argv[args.next++];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      o.operands.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      o.command = Command::Help;
    } else if (!ParseOption(args, arg, &o, error)) {
      return false;
    }
  }
  if (o.command != Command::Help && !CheckOperands(o, error)) return false;
  *options = o;
  return true;
}
