#include "cli/read_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool ReadWholeFile(const std::string& path, std::string* contents, std::string* error) {
  const bool fromStdin = path == "-";
  std::FILE* file = fromStdin ? stdin : std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::string bytes;
  char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  const int readErrno = errno;
  if (!fromStdin) std::fclose(file);
  if (failed) {
    *error = "cannot read '" + (fromStdin ? std::string("<stdin>") : path) +
             "': " + std::strerror(readErrno);
    return false;
  }
  *contents = std::move(bytes);
  return true;
}
