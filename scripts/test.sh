#!/usr/bin/env bash
# The test command: installs what is missing, builds the 64-bit tree (the one
# that runs under Wine), the 32-bit tree (the host's ABI: its layout checks
# must compile) and the native sanitizer tree of the data layer, then runs
# every test. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/setup.sh
for tree in x86_64 i686 native; do
  echo "== building $tree"
  scripts/build.sh "$tree"
done

status=0
echo "== i686: export names"
ctest --test-dir build/i686 --output-on-failure || status=1
echo "== native data layer under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --test-dir build/native --output-on-failure || status=1
echo "== x86_64 under Wine"
scripts/with-display.sh ctest --test-dir build/x86_64 --output-on-failure || status=1
exit $status
