#!/usr/bin/env bash
# Kills a host with SIGKILL, at random moments, while it adds contacts, then
# checks that the book is whole and holds every add the host saw confirmed.
# Usage: kill_host.sh <wine-run script> <bin folder>
# PELMO_RELIABILITY_ROUNDS sets the number of kills (a few by default).
set -u
run=$1 bin=$2
rounds=${PELMO_RELIABILITY_ROUNDS:-6}
work=$(mktemp -d /tmp/pelmo-killed-XXXXXX)
tag=$(basename "$work")  # names this run's host in the process list
trap 'pkill -9 -f "^[^ ]*crash_writer.exe .*$tag" 2>/dev/null; rm -rf "$work"' EXIT
dir="Z:${work//\//\\}"
log=$work/confirmed.txt
: >"$log"
journals=0
cd "$bin"
for ((round = 0; round < rounds; round++)); do
  "$run" crash_writer.exe "$dir" $((13900000000 + round * 100000)) 100000 "$dir\\confirmed.txt" >/dev/null 2>&1 &
  wrapper=$!
  # Wait for the first confirmed add of this round, then kill after a random
  # pause; adds take tens of milliseconds, so most kills land mid-write.
  before=$(wc -l <"$log")
  for ((i = 0; i < 300 && $(wc -l <"$log") == before; i++)); do sleep 0.05; done
  sleep "0.$((RANDOM % 10))$((RANDOM % 10))"
  pkill -9 -f "^[^ ]*crash_writer.exe .*$tag" || { echo "round $round: the host was not running"; exit 1; }
  wait $wrapper 2>/dev/null
  [ -e "$work/friend.mdb-journal" ] && journals=$((journals + 1))
done
echo "$rounds kills, $journals of them mid-write (a journal left behind)"
"$run" book_check.exe "$dir" "$dir\\confirmed.txt"
