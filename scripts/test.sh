#!/usr/bin/env bash
# The test command: installs what is missing (the 32-bit Wine DLLs included),
# builds the 64-bit tree, the native sanitizer tree of the data layer and the
# 32-bit tree (the host's ABI), then runs every test: everything on x86_64,
# everything that draws no window on i686 under Wine's WoW64 mode (see
# tests/CMakeLists.txt). Exits non-zero on any failure, and when the 32-bit
# runs cannot be had at all.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

wine32=1
scripts/setup.sh || { rc=$?; [ $rc -eq 3 ] || exit $rc; wine32=0; }
status=0
echo "== format"
scripts/check-format.sh || status=1

trees=(x86_64 native)
[ $wine32 = 1 ] && trees+=(i686)
for tree in "${trees[@]}"; do
  echo "== building $tree"
  scripts/build.sh "$tree"
done

log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT
summary() {  # tree: ctest's verdict line, or why there is none
  grep -E '^[0-9]+% tests passed' "$log/$1" 2>/dev/null || echo "no result"
}
echo "== native data layer under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --test-dir build/native --output-on-failure 2>&1 | tee "$log/native" || status=1
if [ $wine32 = 1 ]; then
  echo "== i686 under Wine's WoW64 mode: every test that draws no window"
  # core_tests opens a window to stand for the manager: a display here too.
  scripts/with-display.sh ctest --test-dir build/i686 --output-on-failure 2>&1 | tee "$log/i686" || status=1
fi
echo "== x86_64 under Wine"
scripts/with-display.sh ctest --test-dir build/x86_64 --output-on-failure 2>&1 | tee "$log/x86_64" || status=1

echo
echo "== summary"
echo "native: $(summary native)"
if [ $wine32 = 1 ]; then
  echo "i686:   $(summary i686)"
else
  status=1
  echo "i686:   NOT RUN: the 32-bit Wine DLLs could not be prepared (see setup above)."
  echo "        The host's ABI went untested; this run FAILS."
fi
echo "x86_64: $(summary x86_64)"
exit $status
