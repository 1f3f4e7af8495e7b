#!/usr/bin/env bash
# The Windows game (valdorik.exe) under Wine on a private Xvfb display, in a
# Wine prefix of the build folder: what a player sees, the exit status, and
# replays that cross between the systems.
#   wine_test.sh CASE EXE DRIVER GAME_FOLDER WINEPREFIX [SIM LINUX_GAME]
# Cases: host_messages, start_and_escape, without_pictures, pointer_leaves_window,
# no_display, replays_cross, continue_game, scaled, small_screen, non_ascii_user,
# started_elsewhere.
set -u
case_name=$1 game=$(realpath "$2") driver=$(realpath "$3") game_folder=$(realpath "$4")
sim=${6:+$(realpath "$6")} linux_game=${7:+$(realpath "$7")}
here=$(dirname "$0")
source "$here/../window/game_run.sh"
wine_prefix=$(realpath -m "$5") test_prefix=win32.wine_

wineserver=/usr/lib/wine/wineserver
# No debug channels, no offer to install Mono or Gecko, no sound card looked for.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv="
[ -x "$wine" ] || fail "$wine is missing: run scripts/install-deps.sh test"

# The prefix's Wine processes end with the test, whatever happened; Wine
# would keep its server a few seconds for the next program.
trap 'WINEPREFIX=$wine_prefix "$wineserver" -k 2>/dev/null; cleanup' EXIT

replays=$(replay_folder)
# The window's kept size: the prefix is shared by the cases, so each starts without it.
settings=$(dirname "$replays")/settings.txt
rm -f "$settings"

# Wine's first start in a new prefix builds it (some seconds); a Wine that
# cannot start at all is told here, not as a missing window later.
start_wine() {  # [WIDTHxHEIGHT]
  start_display 24 ${1:+"$1"}
  mkdir -p "$wine_prefix"
  local version
  version=$(run_game_in "$game_folder" timeout 120 -- --version) ||
    fail "Wine cannot run the game (status $?): $wine $game --version"
  echo "$version" | grep -q '^valdorik [0-9]' || fail "--version printed '$version'"
}

expect_window_at_origin() {
  local seen
  seen=$("$driver" find VALDORIK) || fail "no game window"
  case $seen in
    "x=0 y=0 width=640 height=480 "*) ;;
    *) fail "the window is '$seen', expected 640 x 480 at (0, 0)" ;;
  esac
}

