#!/usr/bin/env bash
# The demo command: installs, builds and runs the demo host.
#   With a display (DISPLAY set) the windows open for a person to use.
#   Without one, or with --shots, the host runs its scenario by itself on a
#   private Xvfb and leaves PNG screenshots in the folder it prints.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

shots=""
[ "${1:-}" = "--shots" ] && shots=1
[ -z "${DISPLAY:-}" ] && shots=1

scripts/setup.sh --no-wine32
scripts/build.sh x86_64

bin="$root/build/x86_64/bin"
# The host makes the sample user's data directory, demo-user, in its working folder.
cd "$root/build/x86_64"
if [ -z "$shots" ]; then
  # The host prints in the system code page (GBK); the terminal wants UTF-8.
  "$root/scripts/wine-run.sh" "$bin/pelmo_demo.exe" | iconv -c -f GBK -t UTF-8
  exit "${PIPESTATUS[0]}"
fi

out="$root/screenshots"
rm -rf "$out"
mkdir -p "$out"
winout="Z:${out//\//\\}"
run_shots() {
  "$root/scripts/wine-run.sh" "$bin/pelmo_demo.exe" --shots "$winout" | iconv -c -f GBK -t UTF-8
}
export -f run_shots
export root bin winout
"$root/scripts/with-display.sh" bash -c run_shots
for bmp in "$out"/*.bmp; do
  [ -e "$bmp" ] || continue
  /usr/bin/convert "$bmp" "${bmp%.bmp}.png"
  rm -f "$bmp"
done
echo "screenshots written to $out:"
ls -1 "$out"
