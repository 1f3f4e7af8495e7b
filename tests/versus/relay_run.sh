# Sourced by the scripts that play versus games through a real relay:
# start_relay runs $relay on a free port, its output in $work, adds it to the
# caller's `others` (killed at the end) and sets $port.
start_relay() {
  "$relay" --port 0 >"$work/relay.out" 2>"$work/relay.err" &
  others+=($!)
  for _ in $(seq 100); do
    port=$(sed -n 's/.*listening on port \([0-9]*\).*/\1/p' "$work/relay.out")
    [ -n "$port" ] && return
    sleep 0.05
  done
  fail "the relay did not start: $(cat "$work/relay.err")"
}
