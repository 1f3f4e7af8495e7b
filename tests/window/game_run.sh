# Sourced by the windowed test scripts and tools: one virtual display, the
# game started in a folder (under Wine too), its window awaited, keys and the
# screen checked through the driver, Escape and the exit status checked.
# The caller sets game, driver and case_name; game_folder for the screen
# checks (the driver reads the game's pictures from there), fixed_clock for
# a dealt game, wine_prefix for the Windows game, sim for replays and
# counter for counted presents.

source "$(dirname "${BASH_SOURCE[0]}")/scratch.sh"
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"

start_display() {  # [DEPTH [WIDTHxHEIGHT [XVFB OPTIONS...]]]
  start_xvfb "$work" "${1:-24}" "${2:-1024x768}" "${@:3}" || fail "Xvfb did not start"
  "$driver" announce-wm-hints || fail "cannot reach the display"
}

game_args=()  # the game's own options where a start gives none
wine=/usr/lib/wine/wine64
wine_prefix=""  # when set, $game is a Windows exe, run by Wine in this prefix

# The game in FOLDER, in place of the shell that calls this; its stderr goes
# to $work/stderr. A COMMAND PREFIX (settings through env, a tool) comes
# before it, and Wine after that when wine_prefix is set.
exec_game_in() {  # FOLDER [COMMAND PREFIX...] [-- OPTIONS...]
  local folder=$1 prefix=() options=("${game_args[@]}")
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    prefix+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift && options=("$@")
  [ -n "$wine_prefix" ] && prefix+=(env WINEPREFIX="$wine_prefix" "$wine")
  cd "$folder" && exec "${prefix[@]}" "$game" "${options[@]}" 2>"$work/stderr"
}
start_game_in() { exec_game_in "$@" & game_pid=$!; }  # in the background: game_pid
run_game_in() { (exec_game_in "$@"); }                # waited for: its status

# The same table in every game: the clock that seeds it is fixed. The seed
# is one whose first frames leave the status lines clear of unit labels.
start_dealt_game_in() {  # FOLDER [COMMAND PREFIX...] [-- OPTIONS...]
  [ -n "${fixed_clock:-}" ] || fail "no fixed clock library given"
  local folder=$1
  shift
  start_game_in "$folder" env FIXED_CLOCK_SECONDS=2 LD_PRELOAD="$fixed_clock" \
    ASAN_OPTIONS=verify_asan_link_order=0 "$@"
}

# A game that dies on the way up is told at once, not after the driver's wait.
wait_for_window() {
  "$driver" find VALDORIK >/dev/null &
  local finder=$!
  while kill -0 "$finder" 2>/dev/null; do
    if ! kill -0 "$game_pid" 2>/dev/null; then
      kill "$finder" 2>/dev/null
      wait "$game_pid"
      local status=$?
      game_pid=""
      fail "the game ended with status $status before its window showed"
    fi
    sleep 0.05
  done
  wait "$finder" || fail "no game window"
}

game_alive() { kill -0 "$game_pid" 2>/dev/null; }

ended_within() {  # SECONDS: 1 if the game still runs after them
  local deadline=$((SECONDS + $1))
  while game_alive; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.05
  done
}

expect_exit() {  # STATUS [SECONDS [WHAT, if not the game]]
  local what=${3:-the game}
  ended_within "${2:-5}" || fail "$what did not end within ${2:-5} s"
  wait "$game_pid"
  local status=$?
  game_pid=""
  [ "$status" -eq "$1" ] || fail "$what ended with status $status, expected $1"
}

# A tap shorter than a frame can come and go unseen, so keys are held until
# their effect shows, as a player would.
press() { "$driver" press "$1" || fail "could not press $1"; }
release() { "$driver" release "$1" || fail "could not release $1"; }

