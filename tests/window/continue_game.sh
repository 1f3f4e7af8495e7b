#!/usr/bin/env bash
# Continues a recorded game. A first game is played (P pauses it, Right does
# not scroll then, the Pause key goes on) and quit with Escape while Page
# Down and the left button are held; `valdorik --continue` plays it on in
# the window. Its replay holds the whole game: without a window and in the
# window it ends in the continued game's final state, and up to the first
# game's last pass it is the first game. What was held at the end is let go:
# the continued game, which turns no camera key, ends with the first game's
# camera. A cut replay continues from its last complete pass and says so; a
# damaged one is refused as --replay refuses it, and so is --continue with
# no replay at all.
#   continue_game.sh GAME DRIVER SIM GAME_FOLDER
set -u
game=$(realpath "$1") driver=$(realpath "$2") sim=$(realpath "$3") game_folder=$(realpath "$4")
source "$(dirname "$0")/game_run.sh"
case_name=continue_game
replays=$(replay_folder)

hold() { "$driver" hold "$1" "$2" || fail "could not hold $1"; }
pass_of() { grep -o '"pass":[0-9]*' "$1" | cut -d: -f2; }
camera_of() { grep -o '"camera":\[[^]]*\]' "$1"; }
dump_at() {  # REPLAY PASS: the simulator's dump of the replay after that pass
  "$sim" replay "$1" --dump-every "$2" 2>/dev/null | grep -m1 "^{\"pass\":$2,"
}

start_display
"$driver" move 400 200
start_game_in "$game_folder" -- --dump-final "$work/first.dump"
wait_for_window
hold Button3 200
hold Prior 300
hold p 50
hold Right 300  # paused: no scrolling
hold Pause 50
press Next
press Button1
sleep 0.3
quit_with_escape
release Next
release Button1
read -r view_x view_y < <(new_game_view)
grep -q "\"map_sx\":$view_x,\"map_sy\":$view_y," "$work/first.dump" || fail "Right scrolled while paused with P"
grep -q '"paused":0,' "$work/first.dump" || fail "the Pause key did not go on"
first=$(ls "$replays"/*.vrp 2>/dev/null)
[ "$(echo "$first" | wc -w)" -eq 1 ] || fail "the first game left no replay, or more than one: $first"

start_game_in "$game_folder" -- --continue --dump-final "$work/continued.dump"
wait_for_window
hold Right 300
hold p 50
sleep 0.2
hold Pause 50
sleep 0.2
quit_with_escape
continued=$(ls "$replays"/*.vrp | grep -v -x -F "$first")
[ "$(echo "$continued" | wc -w)" -eq 1 ] || fail "the continued game left no replay of its own: $continued"

n=$(pass_of "$work/first.dump")
[ "$(pass_of "$work/continued.dump")" -gt "$n" ] || fail "the continued game ended at pass $(pass_of "$work/continued.dump"), the first at $n"
replay_matches "$continued" "$work/continued.dump" sim game
[ "$(dump_at "$first" $((n - 1)))" = "$(dump_at "$continued" $((n - 1)))" ] ||
  fail "the continued replay is not the first game up to its pass $((n - 1))"
[ "$(camera_of "$work/continued.dump")" = "$(camera_of "$work/first.dump")" ] ||
  fail "Page Down, held when the first game ended, still acts: $(camera_of "$work/continued.dump"), was $(camera_of "$work/first.dump")"

# A damaged replay is refused as --replay refuses it; a cut one goes on.
printf 'VLDREPLY\007' >"$work/damaged.vrp"
run_game_in "$game_folder" -- --replay "$work/damaged.vrp"
mv "$work/stderr" "$work/replay.err"
run_game_in "$game_folder" -- --continue "$work/damaged.vrp"
status=$?
[ "$status" -eq 2 ] || fail "a damaged replay continued with status $status"
cmp -s "$work/stderr" "$work/replay.err" || fail "--continue and --replay tell a damaged file apart: $(cat "$work/replay.err")"
run_game_in "$game_folder" env XDG_DATA_HOME="$work/none" -- --continue
status=$?
[ "$status" -eq 2 ] || fail "--continue with no replay ended with status $status"
grep -q "nothing to continue: no replay in $work/none/valdorik/replays" "$work/stderr" || fail "--continue with no replay does not say so"
head -c $(($(stat -c %s "$continued") * 2 / 3)) "$continued" >"$work/cut.vrp"
start_game_in "$game_folder" -- --continue "$work/cut.vrp"
wait_for_window
grep -q "cut.vrp: ends at pass" "$work/stderr" || fail "the cut replay is not told"
grep -q "the game continues from pass [0-9]*, the last complete one" "$work/stderr" || fail "the pass it continues from is not told"
quit_with_escape
echo "PASS ($case_name): $n passes played, continued to pass $(pass_of "$work/continued.dump"); the same state replayed headless and in the window"
