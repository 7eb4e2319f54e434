// The bundled word file is what a new word file looks like, plus words.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cli/read_file.h"
#include "dictionary/word_file.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::string contents, error;
  ReadWholeFile(path, &contents, &error);
  return contents;
}

TEST(Samples, WordFileBeginsWithTheNewFileHeaderInCrLf) {
  const std::string words = ReadFile(TARNIX_SAMPLES_DIR "/words.txt");
  ASSERT_GT(words.size(), static_cast<size_t>(kWordFileHeaderSize));
  EXPECT_EQ(words.compare(0, kWordFileHeaderSize, kWordFileHeader, kWordFileHeaderSize), 0);
  for (size_t lf = words.find('\n'); lf != std::string::npos; lf = words.find('\n', lf + 1))
    ASSERT_EQ(words[lf - 1], '\r') << "at byte " << lf;
}

}  // namespace
