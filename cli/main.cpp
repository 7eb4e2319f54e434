// velmark: the break check, the host's wrapping and a word-file linter on
// the command line.
#include <iostream>
#include <string>

#include "cli/check_command.h"
#include "cli/lint_command.h"
#include "cli/options.h"
#include "cli/session.h"
#include "cli/usage.h"
#include "cli/wrap_command.h"

namespace {

int RunWithSession(const CliOptions& options) {
  Session session;
  std::string error;
  if (!OpenSession(options, &session, &error)) {
    std::cerr << "velmark: " << error << "\n";
    CloseSession(&session);
    return 2;
  }
  const int status =
      options.command == Command::Check
          ? RunCheck(&session, options.explain, std::cin, std::cout, std::cerr)
          : RunWrap(&session, options.columns, options.operands, std::cout, std::cerr);
  std::cout.flush();
  CloseSession(&session);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  CliOptions options;
  std::string error;
  if (!ParseCommandLine(argc, argv, &options, &error)) {
    std::cerr << "velmark: " << error << "\nTry 'velmark --help'.\n";
    return 2;
  }
  switch (options.command) {
    case Command::Help:
      std::cout << kUsageText;
      return 0;
    case Command::Lint:
      return RunLint(options.operands[0], options.encoding, std::cout, std::cerr);
    case Command::Check:
    case Command::Wrap:
      break;
  }
  return RunWithSession(options);
}
