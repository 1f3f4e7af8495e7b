#!/bin/sh
# Instructions per whole search (BeginSearch + RunSearch), counted by callgrind
# for each pathfinder benchmark, and the fast/literal ratio.
# Usage: bench/search_instructions.sh [build folder]   (default: build)
set -eu
bench="${1:-build}/valdorik-bench"
[ -x "$bench" ] || { echo "no $bench; build first" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

count() {  # prints instructions per search of benchmark $1 and nodes per search
  calls_per_run=1
  case $1 in SearchRandomPairs*) calls_per_run=200 ;; esac
  valgrind --tool=callgrind --callgrind-out-file="$out/cg" --collect-atstart=no \
    --toggle-collect='*OneSearch*' "$bench" --benchmark_filter="^$1\$" --benchmark_min_time=0.001 \
    >"$out/log" 2>&1
  total=$(sed -n 's/^summary: //p' "$out/cg")
  runs=$(awk -v name="$1" '$1 == name { print $(NF-1) }' "$out/log")
  nodes=$(sed -n "s|^$1 .*nodes=\([0-9.k]*\).*|\1|p" "$out/log")
  echo "$total $runs $nodes $calls_per_run" | awk '{ printf "%d %s\n", $1 / $2 / $4, $3 }'
}

for search in SearchOpenMapCorner SearchWalledInGoal SearchRandomPairs; do
  set -- $(count "$search/literal"); literal=$1 nodes=$2
  set -- $(count "$search/fast"); fast=$1
  awk -v s="$search" -v l="$literal" -v f="$fast" -v n="$nodes" 'BEGIN {
    nodes = n; sub(/k$/, "", nodes); if (n ~ /k$/) nodes *= 1000; nodes = int(nodes + 0.5)
    printf "%-20s nodes %5d  literal %9d instr (%5.0f/node)  fast %8d instr (%4.0f/node)  fast/literal %.3f\n",
           s, nodes, l, l / nodes, f, f / nodes, f / l }'
done
