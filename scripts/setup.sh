#!/usr/bin/env bash
# Installs what building and testing need, when it is missing: the native
# toolchain and libraries, the mingw-w64 cross compiler, Wine with a virtual
# display, its own fonts (fonts-wine: Marlett draws the caption buttons) and
# CJK fonts, and the Japanese locale.  Safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ python3 libgtest-dev googletest sqlite3
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix
  wine wine64 fonts-wine xvfb xauth imagemagick fonts-noto-cjk fonts-ipafont-gothic locales
)

# Both builds fetch SQLite's source through npm (the sqlite3 shell is the
# benchmark's reference); a machine with its
# own Node.js keeps it.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
