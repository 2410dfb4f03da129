#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on Debian bookworm.
# Idempotent: when every package is already present it returns in a second.
#   --no-wine32  skips the 32-bit Wine DLLs (the demo runs the 64-bit build only)
# Exits 3 when only the 32-bit Wine DLLs could not be had.
set -euo pipefail
wine32_wanted=1
[ "${1:-}" = "--no-wine32" ] && wine32_wanted=0

packages=(
  cmake ninja-build git ca-certificates
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 xvfb xauth x11-apps imagemagick
  fonts-wqy-microhei fonts-wine locales
  googletest g++ clang-format
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

# ---- 32-bit Wine DLLs: the i686 build's tests run under 64-bit Wine's WoW64 --
# Only the Windows-side 32-bit DLLs of the installed Wine are needed. They are
# fetched from the same archive with a private package list, so the machine's
# package architectures (dpkg --print-foreign-architectures) never change, and
# unpacked into .cache/wine32/. WINEDLLPATH (scripts/wine-run32.sh) then names
# .cache/wine32/dllpath, a folder of two links:
#   i386-windows -> the unpacked 32-bit PE DLLs
#   x86_64-unix  -> the installed 64-bit Unix side (without it, DLLs with a
#                   Unix part, the window driver among them, fail to load)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine32="$root/.cache/wine32"

# sha256 of libwine:i386 per version; apt verifies every download against the
# archive's signed index, this pin also catches a cached file that went bad.
# Other versions are checked against the index's own sha256.
declare -A libwine_i386_sha256=(
  ["8.0~repack-4"]=c992aad6a47d81b719514f5d06c5df10267f1e40a6f4f3b4e3f655cbbf308d57
)

wine32_fail() {
  cat >&2 <<MSG

setup: ******************************************************************
setup: 32-bit Wine DLLs unavailable: $1
${2:+$2
}setup: The i686 build's tests cannot run; the test command fails.
setup: ******************************************************************

MSG
  exit 3
}

wine32_ready() {  # quick: marker of this version, links in place, DLLs intact
  local version=$1 dir="$wine32/$version"
  [ -f "$dir/ready" ] || return 1
  [ "$(readlink "$wine32/dllpath/i386-windows")" = "../$version/root/usr/lib/i386-linux-gnu/wine/i386-windows" ] || return 1
  [ "$(readlink "$wine32/dllpath/x86_64-unix")" = "/usr/lib/x86_64-linux-gnu/wine/x86_64-unix" ] || return 1
  # Hashing all 550 MB takes seconds: names and sizes of every file, and the
  # hashes of the DLLs that every 32-bit start loads.
  local windows="$dir/root/usr/lib/i386-linux-gnu/wine/i386-windows"
  [ "$(cd "$windows" && find . -type f -printf '%P %s\n' | LC_ALL=C sort)" = "$(cat "$dir/files")" ] || return 1
  (cd "$windows" && sha256sum --quiet --strict -c "$dir/core-dlls.sha256" >/dev/null 2>&1)
}

wine32_prepare() {
  local version
  version=$(dpkg-query -W -f='${Version}' libwine:amd64 2>/dev/null) || wine32_fail "libwine:amd64 is not installed"
  wine32_ready "$version" && return 0

  echo "setup: preparing the 32-bit Wine DLLs of libwine $version in .cache/wine32"
  local dir="$wine32/$version" lists="$wine32/apt/lists" archives="$wine32/apt/archives"
  mkdir -p "$lists/partial" "$archives/partial" "$wine32/dllpath"
  # i386 only for this private list; no system package cache is written.
  local opts=(-o APT::Architectures::=i386 -o Dir::State::Lists="$lists"
              -o Dir::Cache::Archives="$archives" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
              -o APT::Sandbox::User="$(id -un)")
  local apt=(apt-get -q "${opts[@]}")
  local deb=("$archives"/libwine_*_i386.deb) want=""
  # The cached package, if it is the one we want, saves the 95 MB download.
  if [ -n "${libwine_i386_sha256[$version]:-}" ]; then
    want=${libwine_i386_sha256[$version]}
  fi
  if [ -z "$want" ] || [ ! -f "${deb[0]}" ] || [ "$(sha256sum <"${deb[0]}" | cut -d' ' -f1)" != "$want" ]; then
    "${apt[@]}" update >/dev/null 2>"$wine32/apt.log" || wine32_fail "apt-get update failed: $(tail -3 "$wine32/apt.log")"
    local indexed
    indexed=$(apt-cache "${opts[@]}" show "libwine:i386=$version" 2>/dev/null | sed -n 's/^SHA256: //p' | head -1) || true
    [ -n "$indexed" ] ||
      wine32_fail "no libwine:i386 $version (the installed amd64 version) in the archive's index" \
                  "$(grep -m3 '^[WE]:' "$wine32/apt.log")"
    [ -z "$want" ] || [ "$want" = "$indexed" ] || wine32_fail "the archive's libwine:i386 $version is not the pinned one"
    want=$indexed
    rm -f "$archives"/libwine_*_i386.deb
    (cd "$archives" && "${apt[@]}" download "libwine:i386=$version" >/dev/null 2>>"$wine32/apt.log") ||
      wine32_fail "apt-get download libwine:i386=$version failed: $(tail -3 "$wine32/apt.log")"
    deb=("$archives"/libwine_*_i386.deb)
  fi
  [ -f "${deb[0]}" ] || wine32_fail "no libwine:i386 package after the download"
  local sum
  sum=$(sha256sum <"${deb[0]}" | cut -d' ' -f1)
  [ "$sum" = "$want" ] || wine32_fail "${deb[0]#"$root"/}: sha256 $sum, expected $want"

  # Unpacked aside and renamed: an interrupted run leaves no half tree in use.
  rm -rf "$dir" "$dir.new"
  mkdir -p "$dir.new/root"
  dpkg-deb -x "${deb[0]}" "$dir.new/root" || wine32_fail "dpkg-deb -x ${deb[0]##*/} failed"
  local windows="$dir.new/root/usr/lib/i386-linux-gnu/wine/i386-windows"
  [ -f "$windows/ntdll.dll" ] || wine32_fail "the package holds no i386-windows/ntdll.dll"
  (cd "$windows" && find . -type f -printf '%P %s\n' | LC_ALL=C sort >"$dir.new/files" &&
   sha256sum ntdll.dll kernel32.dll kernelbase.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll \
     ucrtbase.dll comctl32.dll >"$dir.new/core-dlls.sha256") || wine32_fail "cannot list the unpacked DLLs"
  echo "$sum" >"$dir.new/ready"
  mv "$dir.new" "$dir"
  ln -sfn "../$version/root/usr/lib/i386-linux-gnu/wine/i386-windows" "$wine32/dllpath/i386-windows"
  ln -sfn /usr/lib/x86_64-linux-gnu/wine/x86_64-unix "$wine32/dllpath/x86_64-unix"
  # Other versions left behind by an upgrade of Wine.
  find "$wine32" -mindepth 1 -maxdepth 1 -type d ! -name apt ! -name dllpath ! -name "$version" -exec rm -rf {} +
  wine32_ready "$version" || wine32_fail "the prepared tree does not check out"
  echo "setup: 32-bit Wine DLLs ready"
}

[ $wine32_wanted = 1 ] || exit 0
mkdir -p "$wine32"
(
  flock 9
  wine32_prepare
) 9>"$wine32.lock"
