#!/usr/bin/env bash
# Plays the real game with a seeded burst of hostile input (window_driver
# burst: every key the game reads and others, held and tapped, the three
# buttons and the wheel, the pointer on and off the window, resizes, moves,
# minimise and restore, focus taken away), then Escape: the game must still
# answer and end with status 0. The game it recorded is then replayed
# without a window and in the window: all three final states must be the
# same to the byte.
#   hostile_input.sh GAME DRIVER SIM GAME_FOLDER [SEED [SECONDS]]
# The same seed gives the same input; a failure shows the last actions.
#
# With --slow-screen COUNTER (build/libpresent_counter.so) every present
# takes 40 ms more: the game must skip drawing, not time, so it presents
# well under its passes (at most 7 in 10; every pass drawn without the
# skipping), and the game replays to the same final state all the same.
set -u
counter=""
if [ "${1:-}" = --slow-screen ]; then
  counter=$(realpath "$2")
  shift 2
fi
game=$(realpath "$1") driver=$(realpath "$2") sim=$(realpath "$3") game_folder=$(realpath "$4")
seed=${5:-20261207} seconds=${6:-25}
here=$(dirname "$0")
source "$here/game_run.sh"
case_name="seed $seed, $seconds s"

start_display
if [ -z "$counter" ]; then
  burst_replays played "$seed" "$seconds" sim game
  echo "PASS ($case_name): $(cat "$work/played.burst"); $(wc -c <"$work/played.vrp") bytes of replay," \
       "$(grep -o '"pass":[0-9]*' "$work/played.dump") replayed to the same state"
  exit 0
fi

case_name="$case_name, slow screen"
burst_prefix=(env PRESENT_COUNTER_SLOW_MS=40 LD_PRELOAD="$counter" ASAN_OPTIONS=verify_asan_link_order=0)
burst_replays slow "$seed" "$seconds"
presents=$(sed -n 's/^present_counter: \([0-9]*\) frames in .*/\1/p' "$work/stderr")
passes=$(grep -o '"pass":[0-9]*' "$work/slow.dump" | cut -d: -f2)
[ -n "$presents" ] || fail "the present counter told nothing"
echo "$presents presents in $passes passes"
[ $((presents * 10)) -le $((passes * 7)) ] || fail "$presents presents in $passes passes: a slow screen held the game's time back, where it should skip drawing"
replay_matches "$work/slow.vrp" "$work/slow.dump" sim
echo "PASS ($case_name): $(cat "$work/slow.burst"); $presents presents in $passes passes, replayed to the same state"
