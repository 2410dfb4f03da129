#!/usr/bin/env bash
# Runs one Windows program under 64-bit Wine in the project's own prefix.
# Used as CMAKE_CROSSCOMPILING_EMULATOR, by the demo and by the benchmarks.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${PELMO_WINEPREFIX:-$root/.cache/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine takes the ANSI code page from the locale: zh_CN gives GBK (936).
export LC_ALL=zh_CN.UTF-8
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || { echo "wine-run: $wine missing; run scripts/setup.sh" >&2; exit 127; }

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.pelmo-ready" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    # Without a window manager every hidden or closed managed window costs ~2 s.
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
    touch "$WINEPREFIX/.pelmo-ready"
  fi
  # Title-bar buttons draw as letters unless Marlett sits in the prefix's own
  # font folder (Wine's data-dir copy is not picked up under a CJK locale).
  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
) 9>"$WINEPREFIX.lock"

# Wine's helper processes inherit our pipes and hold them open for seconds:
# collect the program's output in files and copy it out after it exits.
out=$(mktemp) err=$(mktemp)
"$wine" "$@" >"$out" 2>"$err"
rc=$?
if [ $rc -ne 0 ] && [ ! -s "$out" ]; then
  # Failed before printing anything: Wine itself did not start (seen once in
  # many runs, while the previous program's wineserver was going away).
  echo "wine-run: $1 exited $rc without output; starting it once more" >&2
  cat "$err" >&2
  /usr/lib/wine/wineserver -w 2>/dev/null
  "$wine" "$@" >"$out" 2>"$err"
  rc=$?
fi
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit $rc
