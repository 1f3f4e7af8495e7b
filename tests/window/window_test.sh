#!/usr/bin/env bash
# Plays the real game binary on its own virtual X display and checks what a
# player would see: the window, the keys, the close button, the exit status,
# and (the play_* cases) what the screen shows as the game is played.
#   window_test.sh CASE GAME DRIVER GAME_FOLDER [FIXED_CLOCK_LIBRARY [SIM]]
set -u
case_name=$1 game=$2 driver=$3 game_folder=$4 fixed_clock=${5:-} sim=${6:-}

source "$(dirname "$0")/game_run.sh"

case $case_name in
  start_and_escape)
    mkdir -p "$game_folder"
    start_display
    start_game_in "$game_folder"
    expect_geometry "x=0 y=0 width=640 height=480 decorations=0"
    "$driver" pointer-hidden VALDORIK || fail "the system pointer shows over the window"
    quit_with_escape
    ;;
  close_request)
    mkdir -p "$game_folder"
    start_display
    start_game_in "$game_folder"
    "$driver" close VALDORIK || fail "no game window"
    expect_exit 0
    ;;
  without_pictures)
    # No picture folders and a sound file that is not a WAV: the game still
    # runs its frames; M (read by the frame) drags the window to the pointer.
    mkdir -p "$work/bare/sound"
    echo "not a sound" >"$work/bare/sound/explosion3b.wav"
    start_display
    start_game_in "$work/bare"
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
    start_game_in "$work/sounding"
    "$driver" find VALDORIK >/dev/null || fail "no game window"
    expect_loud_after 0 "the start sound was not played"
    expect_quiet_end
    played=$(stat -c %s "$work/played.raw")
    press F1
    expect_loud_after "$played" "F1 did not play the sound again"
    release F1
    quit_with_escape
    ;;
  started_elsewhere)
    # build/valdorik started from a folder without its pictures finds them
    # in the build tree beside it, and shows them.
    mkdir -p "$work/elsewhere"
    start_display
    start_game_in "$work/elsewhere"
    see --within 20 title floor
    quit_with_escape
    ;;
  window_creation_fails)
    # An 8-bit display has no visual for the context: the start fails with
    # its message box, and once that is answered the game exits with 1.
    mkdir -p "$game_folder"
    start_display 8
    start_game_in "$game_folder"
    answer_box ERROR
    expect_exit 1
    grep -q "^ERROR: Window Creation Error.$" "$work/stderr" || fail "stderr does not tell the failure"
    ;;
  no_display)
    mkdir -p "$game_folder"
    start_game_in "$game_folder" env -u DISPLAY -u WAYLAND_DISPLAY
    expect_exit 1 10
    grep -q "no display" "$work/stderr" || fail "stderr does not say that there is no display"
    ;;
  play_hud_and_pointer)
    start_display
    "$driver" move 320 240
    start_dealt_game_in "$game_folder"
    # The first frames: the status lines with the first income paid, and the title.
    see --within 20 title "line:0=WIN32VALDORIKCATAPULTR006B" "line:1=Press H for help." \
      "$(status_line)" "line:3=selected_unit=0" "line:5=empire_0_gold=1000.50"
    # H flips the page and then pauses 400 ms: a press let go within that
    # pause flips it once.
    "$driver" hold h 200 || fail "could not press h"
    see --each no-title "line:0=WIN32VALDORIKCATAPULTR006A HELP" "line:1=F1 start new game." \
      "line:2=F2-F4 different unit size." "line:3=SHIFT-Dir. change view, PGDWN-PGUP zoom." \
      "line:4=Dir. move map." "line:5=Space rotate with mouse." \
      "line:6=0 and backspace, move screen over last unit." "line:7=Left click recruit." \
      "line:8=Right click move and attack." "line:9=ESC quit." "line:10=F5-F8 change speed." \
      "line:11=M move window." "line:12=P pause and go on." "line:13=Alt+Enter fullscreen."
    "$driver" hold h 200 || fail "could not press h"
    see --each title "line:1=Press H for help." "$(status_line)" "line:3=selected_unit=0"
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
    start_dealt_game_in "$game_folder"
    see --within 20 title "$(status_line)"
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
    see --each title "line:3=selected_unit=0"
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
    read -r x y < <(new_game_cell_at 400 306)
    hold_until F1 --each title "$(status_line)" "line:5=empire_0_gold=1000.00" "mark@$x,$y"
    see title "line:5=empire_0_gold=1000.50"
    quit_with_escape
    ;;
  play_pointer_leaves_window)
    # With a button held the window hears the pointer outside it too; the
    # game takes positions only from inside, and hears the release outside.
    start_display
    "$driver" move 400 306
    start_dealt_game_in "$game_folder"
    see --within 20 title "$(status_line)"
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
      see --within 0 --each title "$(pointed_line 32 1)"
    done
    release Button3
    # Back inside on (33, 2), with no button held: the leader stays on its way
    # to (32, 1), and stays there.
    "$driver" point-at 10 8 >/dev/null || fail "could not point at (33, 2)"
    see --each title "$(pointed_line 33 2)"
    see --view 23,-6 --within 8 leader@32,1 no-leader@32,4
    sleep 1.5
    see --within 0 --view 23,-6 leader@32,1
    quit_with_escape
    ;;
  scaled_window)
    # On a 1920 x 1080 screen the window opens at twice the frame: every
    # frame pixel a 2 x 2 block, the pointer on the cell under it, clicks
    # there, and M keeps the size. Nothing was chosen, so nothing is kept.
    start_display 24 1920x1080
    export E2E_STAGE=0,0,1280,960
    start_dealt_game_in "$game_folder"
    expect_geometry "x=0 y=0 width=1280 height=960 decorations=0"
    see --within 20 scaled title "line:1=Press H for help." "$(status_line)"
    for position in "304 306" "336 306" "100 200"; do pointer_picks $position mark; done
    pointer_picks 0 0
    pointer_picks 639 479
    hold_until BackSpace --each title "$(status_line 22 -6)"
    tap_once Right --each title "$(status_line 23 -6)"
    "$driver" point-at 9 7 >/dev/null || fail "could not point at (32, 1)"
    see --view 23,-6 mark@32,1 leader@32,4
    hold_until Button3 --view 23,-6 --within 20 leader@32,1 no-leader@32,4
    "$driver" move 200 120
    press m
    expect_geometry "x=200 y=120 width=1280 height=960 decorations=0"
    release m
    see scaled "$(status_line 23 -6)"
    quit_with_escape
    [ ! -e "$settings" ] || fail "no choice was made, yet one was kept: $(cat "$settings")"
    ;;
  fullscreen)
    # The whole screen in its own mode: the frame as large as it fits at
    # 4:3 (1440 x 1080), black bars left and right. The pointer on a bar is
    # off the frame. Alt+Enter goes back to the window, and that is kept.
    # The game never hears the Return of Alt+Enter, whichever key goes up
    # first and however long Return is held.
    [ -n "$sim" ] || fail "no simulator given"
    start_display 24 1920x1080
    export E2E_STAGE=240,0,1440,1080
    game_args=(--fullscreen --record "$work/switched.vrp" --dump-final "$work/switched.dump")
    start_dealt_game_in "$game_folder"
    expect_geometry "x=0 y=0 width=1920 height=1080 decorations=0"
    see --within 20 scaled title "$(status_line)"
    pointer_picks 400 306 mark
    read -r x y < <(new_game_cell_at 400 306)
    # On a bar the pointer is outside the frame: the cell pointed at stays,
    # as the final state says below (the status line on the screen may be
    # crossed by a wandering unit's label by then, the game keeping its
    # speed on a busy machine).
    for bar in "100 500" "1850 200"; do
      "$driver" move $bar
      sleep 0.3
    done
    press Alt_L
    "$driver" hold Return 100 || fail "could not press Return"
    release Alt_L
    expect_geometry "x=0 y=0 width=1280 height=960 decorations=0"
    E2E_STAGE=0,0,1280,960 see scaled "$(status_line)"
    press Alt_L
    press Return
    release Alt_L
    release Return
    expect_geometry "x=0 y=0 width=1920 height=1080 decorations=0"
    press Alt_L
    "$driver" hold Return 1500 || fail "could not press Return"  # past the key's auto-repeat
    release Alt_L
    expect_geometry "x=0 y=0 width=1280 height=960 decorations=0"
    quit_with_escape
    [ "$(cat "$settings")" = "fullscreen=0" ] || fail "the settings file holds '$(cat "$settings")', expected fullscreen=0"
    "$driver" replay-keys "$work/switched.vrp" >"$work/keys" || fail "cannot read the game's replay"
    grep -q "^down 18$" "$work/keys" || fail "the replay holds no Alt: $(tr '\n' ' ' <"$work/keys")"
    ! grep -q " 13$" "$work/keys" || fail "Alt+Enter reached the game: $(tr '\n' ' ' <"$work/keys")"
    grep -q "\"map_ex\":$x,\"map_ey\":$y," "$work/switched.dump" ||
      fail "the pointer on a bar picked a cell: $(grep -o '"map_ex":[0-9]*,"map_ey":[0-9]*' "$work/switched.dump"), expected $x $y"
    replay_matches "$work/switched.vrp" "$work/switched.dump" sim
    ;;
  settings)
    # The kept choice opens the window; the command line wins and is kept in
    # its place, but a scale too large for the screen opens as large as fits;
    # a damaged or unreadable file is named and ignored.
    start_display 24 1920x1080
    mkdir -p "$(dirname "$settings")"
    printf 'scale=1\nfullscreen=1\n' >"$settings"
    start_game_in "$game_folder"
    expect_geometry "x=0 y=0 width=1920 height=1080 decorations=0"
    quit_with_escape
    game_args=(--scale 1)
    start_game_in "$game_folder"
    expect_geometry "x=0 y=0 width=640 height=480 decorations=0"
    quit_with_escape
    [ "$(cat "$settings")" = $'scale=1\nfullscreen=0' ] || fail "the settings file holds '$(cat "$settings")'"
    game_args=(--scale 3)
    start_game_in "$game_folder"
    expect_geometry "x=0 y=0 width=1280 height=960 decorations=0"
    quit_with_escape
    game_args=()
    for damage in "scale=12" "scale=2 fullscreen=0" "folder"; do
      rm -rf "$settings"
      if [ "$damage" = folder ]; then mkdir "$settings"; else echo "$damage" >"$settings"; fi
      start_game_in "$game_folder"
      expect_geometry "x=0 y=0 width=1280 height=960 decorations=0"
      quit_with_escape
      grep -q "^valdorik: settings file $settings .*; it is ignored" "$work/stderr" ||
        fail "stderr does not name the settings file ($damage)"
    done
    ;;
  replay_at_scale)
    # A game played at scale 3 replays to the same state at scale 1 and in
    # valdorik-sim: the pointer is recorded in frame pixels.
    [ -n "$sim" ] || fail "no simulator given"
    start_display 24 1920x1440
    export E2E_STAGE=0,0,1920,1440
    game_args=(--scale 3 --record "$work/scaled.vrp" --dump-final "$work/played.dump")
    start_dealt_game_in "$game_folder"
    expect_geometry "x=0 y=0 width=1920 height=1440 decorations=0"
    see --within 20 title "$(status_line)"
    hold_until BackSpace --each title "$(status_line 22 -6)"
    tap_once Right --each title "$(status_line 23 -6)"
    "$driver" point-at 9 7 >/dev/null || fail "could not point at (32, 1)"
    # The walk takes 99 frames; a busy machine draws a large window slowly.
    hold_until Button3 --view 23,-6 --within 30 leader@32,1 no-leader@32,4
    "$driver" move-frame 576 400
    hold_until space --view 23,-6 --spin 324 leader@32,1
    # F4 tapped shorter than a frame (pressed and let go at once) still
    # doubles the pictures: the release waits for a frame.
    "$driver" hold F4 0 || fail "could not press F4"
    sleep 0.5
    quit_with_escape
    grep -q '"pass"' "$work/played.dump" || fail "no final state written"
    grep -q '"unit_size":3.1999998,' "$work/played.dump" ||
      fail "a tap of F4 left the units at $(grep -o '"unit_size":[^,]*' "$work/played.dump")"
    game_args=(--scale 1)
    replay_matches "$work/scaled.vrp" "$work/played.dump" game sim
    ;;
  watched_replay)
    # A watched replay says so above the status lines, with its passes so far
    # of those its file holds (the simulator's last pass); at its end it says
    # so and stays until Escape. The game played had no mark.
    [ -n "$sim" ] || fail "no simulator given"
    start_display
    game_args=(--record "$work/watched.vrp")
    start_dealt_game_in "$game_folder"
    see --within 20 title "$(status_line)" "line:replay="
    sleep 3
    quit_with_escape
    total=$("$sim" replay "$work/watched.vrp" | tail -n1 | grep -o '^{"pass":[0-9]*' | grep -o '[0-9]*$')
    [ -n "$total" ] || fail "valdorik-sim cannot replay the recorded game"
    game_args=(--replay "$work/watched.vrp")
    start_game_in "$game_folder"
    wait_for_window
    # Read as it plays, until the count has moved on under the same total.
    first="" mark="" deadline=$((SECONDS + 10))
    while [ $SECONDS -lt $deadline ]; do
      mark=$(cd "$game_folder" && "$driver" read-line replay) || fail "cannot read the replay's mark"
      if [[ $mark =~ ^REPLAY\ ([0-9]+)\ /\ $total\ passes$ ]]; then
        [ -z "$first" ] && first=${BASH_REMATCH[1]}
        [ "${BASH_REMATCH[1]}" -gt "$first" ] && break
      fi
      sleep 0.2
    done
    [ $SECONDS -lt $deadline ] || fail "the replay's mark reads \"$mark\", not REPLAY N / $total passes counting up"
    see --within 30 "line:replay=END OF REPLAY. Press ESC to leave."
    sleep 1
    game_alive || fail "the replay's end left the window without Escape"
    quit_with_escape
    ;;
  *)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac
echo "PASS ($case_name)"
