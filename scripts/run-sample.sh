#!/usr/bin/env bash
# The main job: builds velmark (Release) and wraps the bundled Japanese sample
# at 24 columns with the bundled word file, printing the result.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target velmark
echo
build/native-release/bin/velmark wrap -w 24 --words samples/words.txt samples/sample.txt
