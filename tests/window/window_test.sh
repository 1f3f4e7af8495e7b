#!/usr/bin/env bash
# Plays the real game binary on its own virtual X display and checks what a
# player would see: the window, the keys, the close button, the exit status,
# and (the play_* cases) what the screen shows as the game is played.
#   window_test.sh CASE GAME DRIVER GAME_FOLDER [FIXED_CLOCK_LIBRARY]
set -u
case_name=$1 game=$2 driver=$3 game_folder=$4 fixed_clock=${5:-}

source "$(dirname "$0")/scratch.sh"
source "$(dirname "$0")/xvfb.sh"

start_display() {  # [DEPTH]
  start_xvfb "$work" "${1:-24}" || fail "Xvfb did not start"
  "$driver" announce-wm-hints || fail "cannot reach the display"
}

start_game() {  # FOLDER
  (cd "$1" && exec "$game") 2>"$work/stderr" &
  game_pid=$!
}

# The same table in every game: the clock that seeds it is fixed. The seed
# is one whose first frames leave the status lines clear of unit labels.
start_dealt_game() {
  [ -n "$fixed_clock" ] || fail "no fixed clock library given"
  (cd "$game_folder" && FIXED_CLOCK_SECONDS=2 LD_PRELOAD="$fixed_clock" \
     ASAN_OPTIONS=verify_asan_link_order=0 exec "$game") 2>"$work/stderr" &
  game_pid=$!
}

