// Runs the built velmark with arguments and standard input, and captures
// what it writes and its exit code.
#pragma once
#include <string>
#include <vector>

struct VelmarkRun {
  int exitCode;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

VelmarkRun RunVelmark(const std::vector<std::string>& args, const std::string& input = {});

// A scratch folder of its own for this test program, and a file in it.
std::string ScratchPath(const std::string& name);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// The CP932 bytes as check takes them: hex, "-" for none.
std::string Hex(const std::string& bytes);
