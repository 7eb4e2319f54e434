// The break check over the rows a 72-column wrap of a real corpus proposes.
// Data: TARNIX_BENCH_DATA (default build/bench-data), made by scripts/bench.sh.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/allocation_counter.h"
#include "cli/encoding.h"
#include "cli/wrap_command.h"
#include "dictionary/word_dictionary.h"
#include "dictionary/word_file.h"
#include "guard/break_check.h"
#include "platform/file_systems.h"
#include "platform/pattern_binding.h"
#include "settings/break_settings.h"

namespace {

constexpr int32_t kColumns = 72;

std::string DataPath(const char* file) {
  const char* dir = std::getenv("TARNIX_BENCH_DATA");
  return std::string(dir ? dir : "build/bench-data") + "/" + file;
}

struct Proposal {
  int32_t line;
  int32_t breakPos;
};

// The corpus lines and every break the wrap proposes for them, recorded once.
struct Corpus {
  std::vector<std::string> lines;
  std::vector<Proposal> proposals;
  bool loaded = false;
};

BreakSettings AllRules() {
  BreakSettings s;
  InitBreakSettings(s);
  s.TarnixFlag = kAllRuleBits;
  std::snprintf(s.NumAfter, sizeof s.NumAfter, "%s", kDefaultNumAfter);
  ComputeNumAfterRange(s);
  return s;
}

LineText TextOf(const std::string& line) {
  return {reinterpret_cast<const unsigned char*>(line.c_str()), static_cast<int32_t>(line.size())};
}

const Corpus& LoadCorpus() {
  static Corpus corpus;
  if (corpus.loaded) return corpus;
  corpus.loaded = true;
  std::ifstream in(DataPath("corpus.sjis.txt"), std::ios::binary);
  const BreakSettings settings = AllRules();
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    corpus.lines.push_back(line);
  }
  for (size_t i = 0; i < corpus.lines.size(); ++i) {
    const std::string& host = corpus.lines[i];
    const LineText text = TextOf(host);
    const BreakAsker ask = [&](int32_t breakPos) {
      corpus.proposals.push_back({static_cast<int32_t>(i), breakPos});
      return CheckBreak(settings, nullptr, text, breakPos, text.length, nullptr);
    };
    WrapRows(host, HostChars(host), kColumns, ask);
  }
  return corpus;
}

struct QuietServices {
  MessageSink sink{nullptr, nullptr};
  PatternLibrary library{};
  DictionaryServices services{};
};

// A dictionary loaded from the benchmark word file, as the library loads it.
WordDictionary* LoadWords(bool withPatterns) {
  static QuietServices quiet[2];
  static WordDictionary dictionaries[2];
  static bool loaded[2];
  const int k = withPatterns ? 1 : 0;
  if (!loaded[k]) {
    loaded[k] = true;
    QuietServices& q = quiet[k];
    if (withPatterns) BindPatternLibrary(q.library);
    q.services = {&q.library, &q.sink, &PlatformFileSystem()};
    InitDictionary(dictionaries[k], &q.services);
    ReloadWordFile(dictionaries[k], DataPath("words.sjis.txt").c_str());
  }
  return &dictionaries[k];
}

void RunChecks(benchmark::State& state, WordDictionary* dictionary) {
  const Corpus& corpus = LoadCorpus();
  if (corpus.proposals.empty()) {
    state.SkipWithError("no corpus: run scripts/bench.sh");
    return;
  }
  const BreakSettings settings = AllRules();
  // One untimed pass, with nothing else running, counts what the check allocates.
  const uint64_t allocationsBefore = AllocationCount();
  for (const Proposal& p : corpus.proposals) {
    const LineText text = TextOf(corpus.lines[static_cast<size_t>(p.line)]);
    benchmark::DoNotOptimize(CheckBreak(settings, dictionary, text, p.breakPos, text.length, nullptr));
  }
  const uint64_t allocations = AllocationCount() - allocationsBefore;
  int64_t moved = 0;
  for (auto _ : state) {
    for (const Proposal& p : corpus.proposals) {
      const std::string& line = corpus.lines[static_cast<size_t>(p.line)];
      const LineText text = TextOf(line);
      const int32_t answer = CheckBreak(settings, dictionary, text, p.breakPos, text.length, nullptr);
      moved += answer != 0;
      benchmark::DoNotOptimize(answer);
    }
  }
  const auto rows = static_cast<double>(corpus.proposals.size());
  state.counters["rows"] = rows;
  state.counters["ns_per_row"] = benchmark::Counter(
      rows * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["moved_share"] =
      static_cast<double>(moved) / (rows * static_cast<double>(state.iterations()));
  state.counters["allocations"] = static_cast<double>(allocations);
}

void BM_CheckBuiltInRules(benchmark::State& state) { RunChecks(state, nullptr); }
void BM_CheckWithWords(benchmark::State& state) { RunChecks(state, LoadWords(false)); }
void BM_CheckWithWordsAndPatterns(benchmark::State& state) { RunChecks(state, LoadWords(true)); }

// Loading the 300,000-word file: parse, sort, drop the 1,200 repeats, build the tables.
void BM_ReloadWordFile(benchmark::State& state) {
  QuietServices q;
  q.services = {&q.library, &q.sink, &PlatformFileSystem()};
  WordDictionary d;
  InitDictionary(d, &q.services);
  const std::string path = DataPath("words.sjis.txt");
  for (auto _ : state) ReloadWordFile(d, path.c_str());
  state.counters["entries"] = d.entryCount;
  DestroyDictionary(d);
}

// The whole wrap of the corpus as velmark does it (the row loop allocates).
void BM_WrapCorpus(benchmark::State& state) {
  const Corpus& corpus = LoadCorpus();
  const BreakSettings settings = AllRules();
  size_t rows = 0;
  for (auto _ : state) {
    rows = 0;
    for (const std::string& host : corpus.lines) {
      const LineText text = TextOf(host);
      const BreakAsker ask = [&](int32_t breakPos) {
        return CheckBreak(settings, nullptr, text, breakPos, text.length, nullptr);
      };
      rows += WrapRows(host, HostChars(host), kColumns, ask).size();
    }
  }
  state.counters["rows"] = static_cast<double>(rows);
}

}  // namespace

BENCHMARK(BM_CheckBuiltInRules)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckWithWords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckWithWordsAndPatterns)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ReloadWordFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WrapCorpus)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
