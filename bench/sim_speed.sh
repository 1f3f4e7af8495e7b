#!/bin/sh
# A headless run with the fast search against the same run with the literal
# scan (VALDORIK_LITERAL_SEARCH=1): CPU seconds of each, their ratio, and
# whether the two runs dumped the same states.
# Usage: bench/sim_speed.sh [build folder] [frames] [seed]
set -eu
sim="${1:-build}/valdorik-sim"
frames="${2:-20000}"
seed="${3:-1}"
[ -x "$sim" ] || { echo "no $sim; build first" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

run() {  # $1: label, then the environment for the run
  label=$1; shift
  env "$@" /usr/bin/time -f "%U %S" -o "$out/$label.time" \
    "$sim" run --seed "$seed" --frames "$frames" --dump-every 100 >"$out/$label.jsonl"
  awk '{ print $1 + $2 }' "$out/$label.time"
}

fast=$(run fast VALDORIK_LITERAL_SEARCH=0)
literal=$(run literal VALDORIK_LITERAL_SEARCH=1)
if cmp -s "$out/fast.jsonl" "$out/literal.jsonl"; then same="identical dumps"; else same="DUMPS DIFFER"; fi
awk -v f="$fast" -v l="$literal" -v n="$frames" -v s="$seed" -v same="$same" 'BEGIN {
  printf "run --seed %s --frames %s: fast %.2f s, literal %.2f s CPU, literal/fast %.1fx, %s\n",
         s, n, f, l, (f > 0 ? l / f : 0), same }'
[ "$same" = "identical dumps" ]
