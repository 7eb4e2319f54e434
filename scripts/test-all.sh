#!/usr/bin/env bash
# Installs what is needed, builds every configuration and runs every suite:
# native Debug and Release, native under the sanitizers, and the Windows
# builds for i686 and x86_64 under Wine. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
export TARNIX_WERROR=ON

step() { printf '\n==== %s\n' "$*"; }

for preset in native-debug native-release native-sanitize; do
  step "$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

. scripts/wine-env.sh
wine_prepare
for preset in mingw-x86 mingw-x64; do
  step "$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  wine_run ctest --preset "$preset"
done

step "deliverables"
bash scripts/make-dist.sh
ls -l dist/x86 dist/x64
