// The library as a module: its exports survive whatever the host passes, its
// state is new at every load, threads come and go, and it says what it is.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

#include "guard/break_check.h"
#include "host_support.h"
#include "settings/break_settings.h"

namespace {

const std::string kLead = "あいうえおかきくけこ";
const std::string kWord = "テスト単語";

class Exports : public HostCase {
 protected:
  // Every rule on, default counters, limit 10, a word file with one word.
  void LoadAllRules() {
    WriteFileBytes(WordFile(), kWord + "\r\n");
    Apply(SystemRegistry(), {Sz("TarnixWordFile", WordFile()), Dword("TarnixFlag", kAllRules)});
    Load();
    ASSERT_TRUE(velmark.module);
  }
  // The same settings in the core, without the dictionary.
  static BreakSettings AllRules() {
    BreakSettings s;
    InitBreakSettings(s);
    s.TarnixFlag = kAllRules;
    std::memcpy(s.NumAfter, kDefaultNumAfter, sizeof kDefaultNumAfter);
    ComputeNumAfterRange(s);
    return s;
  }
  static int32_t CoreAnswer(const std::string& text, int32_t breakPos, int32_t lineEnd) {
    const LineText line{reinterpret_cast<const unsigned char*>(text.c_str()),
                        static_cast<int32_t>(std::strlen(text.c_str()))};
    return CheckBreak(AllRules(), nullptr, line, breakPos, lineEnd, nullptr);
  }
};

TEST_F(Exports, NullTextsAnswerZero) {
  LoadAllRules();
  EXPECT_EQ(velmark.check(nullptr, 30, 40), 0);
  EXPECT_EQ(velmark.isWord(nullptr), 0);
  EXPECT_EQ(velmark.removeWord(nullptr), 0);
  EXPECT_EQ(IsWordIn(velmark, kWord), 1);
}

constexpr int32_t kAsCore = -1;

struct OddCall {
  const char* name;
  std::string text;
  int32_t breakPos;
  int32_t lineEnd;
  int32_t answer;
};

const OddCall kOddCalls[] = {
    {"EmptyText", "", 0, 0, 0},
    {"EmptyTextFarBreak", "", 100, 200, 0},
    {"LineEndFarPastTheText", kLead + kWord + "です", 26, INT_MAX, 20},
    {"NegativeLineEnd", kLead + kWord + "です", 26, -5, 0},
    {"BreakFarPastTheText", kLead + kWord + "です", INT_MAX, INT_MAX, 0},
    {"MostNegativeArguments", kLead + kWord + "です", INT_MIN, INT_MIN, 0},
    // Answers the core's own tests fix; here only the passing through counts.
    {"BreakPastLineEnd", kLead + "abcdef", 23, 5, kAsCore},
    {"LoneLeadByteAtTheEnd", kLead + "abc\x82", 24, 24, kAsCore},
    {"LoneLeadByteBeforeBreak", kLead + "abc\x82", 23, 30, kAsCore},
    {"EscapeCutShort", kLead + "abc\x1a\x01", 23, 25, kAsCore},
    {"EscapeAtBreak", kLead + "abc\x1a\x01\x02\x03" "def", 23, 30, kAsCore},
};

TEST_F(Exports, OddArgumentsGiveAnAnswer) {
  LoadAllRules();
  for (const OddCall& call : kOddCalls) {
    SCOPED_TRACE(call.name);
    const int32_t answer = Check(velmark, call.text, call.breakPos, call.lineEnd);
    const int32_t expected =
        call.answer == kAsCore ? CoreAnswer(call.text, call.breakPos, call.lineEnd) : call.answer;
    EXPECT_EQ(answer, expected);
  }
}

// Random bytes, NULs and escapes included, at random positions: the export
// hands the core the text up to its NUL and passes the positions through.
TEST_F(Exports, RandomLinesAnswerAsTheCore) {
  LoadAllRules();
  std::mt19937 random(20261211);
  // Bytes the rules and walks look at: leads, trails, escapes, NUL, digits, marks.
  const unsigned char alphabet[] = {0x82, 0x83, 0x81, 0x1a, 0x00, '0', '9', ',', '.', '@', 'a',
                                    '-', 'z', 'A', 0x4f, 0x60, 0x5b, 0x40, 0x9f, 0xe0, 0xfc};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const auto length = random() % 60;
    for (unsigned i = 0; i < length; ++i)
      text += random() % 3 == 0 ? static_cast<char>(random() % 256)
                                : static_cast<char>(alphabet[random() % sizeof alphabet]);
    const auto breakPos = static_cast<int32_t>(random() % 80) - 10;
    const auto lineEnd = static_cast<int32_t>(random() % 80) - 10;
    ASSERT_EQ(Check(velmark, text, breakPos, lineEnd), CoreAnswer(text, breakPos, lineEnd))
        << "round " << round;
  }
}

