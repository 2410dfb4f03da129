#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on Debian bookworm.
# Idempotent: when every package is already present it returns in a second.
set -euo pipefail

packages=(
  cmake ninja-build git ca-certificates
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 xvfb xauth x11-apps imagemagick
  fonts-wqy-microhei fonts-wine locales
  googletest g++
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# npm fetches the pinned SQLite sources; a machine may already carry its own Node.js.
command -v npm >/dev/null 2>&1 || missing+=(nodejs npm)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  # --no-install-recommends keeps 32-bit Wine out: it cannot run on these machines.
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine takes its ANSI code page from the locale; zh_CN gives GBK (936).
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  echo "setup: generating zh_CN.UTF-8 locale"
  $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
