# Sourced by the hostile-play scripts: one virtual display, the game started
# in a folder, its window awaited, Escape and the exit status checked.
# The caller sets game, driver and case_name.

source "$(dirname "${BASH_SOURCE[0]}")/scratch.sh"
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"

start_display() {
  start_xvfb "$work" || fail "Xvfb did not start"
  # No session bus: SDL would otherwise fork a launcher for one.
  export DBUS_SESSION_BUS_ADDRESS=disabled:
}

start_game_in() {  # FOLDER [COMMAND PREFIX...]: the game's stderr goes to $work/stderr
  local folder=$1
  shift
  (cd "$folder" && exec "$@" "$game") 2>"$work/stderr" &
  game_pid=$!
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

# Escape, held until the game has ended; it must end with status 0.
quit_with_escape() {  # [SECONDS]
  local deadline=$((SECONDS + ${1:-10}))
  "$driver" press Escape || fail "could not press Escape"
  while game_alive; do
    [ $SECONDS -ge $deadline ] && { "$driver" release Escape; fail "the game did not end within ${1:-10} s of Escape"; }
    sleep 0.05
  done
  "$driver" release Escape
  wait "$game_pid"
  local status=$?
  game_pid=""
  [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
}
