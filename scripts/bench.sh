#!/usr/bin/env bash
# The performance report: builds the tree, runs every benchmark under Wine on
# a private display and prints one table of the headline figures: each next
# to its baseline measured in the same run, the ratio and the target.
#   scripts/bench.sh [x86_64|i686]      (default x86_64)
# Each program's own, fuller report is kept in the folder printed at the end.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
tree=${1:-x86_64}
case "$tree" in
  x86_64) run=scripts/wine-run.sh; scripts/setup.sh --no-wine32 >&2 ;;
  i686) run=scripts/wine-run32.sh; scripts/setup.sh >&2 ;;
  *) echo "usage: scripts/bench.sh [x86_64|i686]" >&2; exit 2 ;;
esac
scripts/build.sh "$tree" >&2

out="$root/build/$tree/bench-report"
rm -rf "$out"
mkdir -p "$out"
programs=(pelmo_bench group_move_bench history_bench manager_bench panel_bench cherry_bench)
cd "$root/build/$tree"
for program in "${programs[@]}"; do
  echo "== $program" >&2
  # The programs print in the system code page (GBK); the report is UTF-8.
  "$root/scripts/with-display.sh" "$root/$run" "bin/$program.exe" 2>"$out/$program.err" |
    iconv -c -f GBK -t UTF-8 >"$out/$program.txt" || echo "$program failed: see $out/$program.err" >&2
done

echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"\
  "$(free -g | awk '/^Mem:/ {print $2}') GiB; $(/usr/lib/wine/wine64 --version 2>/dev/null || echo Wine); build $tree"
echo
echo "| program | what | ours | baseline | ratio | target | met |"
echo "|---|---|---:|---:|---:|---:|:---:|"
for program in "${programs[@]}"; do
  grep '^figure|' "$out/$program.txt" 2>/dev/null |
    awk -F'|' -v program="$program" '{
      what = $2; unit = $3; ours = $4 + 0; base = $5 + 0; target = $6 + 0
      if (base > 0) {
        ratio = ours / base
        shown = sprintf("%.2f", ratio)
        goal = target > 0 ? sprintf("ratio <= %g", target) : "none"
        met = target > 0 ? (ratio <= target ? "yes" : "NO") : ""
        basetext = sprintf("%.1f %s", base, unit)
      } else {
        shown = ""; basetext = ""
        goal = target > 0 ? sprintf("< %g %s", target, unit) : "none"
        met = target > 0 ? (ours < target ? "yes" : "NO") : ""
      }
      printf "| %s | %s | %.1f %s | %s | %s | %s | %s |\n", program, what, ours, unit, basetext, shown, goal, met
    }'
done
echo
echo "Each program's full report: build/$tree/bench-report/"
