#!/usr/bin/env bash
# Gathers the Windows deliverables of the mingw builds into dist/.
set -euo pipefail
cd "$(dirname "$0")/.."
for pair in x86:mingw-x86 x64:mingw-x64; do
  arch=${pair%%:*}; build=build/${pair#*:}/bin
  mkdir -p "dist/$arch/stand-ins"
  for f in Velmark.dll Velmark.chm TarnixInstaller.exe; do
    [ -f "$build/$f" ] && cp "$build/$f" "dist/$arch/"
  done
  for f in VxJre.dll VxJreNoV318.dll VxRegIni.dll; do
    [ -f "$build/$f" ] && cp "$build/$f" "dist/$arch/stand-ins/"
  done
done
true
