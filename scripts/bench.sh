#!/usr/bin/env bash
# Makes the benchmark corpus from Debian packages (once) and runs the
# benchmarks of the break check in a Release build.
set -euo pipefail
cd "$(dirname "$0")/.."
data=build/bench-data
if [ ! -f "$data/corpus.sjis.txt" ] || [ ! -f "$data/words.sjis.txt" ]; then
  mkdir -p "$data"
  ../shared/bench/make-corpus "$data"
fi
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target tarnix_bench
TARNIX_BENCH_DATA=$data build/native-release/bin/tarnix_bench "$@"
