#!/usr/bin/env bash
# Kills a host with SIGKILL, at random moments, while it writes, then checks
# that the book is whole and holds every change the host saw confirmed. The
# first half of the kills hits a host adding contacts through the exports,
# the second a user adding, editing, deleting and importing through the
# manager's operations, on the same book.
# Usage: kill_host.sh <wine-run script> <bin folder>
# PELMO_RELIABILITY_ROUNDS sets the number of kills of each (a few by default).
set -u
run=$1 bin=$2
rounds=${PELMO_RELIABILITY_ROUNDS:-4}
work=$(mktemp -d /tmp/pelmo-killed-XXXXXX)
tag=$(basename "$work")  # names this run's host in the process list
pattern="^[^ ]*crash_(writer|changer).exe .*$tag"
trap 'pkill -9 -f "$pattern" 2>/dev/null; rm -rf "$work"' EXIT
dir="Z:${work//\//\\}"
log=$work/confirmed.txt
: >"$log"
journals=0
cd "$bin"
kill_during() {  # round, command...: runs the host and kills it mid-write
  local round=$1
  shift
  "$run" "$@" >/dev/null 2>&1 &
  local wrapper=$!
  # Wait for the round's first confirmed change, then kill after a random
  # pause; changes take tens of milliseconds, so most kills land mid-write.
  local before
  before=$(grep -c . "$log")
  for ((i = 0; i < 300 && $(grep -c . "$log") <= before + 1; i++)); do sleep 0.05; done
  sleep "0.$((RANDOM % 10))$((RANDOM % 10))"
  pkill -9 -f "$pattern" || { echo "round $round: the host was not running"; tail -3 "$log"; exit 1; }
  wait "$wrapper" 2>/dev/null
  [ -e "$work/friend.mdb-journal" ] && journals=$((journals + 1))
}
for ((round = 0; round < rounds; round++)); do
  kill_during "$round" crash_writer.exe "$dir" $((13900000000 + round * 100000)) 100000 "$dir\\confirmed.txt"
done
for ((round = 0; round < rounds; round++)); do
  kill_during "$round" crash_changer.exe "$dir" $((13700000000 + round * 100000)) "$dir\\confirmed.txt"
done
echo "$((2 * rounds)) kills, $journals of them mid-write (a journal left behind)"
grep -o '^? [a-z]*' "$log" | sort | uniq -c | sed 's/?//' | tr -s ' ' | tr '\n' ',' | sed 's/^/changes begun:/; s/,$/\n/'
"$run" book_check.exe "$dir" "$dir\\confirmed.txt"