expect_exit() {  # STATUS [SECONDS]
  local deadline=$((SECONDS + ${2:-5}))
  while kill -0 "$game_pid" 2>/dev/null; do
    [ $SECONDS -ge $deadline ] && fail "the game did not end within ${2:-5} s"
    sleep 0.05
  done
  wait "$game_pid"
  local status=$?
  game_pid=""
  [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}

expect_geometry() {  # WANTED (within a few seconds)
  local seen deadline=$((SECONDS + 5))
  while :; do
    seen=$("$driver" find VALDORIK) || fail "no game window"
    [ "$seen" = "$1" ] && return
    [ $SECONDS -ge $deadline ] && fail "window is '$seen', expected '$1'"
    sleep 0.05
  done
}

# A tap shorter than a frame can come and go unseen, so keys are held until
# their effect shows, as a player would.
press() { "$driver" press "$1" || fail "could not press $1"; }
release() { "$driver" release "$1" || fail "could not release $1"; }

# What the screen shows, checked by the driver against the game's own fonts,
# pictures and camera (see screen_checks.cpp for the checks). It reads the
# pictures from the game folder; a failing check leaves its screenshot in
# the build folder.
screen() {
  (cd "$game_folder" && E2E_SHOT="$game_folder/../window.$case_name.failed.ppm" "$driver" "$@") ||
    fail "the screen does not show: ${*: -1}"
}
see() { screen expect "$@"; }
hold_until() { screen hold-until "$@"; }  # KEYS CHECKS...: hold until the effect shows

# One press of a key that acts once per loop pass, then a 100 ms pause: a tap
# held across that pause acts twice, one let go before the next pass not at
# all. So the tap is short, and tried again only when it had no effect.
tap_once() {  # KEY CHECKS...: the checks hold after one step, and go on holding
  local key=$1
  shift
  for _ in 1 2 3; do
    "$driver" hold "$key" 70 || fail "could not press $key"
    if (cd "$game_folder" && "$driver" expect --within 1 "$@" 2>/dev/null); then
      sleep 0.3
      see --within 0 "$@"
      return
    fi
  done
  fail "one press of $key does not give: ${*: -1}"
}

status_line() {  # VIEW_X VIEW_Y: the status line of the view origin, under the title picture
  echo "line:380=map_sx=$1 map_sy=$2"
}

# The pointer picks the cell MouseCell gives; the status line and the red
# mark follow it. The mark is checked only where the scene shows its cell.
pointer_picks() {  # X Y [mark]
  "$driver" move "$1" "$2" || fail "could not move the pointer"
  local dx dy
  read -r dx dy < <("$driver" mouse-cell "$1" "$2")
  local checks=(title "line:340=map_ex=$((32 + dx)) map_ey=$((32 + dy))")
  [ "${3:-}" = mark ] && checks+=("mark@$((32 + dx)),$((32 + dy))")
  see --each "${checks[@]}"
}

# The driver waits long for a box; a box the game could not show at all is
# told on its stderr at once, and the case fails then with that reason.
answer_box() {  # TITLE [KEY]
  "$driver" answer "$@" &
  local answerer=$! unshown
  while kill -0 "$answerer" 2>/dev/null; do
    unshown=$(grep -m1 "could not show a message box" "$work/stderr")
    if [ -n "$unshown" ]; then
      kill "$answerer"
      fail "no box \"$1\": $unshown"
    fi
    sleep 0.05
  done
  wait "$answerer" || fail "no message box \"$1\""
}

quit_with_escape() {
  press Escape
  expect_exit 0
  release Escape
}

# The disk audio driver writes what is played, silence included, in real time.
loud_bytes_after() { tail -c +"$(($1 + 1))" "$work/played.raw" 2>/dev/null | tr -d '\000' | wc -c; }

expect_loud_after() {  # BYTE_OFFSET MESSAGE
  local deadline=$((SECONDS + 5))
  until [ "$(loud_bytes_after "$1")" -gt 0 ]; do
    [ $SECONDS -ge $deadline ] && fail "$2"
    sleep 0.05
  done
}

expect_quiet_end() {  # the last quarter second written is silence: the sound is over
  local deadline=$((SECONDS + 5)) quarter=$((22050 * 2 / 4))
  until [ "$(tail -c "$quarter" "$work/played.raw" | tr -d '\000' | wc -c)" -eq 0 ]; do
    [ $SECONDS -ge $deadline ] && fail "the sound does not end"
    sleep 0.05
  done
}

export SDL_AUDIODRIVER=dummy

case $case_name in
  start_and_escape)
    mkdir -p "$game_folder"
    start_display
    start_game "$game_folder"
    expect_geometry "x=0 y=0 width=640 height=480 decorations=0"
    "$driver" pointer-hidden VALDORIK || fail "the system pointer shows over the window"
    quit_with_escape
    ;;
  close_request)
    mkdir -p "$game_folder"
    start_display
    start_game "$game_folder"
    "$driver" close VALDORIK || fail "no game window"
    expect_exit 0
    ;;
  without_pictures)
    # No picture folders and a sound file that is not a WAV: the game still
    # runs its frames; M (read by the frame) drags the window to the pointer.
    mkdir -p "$work/bare/sound"
    echo "not a sound" >"$work/bare/sound/explosion3b.wav"
    start_display
    start_game "$work/bare"
    expect_geometry "x=0 y=0 width=640 height=480 decorations=0"
    "$driver" move 200 120
    press m
    expect_geometry "x=200 y=120 width=640 height=480 decorations=0"
    release m
    quit_with_escape
    ;;
  start_sound)
    # The sound plays at the start and again at each new game (F1, read as
    # the key held at this instant).
    mkdir -p "$work/sounding/sound"
    "$driver" write-wav "$work/sounding/sound/explosion3b.wav" || fail "could not write the test sound"
    export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/played.raw"
    start_display
    start_game "$work/sounding"
    "$driver" find VALDORIK >/dev/null || fail "no game window"
    expect_loud_after 0 "the start sound was not played"
    expect_quiet_end
    played=$(stat -c %s "$work/played.raw")
    press F1
    expect_loud_after "$played" "F1 did not play the sound again"
    release F1
    quit_with_escape
    ;;
  window_creation_fails)
    # An 8-bit display has no visual for the context: the start fails with
    # its message box, and once that is answered the game exits with 1.
    mkdir -p "$game_folder"
    start_display 8
    start_game "$game_folder"
    answer_box ERROR
    expect_exit 1
    grep -q "^ERROR: Window Creation Error.$" "$work/stderr" || fail "stderr does not tell the failure"
    ;;
  no_display)
    mkdir -p "$game_folder"
    (unset DISPLAY WAYLAND_DISPLAY; cd "$game_folder" && exec "$game") 2>"$work/stderr" &
    game_pid=$!
    expect_exit 1 10
    grep -q "no display" "$work/stderr" || fail "stderr does not say that there is no display"
    ;;
  play_hud_and_pointer)
    start_display
    "$driver" move 320 240
    start_dealt_game
    # The first frames: the status lines with the first income paid, and the title.
    see --within 20 title "line:420=WIN32VALDORIKCATAPULTR006B" "line:400=Press H for help." \
      "$(status_line 32 32)" "line:360=selected_unit=0" "line:320=empire_0_gold=1000.50"
    # H flips the page and then pauses 400 ms: a press let go within that
    # pause flips it once.
    "$driver" hold h 200 || fail "could not press h"
    see --each no-title "line:420=WIN32VALDORIKCATAPULTR006A HELP" "line:400=F1 start new game." \
      "line:380=F2-F4 different unit size." "line:360=SHIFT-Dir. change view, PGDWN-PGUP zoom." \
      "line:340=Dir. move map." "line:320=Space rotate with mouse." \
      "line:300=0 and backspace, move screen over last unit." "line:280=Left click recruit." \
      "line:260=Right click move and attack." "line:240=ESC quit." "line:220=F5-F8 change speed." \
      "line:200=M move window."
    "$driver" hold h 200 || fail "could not press h"
    see --each title "line:400=Press H for help." "$(status_line 32 32)" "line:360=selected_unit=0"
    # Across the wide middle column (305 to 335) and its neighbours, then far out.
    for position in "304 306" "305 306" "335 306" "336 306"; do pointer_picks $position mark; done
    pointer_picks 400 306 mark
    pointer_picks 100 200 mark
    pointer_picks 0 0
    pointer_picks 639 479
    quit_with_escape
    ;;
  play_view_walk_spin)
    start_display
    "$driver" move 400 306
    start_dealt_game
    see --within 20 title "$(status_line 32 32)"
    # Backspace (looked at in the 30-frame count) puts the view origin ten
    # cells short of the leader's (32, 4): just out of sight.
    hold_until BackSpace --each title "$(status_line 22 -6)"
    see --within 0 --view 22,-6 no-leader@32,4
    # An arrow scrolls one cell a step, and the leader comes into sight.
    tap_once Right --each title "$(status_line 23 -6)"
    see --view 23,-6 leader@32,4
    tap_once Up --each title "$(status_line 23 -5)"
    see --view 23,-5 leader@32,4
    tap_once Down --each title "$(status_line 23 -6)"
    tap_once Left --each title "$(status_line 22 -6)"
    tap_once Right --each title "$(status_line 23 -6)"
    # Holding the right button on a cell walks the leader there, three cells.
    "$driver" point-at 9 7 >/dev/null || fail "could not point at (32, 1)"
    see --view 23,-6 mark@32,1 leader@32,4
    hold_until Button3 --view 23,-6 --within 8 leader@32,1 no-leader@32,4
    see --each title "line:360=selected_unit=0"
    # F4 doubles the pictures (3.2 across, centre lifted to 1.6); F3 gives back the size they load with.
    hold_until F4 --view 23,-6 --size 3.1999998 leader@32,1
    hold_until F3 --view 23,-6 leader@32,1
    # Space turns the view by the pointer's x (x / 640 * 360 degrees); the
    # leader goes round the view centre but stands upright, as on the screen
    # before. Letting Space go keeps the turn.
    "$driver" move 576 400
    hold_until space --view 23,-6 --spin 324 leader@32,1
    sleep 0.2
    see --within 0 --view 23,-6 --spin 324 leader@32,1
    "$driver" move 528 400
    hold_until space --view 23,-6 --spin 297 leader@32,1
    # F1 starts a new game: camera and view as at the start, whatever zoom
    # (Page Up) and tilt (Shift+Up) did. The mark shows the camera.
    "$driver" move 400 306
    "$driver" hold Prior 300
    press Shift_L
    "$driver" hold Up 300
    release Shift_L
    see --each --view 23,-6 title "$(status_line 23 -6)" no-mark@28,-11
    hold_until F1 --each title "$(status_line 32 32)" "line:320=empire_0_gold=1000.00" mark@37,27
    see title "line:320=empire_0_gold=1000.50"
    quit_with_escape
    ;;
  play_pointer_leaves_window)
    # With a button held the window hears the pointer outside it too; the
    # game takes positions only from inside, and hears the release outside.
    start_display
    "$driver" move 400 306
    start_dealt_game
    see --within 20 title "$(status_line 32 32)"
    # Away from the screen's corner, so that there is screen left of it and above.
    left=200 top=150
    "$driver" move $left $top
    press m
    expect_geometry "x=$left y=$top width=640 height=480 decorations=0"
    release m
    hold_until BackSpace --each title "$(status_line 22 -6)"
    tap_once Right --each title "$(status_line 23 -6)"
    read -r x y < <("$driver" point-at 9 7) || fail "could not point at (32, 1)"
    see --view 23,-6 mark@32,1 leader@32,4
    # The right button held on (32, 1), the pointer off the left edge, then
    # off the top edge; the pointed cell stays (32, 1). The release is outside.
    press Button3
    for outside in "$((left - 100)) $((top + y))" "$((left + x)) $((top - 100))"; do
      "$driver" move $outside
      sleep 0.3
      see --within 0 --each title "line:340=map_ex=32 map_ey=1"
    done
    release Button3
    # Back inside on (33, 2), with no button held: the leader stays on its way
    # to (32, 1), and stays there.
    "$driver" point-at 10 8 >/dev/null || fail "could not point at (33, 2)"
    see --each title "line:340=map_ex=33 map_ey=2"
    see --view 23,-6 --within 8 leader@32,1 no-leader@32,4
    sleep 1.5
    see --within 0 --view 23,-6 leader@32,1
    quit_with_escape
    ;;
  *)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac
echo "PASS ($case_name)"
