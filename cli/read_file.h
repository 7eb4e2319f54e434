// Whole files in memory: the wrap and the linter read each input at once.
#pragma once
#include <string>

// The bytes of `path`, or of standard input for "-". False with a message.
bool ReadWholeFile(const std::string& path, std::string* contents, std::string* error);