case $case_name in
  start_and_escape)
    start_wine
    run_game_in "$game_folder" timeout 60 -- --help >"$work/help" || fail "--help failed"
    grep -q -- "--replay FILE" "$work/help" || fail "--help does not list the options"
    grep -q 'APPDATA%\\valdorik\\replays' "$work/help" || fail "--help does not name the Windows replay folder"
    start_game_in "$game_folder"
    wait_for_window
    expect_window_at_origin
    see --within 20 title floor
    quit_with_escape 15
    ;;
  without_pictures)
    # No picture folders and a sound file that is not a WAV: the game still
    # runs, with an empty floor and no title.
    mkdir -p "$work/bare/sound"
    echo "not a sound" >"$work/bare/sound/explosion3b.wav"
    start_wine
    start_game_in "$work/bare"
    wait_for_window
    expect_window_at_origin
    see --within 5 no-title
    sleep 1
    game_alive || fail "the game ended without its pictures"
    quit_with_escape 15
    ;;
  host_messages)
    # The window procedure's message table and the game's window,
    # in-process (host_win32_test.cpp), on two displays: Xinerama heads
    # (RandR off, or Wine sees one) of 1024 x 768 at 60 Hz and, over it from
    # (0, 0), 2048 x 1024 of unknown rate, the only one right of x = 1024.
    start_display 24 1024x768 -screen 1 2048x1024x24 +xinerama -extension RANDR
    mkdir -p "$wine_prefix"
    tests=$(dirname "$game")/win32_host_test.exe
    (cd "$work" && WINEPREFIX=$wine_prefix timeout 120 "$wine" "$tests") >"$work/results" 2>"$work/stderr"
    status=$?
    sed 's/^/  /' "$work/results"
    [ "$status" -eq 0 ] || fail "win32_host_test.exe ended with status $status"
    ;;
  pointer_leaves_window)
    # With the right button held the pointer leaves the window on every side:
    # the game keeps the cell last pointed at inside and hears the release.
    start_wine
    "$driver" move 400 306
    start_game_in "$game_folder"
    wait_for_window
    see --within 20 title
    # The right button sends the player's unit to the pointed cell: one low
    # and right, so that it does not come to stand on the status lines.
    left=200 top=150 x=480 y=380
    "$driver" move $left $top
    "$driver" press m
    deadline=$((SECONDS + 10))
    until [[ $("$driver" find VALDORIK) == "x=$left y=$top width=640 height=480 "* ]]; do
      [ $SECONDS -ge $deadline ] && { "$driver" release m; fail "M did not bring the window to ($left, $top)"; }
      sleep 0.1
    done
    "$driver" release m
    read -r cell_x cell_y < <(new_game_cell_at $x $y) || fail "no cell for ($x, $y)"
    pointed=$(pointed_line "$cell_x" "$cell_y")
    "$driver" move $((left + x)) $((top + y))
    see --each title "$pointed"
    "$driver" press Button3
    # The table is dealt at random and its units walk over the status lines
    # now and then; so each look waits for the line to show whole (--each),
    # never trusting a single picture.
    for outside in "$((left - 100)) $((top + y))" "$((left + x)) $((top - 100))" \
                   "$((left + 700)) $((top + y))" "$((left + x)) $((top + 520))"; do
      "$driver" move $outside
      sleep 0.3
      see --each title "$pointed"
    done
    "$driver" release Button3
    game_alive || fail "the game ended with the pointer outside"
    "$driver" move $((left + x)) $((top + y))  # keys go to the window under the pointer
    quit_with_escape 15
    ;;
  no_display)
    # Wine without a display cannot make the window: the start fails with its
    # message and status 1, and nothing waits for a box nobody can see.
    mkdir -p "$wine_prefix"
    start_game_in "$game_folder" env -u DISPLAY -u WAYLAND_DISPLAY
    expect_exit 1 60
    # Windows ends its console lines with CR LF.
    tr -d '\r' <"$work/stderr" | grep -qx "ERROR: Window Creation Error." || fail "stderr does not tell the failure"
    ;;
  replays_cross)
    [ -n "$sim" ] && [ -n "$linux_game" ] || fail "no simulator or Linux game given"
    start_wine
    # Windows to Linux: a burst of input, Escape, the recording from
    # %APPDATA% replayed headless. Under Wine the driver's opening tour takes
    # about 10 s; the rest is random.
    burst_replays windows 20261208 15 sim
    # Linux to Windows: the Linux game under a burst, replayed under Wine.
    game=$linux_game wine_prefix="" burst_replays linux 20261209 8
    replay_matches "$work/linux.vrp" "$work/linux.dump" game
    echo "Windows burst: $(cat "$work/windows.burst"); $(grep -o '"pass":[0-9]*' "$work/windows.dump") and" \
         "$(grep -o '"pass":[0-9]*' "$work/linux.dump") replayed to the same state on the other system"
    ;;
  continue_game)
    # A game quit with Escape while Page Down is held, played on with
    # --continue (the newest replay in %APPDATA%): the new replay, replayed on
    # Linux, ends in the continued game's final state.
    [ -n "$sim" ] || fail "no simulator given"
    start_wine
    rm -rf "$replays"
    "$driver" move 320 240
    start_game_in "$game_folder" -- --dump-final "$work/first.dump"
    wait_for_window
    see --within 20 title
    "$driver" hold Prior 300 || fail "could not press Page Up"
    "$driver" press Next || fail "could not press Page Down"
    sleep 0.3
    quit_with_escape 15
    "$driver" release Next
    first=$(ls "$replays"/*.vrp 2>/dev/null)
    [ "$(echo "$first" | wc -w)" -eq 1 ] || fail "the first game left no replay, or more than one: $first"
    start_game_in "$game_folder" -- --continue --dump-final "$work/continued.dump"
    wait_for_window
    see --within 20 title
    "$driver" hold Right 300 || fail "could not press Right"
    quit_with_escape 15
    continued=$(ls "$replays"/*.vrp | grep -v -x -F "$first")
    [ "$(echo "$continued" | wc -w)" -eq 1 ] || fail "the continued game left no replay of its own: $continued"
    replay_matches "$continued" "$work/continued.dump" sim
    first_pass=$(grep -o '"pass":[0-9]*' "$work/first.dump" | cut -d: -f2)
    continued_pass=$(grep -o '"pass":[0-9]*' "$work/continued.dump" | cut -d: -f2)
    [ "$continued_pass" -gt "$first_pass" ] || fail "the continued game ended at pass $continued_pass, the first at $first_pass"
    camera() { grep -o '"camera":\[[^]]*\]' "$1"; }
    [ "$(camera "$work/continued.dump")" = "$(camera "$work/first.dump")" ] ||
      fail "Page Down, held when the first game ended, still acts: $(camera "$work/continued.dump")"
    echo "first game to pass $first_pass, continued to pass $continued_pass, replayed on Linux to the same state"
    ;;
  scaled)
    # On a 1920 x 1080 screen the window opens at twice the frame, every
    # pixel a 2 x 2 block, the pointer on the cell under it. Alt+Enter: the
    # whole screen, the frame 1440 x 1080 between black bars, the pointer on
    # a bar off the frame; that choice is kept. The game's replay holds frame
    # pixels. A damaged settings file is named and ignored.
    start_wine 1920x1080
    export E2E_STAGE=0,0,1280,960
    start_game_in "$game_folder" -- --dump-final "$work/played.dump"
    wait_for_window
    expect_geometry "x=0 y=0 width=1280 height=960 decorations=0"
    see --within 20 scaled title floor
    pointer_picks 400 306 mark
    pointer_picks 100 200 mark
    read -r cell_x cell_y < <(new_game_cell_at 100 200) || fail "no cell for (100, 200)"
    "$driver" press Alt_L && "$driver" hold Return 100 && "$driver" release Alt_L || fail "could not press Alt+Enter"
    expect_geometry "x=0 y=0 width=1920 height=1080 decorations=0"
    export E2E_STAGE=240,0,1440,1080
    see --within 10 scaled "$(pointed_line "$cell_x" "$cell_y")"
    "$driver" move 100 500
    sleep 0.5
    see --within 0 --each "$(pointed_line "$cell_x" "$cell_y")"
    pointer_picks 400 306
    quit_with_escape 15
    [ "$(cat "$settings")" = $'fullscreen=1' ] || fail "the settings file holds '$(cat "$settings")', expected fullscreen=1"
    replay=$(ls "$replays"/*.vrp 2>/dev/null | tail -n1)
    [ -n "$replay" ] || fail "the scaled game left no replay"
    replay_matches "$replay" "$work/played.dump" sim
    echo "scale=12" >"$settings"
    export E2E_STAGE=0,0,1280,960
    start_game_in "$game_folder"
    wait_for_window
    expect_geometry "x=0 y=0 width=1280 height=960 decorations=0"
    see --within 20 scaled title
    quit_with_escape 15
    tr -d '\r' <"$work/stderr" | grep -q "^valdorik: settings file .*settings.txt is damaged" ||
      fail "stderr does not name the damaged settings file"
    ;;
  small_screen)
    # A 1024 x 768 screen has room for the frame once: the window is 640 x
    # 480 at the first start in a new prefix (Wine builds the prefix
    # meanwhile, which can outlast the driver's wait) and at the next, and a
    # scale kept from a larger screen is cut down to fit, the choice kept.
    wine_prefix=$wine_prefix-fresh
    settings=$(dirname "$(replay_folder)")/settings.txt
    rm -rf "$wine_prefix"
    mkdir -p "$wine_prefix"
    start_display 24 1024x768
    for start in first next kept; do
      [ $start = kept ] && echo "scale=2" >"$settings"
      start_game_in "$game_folder"
      [ $start = first ] && for _ in 1 2 3; do "$driver" find VALDORIK >/dev/null 2>&1 && break; done
      wait_for_window
      expect_window_at_origin
      quit_with_escape 15
    done
    [ "$(cat "$settings")" = "scale=2" ] || fail "the settings file holds '$(cat "$settings")', expected scale=2"
    # A prefix made on 1280 x 1024 whose Wine server (-p60) outlives the change
    # to 1024 x 768 goes on telling the old monitor and work area: the kept
    # scale still opens 640 x 480, and --fullscreen covers the screen, no more.
    kill "$xvfb_pid"
    wine_prefix=${wine_prefix%-fresh}-moved
    settings=$(dirname "$(replay_folder)")/settings.txt
    rm -rf "$wine_prefix" && mkdir -p "$wine_prefix" "$(dirname "$settings")"
    WINEPREFIX=$wine_prefix "$wineserver" -p60
    start_wine 1280x1024
    kill "$xvfb_pid" && start_display 24 1024x768
    echo "scale=2" >"$settings"
    start_game_in "$game_folder"
    wait_for_window
    expect_window_at_origin
    quit_with_escape 15
    start_game_in "$game_folder" -- --fullscreen
    wait_for_window
    expect_geometry "x=0 y=0 width=1024 height=768 decorations=0"
    quit_with_escape 15
    ;;
  non_ascii_user)
    # A player named Jörg: the ANSI %APPDATA% came through garbled
    # (C:\users\JÃ¶rg\...) and no game was recorded. A prefix of its own,
    # made once, whose user folder carries the name.
    [ -n "$sim" ] || fail "no simulator given"
    export USER=Jörg
    wine_prefix=$wine_prefix-jorg
    replays=$(replay_folder)
    start_wine
    rm -rf "$replays"
    "$driver" move 320 240
    start_game_in "$game_folder"
    wait_for_window
    quit_with_escape 15
    grep -a "not recorded" "$work/stderr" && fail "the game was not recorded"
    replay=$(ls "$replays"/*.vrp 2>/dev/null | head -n1)
    [ -n "$replay" ] || fail "no replay in $replays"
    # Watched again by its Windows name, which comes in through the wide
    # command line, and it matches the simulator's reading of the same file.
    start_game_in "$game_folder" -- --replay "C:\\users\\$USER\\AppData\\Roaming\\valdorik\\replays\\${replay##*/}" \
      --dump-final "$work/replayed.dump"
    expect_exit 0 60 "the replay by its Windows name"
    replay_matches "$replay" "$work/replayed.dump" sim
    [ -f "$replays/../valdorik.log" ] || fail "no valdorik.log in $USER's %APPDATA%\valdorik"
    # --continue with no file finds the newest replay in Jörg's folder and
    # plays on; the continued game is recorded beside it.
    win_replay="C:\\users\\$USER\\AppData\\Roaming\\valdorik\\replays\\${replay##*/}"
    cp "$replay" "$work/kept.vrp"
    start_game_in "$game_folder" -- --continue
    wait_for_window
    quit_with_escape 15
    grep -a "nothing to continue\|does not match" "$work/stderr" && fail "--continue without a file failed"
    [ "$(ls "$replays"/*.vrp | wc -l)" -eq 2 ] || fail "the continued game was not recorded in $replays"
    # A recording over the game it continues is refused, whoever's name is in the path.
    start_game_in "$game_folder" -- --continue "$win_replay" --record "$win_replay"
    expect_exit 2 60 "--continue onto itself"
    grep -aq "would overwrite the game it continues" "$work/stderr" || fail "the overwrite was not refused"
    cmp -s "$replay" "$work/kept.vrp" || fail "the continued replay was overwritten"
    ;;
  started_elsewhere)
    # Started from a folder without its pictures (a command prompt elsewhere,
    # a shortcut): the game from the unpacked zip finds its own and shows them.
    game=$(dirname "$game")/zip/valdorik/valdorik.exe
    [ -f "$game" ] || fail "no unpacked zip at $game"
    mkdir -p "$work/elsewhere"
    start_wine
    start_game_in "$work/elsewhere"
    wait_for_window
    see --within 20 title floor
    "$driver" move 320 240
    quit_with_escape 15
    ;;
  *)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac
echo "PASS ($case_name)"
