// The command line of velmark: a subcommand, then its options and operands.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class Command { Check, Wrap, Lint, Help };
enum class TextEncoding { Utf8, Cp932 };

struct CliOptions {
  Command command;
  int32_t flags;           // TarnixFlag, any 32-bit value
  int32_t katakanaMax;
  bool countersGiven;      // false: the default counter characters
  bool countersAreText;    // --counters (text in the input encoding) or --counters-hex
  std::string counters;    // the text as given, or the raw bytes of the hex
  TextEncoding encoding;
  std::string wordFile;    // empty: no word file
  bool explain;            // check: say what decided
  int32_t columns;         // wrap: row width
  std::vector<std::string> operands;  // wrap: input files; lint: the word file
};

// Options as they are when none is given.
CliOptions DefaultOptions() noexcept;

// False with a message for the user (without program name) on any error.
bool ParseCommandLine(int argc, const char* const* argv, CliOptions* options, std::string* error);

// Numbers as options take them: optional sign, decimal or 0x hex, within [min, max].
bool ParseInteger(const std::string& text, int64_t min, int64_t max, int64_t* value);
// A TarnixFlag: a number (0x80000000..0xFFFFFFFF allowed) or rule names
// separated by commas (wide-digits, katakana, ..., all, none).
bool ParseFlags(const std::string& text, int32_t* flags);
// Pairs of hex digits; "" gives no bytes.
bool ParseHexBytes(const std::string& text, std::string* bytes);
