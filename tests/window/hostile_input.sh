#!/usr/bin/env bash
# Plays the real game with a seeded burst of hostile input (window_driver
# burst: every key the game reads and others, held and tapped, the three
# buttons and the wheel, the pointer on and off the window, resizes, moves,
# minimise and restore), then Escape: the game must still answer and end
# with status 0.
#   hostile_input.sh GAME DRIVER GAME_FOLDER [SEED [SECONDS]]
# The same seed gives the same input; a failure shows the last actions.
set -u
game=$(realpath "$1") driver=$(realpath "$2") game_folder=$(realpath "$3")
seed=${4:-20261207} seconds=${5:-25}
here=$(dirname "$0")
source "$here/game_run.sh"
case_name="seed $seed, $seconds s"

show_actions() {
  echo "  last actions of the burst (seed $seed):" >&2
  tail -n 25 "$work/actions" | sed 's/^/    /' >&2
}

start_display
"$driver" move 320 240
start_game_in "$game_folder" env SDL_AUDIODRIVER=dummy
wait_for_window
"$driver" burst VALDORIK "$seed" "$seconds" "$work/actions" >"$work/burst" ||
  { show_actions; fail "the burst did not finish"; }
game_alive || { show_actions; wait "$game_pid"; fail "the game ended during the burst with status $?"; }
quit_with_escape 15
echo "PASS ($case_name): $(cat "$work/burst")"
