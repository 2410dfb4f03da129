#!/usr/bin/env bash
# Every DLL carries a version resource; every program also a manifest (the
# common-controls 6 look depends on it).
# Usage: check_stamps.sh <objdump> <folder>...
set -eu
objdump=$1
shift
bad=0 seen=0
# Top-level entries of the resource directory are the resource types.
types() { "$objdump" -p "$1" | sed -n '/Resource Directory section/,$p' | sed -nE 's/^[0-9a-f]+   Entry: ID: 0x0*([0-9a-f]+),.*/\1/p'; }
for file in $(find "$@" -maxdepth 1 \( -name '*.dll' -o -name '*.exe' \)); do
  seen=$((seen + 1))
  have=$(types "$file")
  grep -qx 10 <<<"$have" || { echo "no version resource: $file"; bad=1; }
  if [[ $file == *.exe ]] && ! grep -qx 18 <<<"$have"; then
    echo "no manifest: $file"
    bad=1
  fi
done
[ $seen -gt 0 ] || { echo "no binaries found in $*"; exit 1; }
[ $bad -eq 0 ] && echo "$seen binaries carry their stamps"
exit $bad
