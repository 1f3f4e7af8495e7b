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
set -u
game=$(realpath "$1") driver=$(realpath "$2") sim=$(realpath "$3") game_folder=$(realpath "$4")
seed=${5:-20261207} seconds=${6:-25}
here=$(dirname "$0")
source "$here/game_run.sh"
case_name="seed $seed, $seconds s"

start_display
burst_replays played "$seed" "$seconds" sim game
echo "PASS ($case_name): $(cat "$work/played.burst"); $(wc -c <"$work/played.vrp") bytes of replay," \
     "$(grep -o '"pass":[0-9]*' "$work/played.dump") replayed to the same state"
