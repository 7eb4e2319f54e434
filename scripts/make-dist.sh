#!/usr/bin/env bash
# Gathers the Windows deliverables of the mingw builds into dist/: the library
# (and, once built, its help file and the installer) in dist/x86 and dist/x64,
# the stand-ins for the host's helper libraries in dist/*/stand-ins.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=0
for pair in x86:mingw-x86 x64:mingw-x64; do
  arch=${pair%%:*}; build=build/${pair#*:}/bin
  mkdir -p "dist/$arch/stand-ins"
  for f in Velmark.dll Velmark.chm TarnixInstaller.exe; do
    if [ -f "$build/$f" ]; then
      cp "$build/$f" "dist/$arch/"
    elif [ "$f" = Velmark.dll ]; then
      echo "make-dist: $build/$f is missing" >&2; missing=1
    fi
  done
  for f in VxJre.dll VxJreNoV318.dll VxRegIni.dll; do
    if [ -f "$build/$f" ]; then
      cp "$build/$f" "dist/$arch/stand-ins/"
    else
      echo "make-dist: $build/$f is missing" >&2; missing=1
    fi
  done
done
exit $missing
