# Sourced by the windowed tests and tools: a private virtual X display.
# Xvfb picks a free display number itself, so tests can run side by side;
# -noreset keeps atoms made by one client alive for the next.

# What runs on it has no session bus (without an address SDL's D-Bus
# start-up forks a launcher, which can hang when the caller has other
# threads running) and no sound device: SDL's dummy driver plays, and a
# case that listens sets its own.
export DBUS_SESSION_BUS_ADDRESS=disabled: SDL_AUDIODRIVER=dummy

# start_xvfb FOLDER [DEPTH] [SIZE] [XVFB OPTIONS...]: sets DISPLAY and
# xvfb_pid; fails if no display came up.
start_xvfb() {
  local folder=$1 depth=${2:-24} size=${3:-1024x768}
  shift $(($# < 3 ? $# : 3))
  exec 3>"$folder/display"
  Xvfb -displayfd 3 -screen 0 "${size}x$depth" "$@" -nolisten tcp -noreset 2>"$folder/xvfb.log" &
  xvfb_pid=$!
  exec 3>&-
  for _ in $(seq 100); do
    [ -s "$folder/display" ] && break
    sleep 0.05
  done
  [ -s "$folder/display" ] || return 1
  export DISPLAY=":$(head -n1 "$folder/display")"
}
