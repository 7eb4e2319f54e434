#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian 12 machine.
# Safe to run again: apt-get skips what is there, the Wine prefix is kept.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  wine wine64 wine32:i386 xvfb xauth fonts-ipafont-gothic fonts-wine
  fp-utils locales
)

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    sudo_ dpkg --add-architecture i386
  fi
  sudo_ apt-get update -q
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The tests run under a Japanese locale so that Wine's ANSI code page is 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo_ sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | sudo_ tee -a /etc/locale.gen >/dev/null
  sudo_ locale-gen >/dev/null
fi
