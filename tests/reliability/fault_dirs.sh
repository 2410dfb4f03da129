#!/usr/bin/env bash
# Runs reliability_tests with the folders it needs from outside Wine: a
# read-only view of a folder (a read-only bind mount) and a small file system
# (tmpfs of 1 MiB). Root in a container may mount; where mounting is refused
# those tests say so and skip, and the data layer's own write-failure tests
# still cover a full disk.
# Usage: fault_dirs.sh <wine-run script> <bin folder> [gtest arguments]
set -u
run=$1 bin=$2
shift 2
work=$(mktemp -d /tmp/pelmo-faults-XXXXXX)
mounted=()
cleanup() {
  # A file Wine still holds keeps a mount busy: detach it lazily then, and
  # never remove what a mount still shows.
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null
  done
  mount | grep -q " $work/" || rm -rf "$work"
}
trap cleanup EXIT
winpath() { echo "Z:${1//\//\\}"; }
mkdir -p "$work/source" "$work/readonly" "$work/empty" "$work/empty-ro" "$work/full"
if mount --bind "$work/source" "$work/readonly" 2>/dev/null; then
  mounted+=("$work/readonly")
  if mount -o remount,bind,ro "$work/readonly" 2>/dev/null; then
    export PELMO_RELY_WRITABLE=$(winpath "$work/source") PELMO_RELY_READONLY=$(winpath "$work/readonly")
  fi
fi
if mount --bind "$work/empty" "$work/empty-ro" 2>/dev/null; then
  mounted+=("$work/empty-ro")
  mount -o remount,bind,ro "$work/empty-ro" 2>/dev/null && export PELMO_RELY_READONLY_EMPTY=$(winpath "$work/empty-ro")
fi
if mount -t tmpfs -o size=1m tmpfs "$work/full" 2>/dev/null; then
  mounted+=("$work/full")
  export PELMO_RELY_FULL=$(winpath "$work/full")
fi
cd "$bin"
"$run" reliability_tests.exe "$@"
