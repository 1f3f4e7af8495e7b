# Sourced by the windowed test scripts: a scratch folder `work`, removed at
# exit together with the game and the display if they still run (game_pid,
# xvfb_pid), and `fail`, which tells the case, the reason and what the game
# wrote on stderr ($work/stderr), then exits 1. The games recorded on the way
# go to the scratch folder, never to the player's replays, and so does the
# window's kept size (`settings`), never the player's own.

work=$(mktemp -d)
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
settings=$XDG_CONFIG_HOME/valdorik/settings
game_pid="" xvfb_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill -KILL "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case_name): $*" >&2
  [ -s "$work/stderr" ] && sed 's/^/  game stderr: /' "$work/stderr" >&2
  exit 1
}
