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

show_actions() {
  echo "  last actions of the burst (seed $seed):" >&2
  tail -n 25 "$work/actions" | sed 's/^/    /' >&2
}

start_display
"$driver" move 320 240
start_game_in "$game_folder" -- --dump-final "$work/played.dump"
wait_for_window
"$driver" burst VALDORIK "$seed" "$seconds" "$work/actions" >"$work/burst" ||
  { show_actions; fail "the burst did not finish"; }
game_alive || { show_actions; wait "$game_pid"; fail "the game ended during the burst with status $?"; }
quit_with_escape 15

# The game recorded itself into the replay folder; the same game again.
replay=$(ls "$work/data/valdorik/replays/"*.vrp 2>/dev/null | head -n1)
[ -n "$replay" ] || fail "the game left no replay in \$XDG_DATA_HOME/valdorik/replays"
replay_matches "$replay" "$work/played.dump" sim game
echo "PASS ($case_name): $(cat "$work/burst"); $(wc -c <"$replay") bytes of replay, $(grep -o '"pass":[0-9]*' "$work/played.dump") replayed to the same state"
