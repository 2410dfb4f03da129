#!/usr/bin/env bash
# Runs one Windows program under 64-bit Wine in the project's own prefix.
# Used as CMAKE_CROSSCOMPILING_EMULATOR, by the demo and by the benchmarks.
# 32-bit programs go through scripts/wine-run32.sh (PELMO_WINE_WOW64=1): Wine's
# WoW64 mode, a prefix of their own and the 32-bit DLLs that setup.sh unpacks.
# PELMO_GTEST=1 (set by CTest on every GoogleTest entry) makes a run count
# only with GoogleTest's success summary in its output.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wow64=${PELMO_WINE_WOW64:-0}
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# A crash would start winedbg, which waits for a person: fail instead.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
if [ "$wow64" = 1 ]; then
  export WINEPREFIX="${PELMO_WINEPREFIX32:-$root/.cache/wineprefix32}"
  export WINEDLLPATH="${WINEDLLPATH:-$root/.cache/wine32/dllpath}"
  if [ ! -f "$WINEDLLPATH/i386-windows/ntdll.dll" ]; then
    echo "wine-run32: ********************************************************" >&2
    echo "wine-run32: no 32-bit Wine DLLs in WINEDLLPATH=$WINEDLLPATH" >&2
    echo "wine-run32: (run scripts/setup.sh); $1 cannot run" >&2
    echo "wine-run32: ********************************************************" >&2
    exit 125
  fi
else
  export WINEPREFIX="${PELMO_WINEPREFIX:-$root/.cache/wineprefix}"
fi
# Wine takes the ANSI code page from the locale: zh_CN gives GBK (936).
export LC_ALL=zh_CN.UTF-8
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || { echo "wine-run: $wine missing; run scripts/setup.sh" >&2; exit 127; }

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  # A WoW64 prefix made without the 32-bit DLLs keeps an empty syswow64 that
  # wineboot -u does not repair: make it anew.
  if [ "$wow64" = 1 ] && [ -f "$WINEPREFIX/.pelmo-ready" ] &&
     [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/ntdll.dll" ]; then
    /usr/lib/wine/wineserver -k 2>/dev/null
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/.pelmo-ready" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    # Without a window manager every hidden or closed managed window costs ~2 s.
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    if [ "$wow64" = 1 ]; then
      for key in 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
                 'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug'; do
        "$wine" reg add "$key" /v Auto /d 0 /f >/dev/null 2>&1
      done
    fi
    /usr/lib/wine/wineserver -w
    if [ "$wow64" = 1 ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/ntdll.dll" ]; then
      echo "wine-run32: the new prefix $WINEPREFIX has no syswow64\\ntdll.dll: 32-bit Wine is broken" >&2
      exit 125
    fi
    touch "$WINEPREFIX/.pelmo-ready"
  fi
  # Title-bar buttons draw as letters unless Marlett sits in the prefix's own
  # font folder (Wine's data-dir copy is not picked up under a CJK locale).
  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
) 9>"$WINEPREFIX.lock" || exit $?

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
# A WoW64 set-up that cannot load the 32-bit ntdll exits 0 having run nothing.
if [ "${PELMO_GTEST:-0}" = 1 ] && [ $rc -eq 0 ]; then
  if ! grep -Eq '^\[  PASSED  \] [1-9][0-9]* tests?\.' "$out" || grep -q '^\[  FAILED  \]' "$out"; then
    echo "wine-run: $1 exited 0 without GoogleTest's success summary: it did not really run" >&2
    rc=1
  fi
fi
rm -f "$out" "$err"
exit $rc