struct WordCall {
  const char* name;
  std::string text;
  int32_t isWord;
};

const WordCall kWordCalls[] = {
    {"Empty", "", 0},
    {"OneByte", "a", 0},
    {"Stored", kWord, 1},
    {"StoredWithMore", kWord + "x", 0},
    {"Prefix", "テスト", 0},
    {"Long", std::string(300, 'a'), 0},
    {"HighBytes", "\xff\xfe\xfd", 0},
};

TEST_F(Exports, WordLookupsOfOddTexts) {
  LoadAllRules();
  for (const WordCall& call : kWordCalls) {
    SCOPED_TRACE(call.name);
    EXPECT_EQ(IsWordIn(velmark, call.text), call.isWord);
  }
  for (const WordCall& call : kWordCalls) {
    SCOPED_TRACE(call.name);
    EXPECT_EQ(velmark.removeWord(call.text.c_str()), call.isWord);
  }
  EXPECT_EQ(IsWordIn(velmark, kWord), 0);
}

// Every load starts from a new state: settings read and the file loaded anew.
TEST_F(Exports, EachLoadStartsAfresh) {
  LoadAllRules();
  EXPECT_EQ(velmark.removeWord(kWord.c_str()), 1);
  Apply(SystemRegistry(), {Dword("TarnixKatakanaMax", 0)});
  EXPECT_EQ(velmark.poll(), 1);
  EXPECT_EQ(Observe(velmark), Expected(kAllRules, kDefaultNumAfter, 0));
  Unload();
  Load();
  ASSERT_TRUE(velmark.module);
  EXPECT_EQ(IsWordIn(velmark, kWord), 1);
  EXPECT_EQ(Observe(velmark), Expected(kAllRules, kDefaultNumAfter, 10));
  Unload();
  Load();
  ASSERT_TRUE(velmark.module);
  EXPECT_EQ(velmark.poll(), 1) << "the stored 0 is picked up again";
}

TEST_F(Exports, ThreadsComeAndGoWhileLoaded) {
  LoadAllRules();
  for (int i = 0; i < 4; ++i) {
    int32_t answer = -1;
    std::thread worker([&] { answer = IsWordIn(velmark, kWord); });
    worker.join();
    EXPECT_EQ(answer, 1);
  }
  EXPECT_EQ(velmark.poll(), 0);
}

// A host that ends without freeing the library: the detach then runs as the
// process goes, with compiled patterns in the list, and must end it cleanly.
TEST_F(Exports, ProcessEndsWithTheLibraryStillLoaded) {
  CopyBuilt(folder, "VxJre.dll", "VxJre.dll");
  WriteFileBytes(WordFile(), "[RegExp]8,ab[0-9]+cd\r\n" + kWord + "\r\n");
  Apply(SystemRegistry(), {Sz("TarnixWordFile", WordFile())});
  EXPECT_EXIT(
      {
        const HMODULE module = LoadLibraryA(InFolder(folder, "Velmark.dll").c_str());
        std::exit(module ? 7 : 1);
      },
      testing::ExitedWithCode(7), "");
}

TEST_F(Exports, VersionResourceNamesTheProduct) {
  const std::string path = InFolder(folder, "Velmark.dll");
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
  const auto text = [&](const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\041104B0\\") + name;
    if (!VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
      return std::string("(none)");
    return std::string(value);
  };
  EXPECT_EQ(text("ProductName"), "Tarnix");
  EXPECT_EQ(text("ProductVersion"), "1.0.0");
  EXPECT_EQ(text("OriginalFilename"), "Velmark.dll");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
}

}  // namespace