# Escape, held until the game has ended; it must end with status 0.
quit_with_escape() {  # [SECONDS]
  press Escape
  ended_within "${1:-10}" || { release Escape; fail "the game did not end within ${1:-10} s of Escape"; }
  release Escape
  expect_exit 0
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

# What the screen shows, checked by the driver against the game's own fonts,
# pictures, HUD places and camera (see screen_checks.cpp for the checks). A
# failing check leaves its screenshot next to the game folder, named after
# the test (test_prefix: the ctest name without the case).
test_prefix=window.
screen() {
  (cd "$game_folder" && E2E_SHOT="$game_folder/../$test_prefix$case_name.failed.ppm" "$driver" "$@") ||
    fail "the screen does not show: ${*: -1}"
}
see() { screen expect "$@"; }
hold_until() { screen hold-until "$@"; }  # KEYS CHECKS...: hold until the effect shows

# A tap shorter than any frame: the key pressed and let go at once, as
# xdotool's key does. The game holds such a press for one frame
# (platform/event_queue.h), so a key that acts once a pass acts exactly once.
tap_once() {  # KEY CHECKS...: the checks hold after the tap, and go on holding
  local key=$1
  shift
  "$driver" hold "$key" 0 || fail "could not press $key"
  (cd "$game_folder" && E2E_SHOT="$game_folder/../$test_prefix$case_name.failed.ppm" "$driver" expect --within 2 "$@") ||
    fail "a tap of $key, pressed and let go at once, does not give: ${*: -1}"
  sleep 0.3
  see --within 0 "$@"
}

# The view centre every game starts with, as the game sets it: "X Y".
new_game_view() { "$driver" new-game-view || fail "the driver does not tell the new game's view"; }

# The cell the pointer at (X, Y) picks in the new game's view: "CELL_X CELL_Y".
new_game_cell_at() {  # X Y
  local dx dy view_x view_y
  read -r dx dy < <("$driver" mouse-cell "$1" "$2")
  read -r view_x view_y < <(new_game_view)
  echo "$((view_x + dx)) $((view_y + dy))"
}

# The HUD's status lines by their place in the block (0 the top one).
status_line() {  # [VIEW_X VIEW_Y]: the line of the view origin, the new game's if not given
  local view=("$@")
  [ $# -eq 2 ] || read -r -a view < <(new_game_view)
  echo "line:2=map_sx=${view[0]} map_sy=${view[1]}"
}
pointed_line() {  # CELL_X CELL_Y: the line of the cell under the pointer
  echo "line:4=map_ex=$1 map_ey=$2"
}

# The pointer picks the cell MouseCell gives; the status line and the red
# mark follow it. The mark is checked only where the scene shows its cell.
pointer_picks() {  # X Y [mark]: X, Y a frame pixel, wherever the window shows it
  "$driver" move-frame "$1" "$2" || fail "could not move the pointer"
  local x y
  read -r x y < <(new_game_cell_at "$1" "$2")
  local checks=(title "$(pointed_line "$x" "$y")")
  [ "${3:-}" = mark ] && checks+=("mark@$x,$y")
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

# Where the game keeps its replays: the scratch folder's $XDG_DATA_HOME, or
# %APPDATA% in the Wine prefix.
replay_folder() {
  if [ -n "$wine_prefix" ]; then
    echo "$wine_prefix/drive_c/users/${USER:-$(id -un)}/AppData/Roaming/valdorik/replays"
  else
    echo "$XDG_DATA_HOME/valdorik/replays"
  fi
}

# A seeded burst of hostile input (window_driver burst) on the game in
# game_folder (started with the command prefix burst_prefix, if set), then
# Escape, which it must obey within 15 s (under Wine after a click, below);
# the replay it recorded into its folder is then played again where WHERE
# says (replay_matches). Kept: the replay $work/NAME.vrp, the final state
# $work/NAME.dump, the burst's summary $work/NAME.burst. A failure shows the
# burst's last actions.
burst_prefix=()
burst_replays() {  # NAME SEED SECONDS [WHERE...]
  local name=$1 seed=$2 folder
  folder=$(replay_folder)
  rm -rf "$folder"
  "$driver" move 320 240
  start_game_in "$game_folder" "${burst_prefix[@]}" -- --dump-final "$work/$name.dump"
  wait_for_window
  "$driver" burst VALDORIK "$seed" "$3" "$work/$name.actions" >"$work/$name.burst" ||
    burst_failed "$name" "$seed" "the burst did not finish"
  game_alive || { wait "$game_pid"; burst_failed "$name" "$seed" "the game ended during the burst with status $?"; }
  if [ -n "$wine_prefix" ]; then quit_wine_after_burst; else quit_with_escape 15; fi
  [ -s "$work/$name.dump" ] || fail "the game wrote no final state"
  local recorded=("$folder"/*.vrp)
  [ -f "${recorded[0]}" ] || fail "the game left no replay in $folder"
  cp "${recorded[0]}" "$work/$name.vrp"
  replay_matches "$work/$name.vrp" "$work/$name.dump" "${@:4}"
}

burst_failed() {  # NAME SEED WHY
  echo "  last actions of the burst (seed $2):" >&2
  tail -n 25 "$work/$1.actions" | sed 's/^/    /' >&2
  fail "$3"
}

# With no window manager, the burst's focus changes can leave the keyboard
# elsewhere (Wine keeps a focus of its own too); a click on the window gives
# it back, as on a desktop, though Wine may take a moment, and a key pressed
# before drops. So: click, wait, Escape; again if the game goes on. The
# clicks are played and recorded like any input.
quit_wine_after_burst() {
  local deadline
  for _ in 1 2 3; do
    "$driver" move 320 240 && "$driver" hold Button1 100 || fail "could not click the game's window"
    sleep 0.5
    "$driver" hold Escape 1000 || fail "could not press Escape"
    deadline=$((SECONDS + 5))
    while game_alive && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
    game_alive || break
  done
  game_alive && fail "the game did not end on Escape, three times clicked and pressed"
  expect_exit 0
}

# Two final states (--dump-final, valdorik-sim replay) the same to the byte;
# else fails with WHAT, both files and the first line where they part, each
# shown from a little before the first character that differs.
expect_same_dump() {  # EXPECTED SEEN WHAT
  cmp -s "$1" "$2" && return
  local file
  for file in "$1" "$2"; do [ -s "$file" ] || fail "$3: ${file#"$work"/} is empty or missing"; done
  fail "$3: $(awk -v a="$1" -v b="$2" -v shown_a="${1#"$work"/}" -v shown_b="${2#"$work"/}" 'BEGIN {
    for (n = 1; ; n++) {
      got_a = (getline x <a) > 0; got_b = (getline y <b) > 0
      if (!got_a || !got_b || x != y) break
    }
    if (!got_a) x = "(no such line)"
    if (!got_b) y = "(no such line)"
    for (c = 1; c <= length(x) && substr(x, c, 1) == substr(y, c, 1); c++) {}
    from = c > 40 ? c - 40 : 1
    printf "%s and %s part at line %d, character %d:\n  %s\n  %s", shown_a, shown_b, n, c,
           substr(x, from, 100), substr(y, from, 100)
  }')"
}

# The replay played again ends in the game's final state DUMP, to the byte:
# by valdorik-sim (`sim`) and by the game itself (`game`, as set now, with
# game_args: the Windows game under Wine too).
replay_matches() {  # REPLAY DUMP WHERE...
  local replay=$1 dump=$2 where
  shift 2
  for where in "$@"; do
    case $where in
      sim)
        "$sim" replay "$replay" >"$work/sim.dumps" 2>"$work/stderr" || fail "valdorik-sim cannot replay $replay"
        tail -n1 "$work/sim.dumps" >"$work/sim.dump"
        expect_same_dump "$dump" "$work/sim.dump" "valdorik-sim's replay ends elsewhere than the game"
        ;;
      game)
        start_game_in "$game_folder" -- "${game_args[@]}" --replay "$replay" --dump-final "$work/replayed.dump"
        expect_exit 0 120 "the game's replay"
        expect_same_dump "$dump" "$work/replayed.dump" "the game's replay${game_args[*]:+ with ${game_args[*]}} ends elsewhere"
        ;;
      *) fail "no replayer '$where'" ;;
    esac
  done
}

# The frames build/libpresent_counter.so (`counter`, preloaded) has counted so far.
frames_presented() {
  grep -o 'present_counter: [0-9]* frames$' "$work/stderr" 2>/dev/null | tail -n1 | grep -o '[0-9]\+' || echo 0
}

# The game in game_folder with the counter preloaded until it has presented
# FRAMES frames, then Escape; the counter's report is on its stderr.
count_presents() {  # FRAMES [COUNTER SETTINGS...]
  start_game_in "$game_folder" env PRESENT_COUNTER_EVERY="$1" "${@:2}" LD_PRELOAD="$counter"
  wait_for_window
  while [ "$(frames_presented)" -lt "$1" ]; do
    game_alive || fail "the game ended after $(frames_presented) frames"
    sleep 0.1
  done
  quit_with_escape
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
