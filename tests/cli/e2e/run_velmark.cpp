#include "e2e/run_velmark.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli/read_file.h"

extern char** environ;

namespace {

std::string ReadFile(const std::string& path) {
  std::string contents, error;
  ReadWholeFile(path, &contents, &error);
  return contents;
}

// Made on first use, removed with everything in it when the test program ends.
struct Scratch {
  std::string folder;
  Scratch() {
    char pattern[] = "/tmp/velmark-e2e-XXXXXX";
    if (mkdtemp(pattern)) folder = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
  }
};

const std::string& ScratchFolder() {
  static const Scratch scratch;
  return scratch.folder;
}

}  // namespace

std::string ScratchPath(const std::string& name) { return ScratchFolder() + "/" + name; }

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::string Hex(const std::string& bytes) {
  if (bytes.empty()) return "-";
  std::string hex;
  char pair[3];
  for (const char c : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned>(static_cast<unsigned char>(c)));
    hex += pair;
  }
  return hex;
}

VelmarkRun RunVelmark(const std::vector<std::string>& args, const std::string& input) {
  static int runs = 0;
  const std::string stem = ScratchPath("run" + std::to_string(++runs));
  const std::string inPath = stem + ".in", outPath = stem + ".out", errPath = stem + ".err";
  WriteFile(inPath, input);

  std::vector<std::string> all{TARNIX_VELMARK};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  VelmarkRun run{-1, {}, {}};
  if (spawned != 0) {
    run.err = "cannot start " + all[0];
    return run;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  return run;
}
