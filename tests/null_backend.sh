#!/usr/bin/env bash
# The template backend (src/platform/null/) is a whole backend: the game
# built on it records a game and plays a replay to its end, and its final
# state is the simulator's for the same replay.
#   null_backend.sh VALDORIK_NULL VALDORIK_SIM
set -uo pipefail
game=$1 sim=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"
export HOME=$work XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config

version=$("$game" --version) || fail "--version failed"
[[ $version == "valdorik "* ]] || fail "--version said: $version"

# No player input reaches it, so the game runs until it is stopped; the
# replay is cut there and plays up to its last complete pass.
timeout -s KILL 1 "$game" --record game.vrp 2>/dev/null
[ -s game.vrp ] || fail "nothing was recorded"
"$game" --replay game.vrp --dump-final final.json 2>stderr || fail "the replay failed: $(cat stderr)"
"$sim" replay game.vrp 2>/dev/null | tail -n 1 >sim.json
[ -s sim.json ] || fail "the simulator played nothing"
cmp -s final.json sim.json || fail "the final state differs from the simulator's: $(diff final.json sim.json | head -4)"
echo "null backend: recorded $(wc -c <game.vrp) bytes, replayed to the simulator's final state"
