#!/usr/bin/env bash
# The replays kept in tests/data/replays, recorded by earlier builds of the
# game on Linux, under Wine and in the browser, still play to their recorded
# end: the simulator's last dump and the null backend's --dump-final are the
# final state kept beside each (NAME.final.json), to the byte. Where the game
# that played it wrote its own (NAME.game.json), that is the same too.
#   replay_corpus.sh VALDORIK_SIM VALDORIK_NULL REPLAY_FOLDER
set -uo pipefail
sim=$(realpath "$1") game=$(realpath "$2") folder=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
failed=0

# Where two one-line dumps part: the field (the last key before the first
# differing character; for a unit, its entry) and both from a little before.
difference() {  # EXPECTED SEEN
  awk -v a="$(cat "$1")" -v b="$(cat "$2")" 'BEGIN {
    for (c = 1; c <= length(a) && substr(a, c, 1) == substr(b, c, 1); c++) {}
    before = substr(a, 1, c - 1)
    field = "(none)"
    for (rest = before; match(rest, /"[a-z_]+":/); rest = substr(rest, RSTART + RLENGTH)) field = substr(rest, RSTART, RLENGTH - 1)
    if (field == "\"units\"") { n = split(rest, entries, /\],\[/); field = field " entry " n - 1 }
    from = c > 30 ? c - 30 : 1
    printf "field %s, character %d:\n    kept: %s\n    seen: %s\n", field, c, substr(a, from, 80), substr(b, from, 80)
  }'
}

check() {  # NAME EXPECTED SEEN WHO
  cmp -s "$2" "$3" && return
  echo "FAIL: $1: $4 ends elsewhere than $(basename "$2"): $(difference "$2" "$3")" >&2
  failed=1
}

replays=("$folder"/*.vrp)
[ -f "${replays[0]}" ] || { echo "FAIL: no replay in $folder" >&2; exit 1; }
for final in "$folder"/*.final.json; do
  [ -f "${final%.final.json}.vrp" ] || { echo "FAIL: $(basename "$final") has no replay beside it" >&2; failed=1; }
done
for replay in "${replays[@]}"; do
  name=$(basename "$replay" .vrp) kept=${replay%.vrp}.final.json
  [ -f "$kept" ] || { echo "FAIL: $name.vrp has no final state beside it" >&2; failed=1; continue; }
  [ -f "${replay%.vrp}.game.json" ] && check "$name" "$kept" "${replay%.vrp}.game.json" "the game that played it"
  if ! "$sim" replay "$replay" 2>"$work/stderr" | tail -n 1 >"$work/sim.json"; then
    echo "FAIL: $name: valdorik-sim replay failed: $(cat "$work/stderr")" >&2
    failed=1
  else
    check "$name" "$kept" "$work/sim.json" "valdorik-sim replay"
  fi
  rm -f "$work/null.json"
  if ! (cd "$work" && "$game" --replay "$replay" --dump-final "$work/null.json") 2>"$work/stderr"; then
    echo "FAIL: $name: valdorik-null --replay failed: $(cat "$work/stderr")" >&2
    failed=1
  else
    check "$name" "$kept" "$work/null.json" "the null backend's game"
  fi
done
[ $failed -eq 0 ] && echo "replay corpus: ${#replays[@]} replays end in their kept final states"
exit $failed
