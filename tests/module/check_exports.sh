#!/usr/bin/env bash
# Every name of the export list must be exported, undecorated, by the DLL.
# Usage: check_exports.sh <objdump> <dll> <def-file>
set -eu
objdump=$1 dll=$2 def=$3
exported=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\[/ {print $NF}' | sort)
missing=0
for name in $(sed -n '/^EXPORTS/,$p' "$def" | awk 'NR > 1 && NF {print $1}'); do
  if ! grep -qx "$name" <<<"$exported"; then
    echo "missing export: $name"
    missing=1
  fi
done
[ $missing -eq 0 ] && echo "all $(grep -c . <<<"$exported") exports present and undecorated"
exit $missing
