#!/usr/bin/env bash
# The Windows game under Wine hosts a versus game that the Linux game joins,
# through the real relay on 127.0.0.1, each on a virtual display of its own
# and driven by its own player; the Linux player leaves with Escape. Both end
# at the same turn in the same state, with the same replay, which
# valdorik-sim plays to that state. Tells the round trip the Windows frame
# showed and what the relay passed on.
#   wine_versus.sh EXE RELAY LINUX_GAME DRIVER SIM GAME_FOLDER WINEPREFIX
set -u
case_name=versus
exe=$(realpath "$1") relay=$(realpath "$2") linux_game=$(realpath "$3") driver=$(realpath "$4")
sim=$(realpath "$5") game_folder=$(realpath "$6") wine_prefix=$(realpath -m "$7")
here=$(dirname "$0")
source "$here/../window/scratch.sh"
source "$here/../window/xvfb.sh"
source "$here/../versus/relay_run.sh"

wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv="
[ -x "$wine" ] || fail "$wine is missing: run scripts/install-deps.sh test"

others=()
stop_others() {
  [ ${#others[@]} -gt 0 ] && kill -KILL "${others[@]}" 2>/dev/null
  WINEPREFIX=$wine_prefix "$wineserver" -k 2>/dev/null
  cleanup
}
trap stop_others EXIT

player_fail() {  # WHAT: fail, with both games' stderr
  for side in host friend; do
    [ -s "$work/$side.err" ] && tr -d '\r' <"$work/$side.err" | sed "s/^/  $side stderr: /" >&2
  done
  fail "$@"
}

start_relay

declare -A display pid
for side in host friend; do
  mkdir -p "$work/$side"
  start_xvfb "$work/$side" || fail "Xvfb did not start"
  others+=("$xvfb_pid")
  xvfb_pid=""
  display[$side]=$DISPLAY
  "$driver" announce-wm-hints || fail "cannot reach the display"
done
on() { local side=$1; shift; DISPLAY=${display[$side]} "$@"; }  # SIDE COMMAND...: on that side's display

start_player() {  # SIDE COMMAND... (the game and its options)
  local side=$1
  shift
  (cd "$game_folder" && DISPLAY=${display[$side]} XDG_DATA_HOME="$work/$side/data" \
     exec "$@" --record "$work/$side.vrp" --dump-final "$work/$side.dump" >"$work/$side.out" 2>"$work/$side.err") &
  pid[$side]=$!
  others+=("${pid[$side]}")
}

ended() {  # SIDE SECONDS: its game ended, with status 0
  local side=$1 deadline=$((SECONDS + $2))
  while kill -0 "${pid[$side]}" 2>/dev/null; do
    [ $SECONDS -ge $deadline ] && player_fail "the $side's game did not end within $2 s"
    sleep 0.1
  done
  wait "${pid[$side]}" || player_fail "the $side's game ended with status $?"
}

# The Windows host's room code, from its standard output (CR LF there), once
# its line is whole: Wine may write it in pieces. A new Wine prefix is built
# first, which takes a while.
mkdir -p "$wine_prefix"
start_player host env WINEPREFIX="$wine_prefix" "$wine" "$exe" --host "127.0.0.1:$port"
code=""
for _ in $(seq 1200); do
  [ "$(wc -l <"$work/host.out" 2>/dev/null || echo 0)" -ge 1 ] && code=$(head -n1 "$work/host.out" | tr -d '\r')
  [ -n "$code" ] && break
  kill -0 "${pid[host]}" 2>/dev/null || player_fail "the Windows game ended before it had a room"
  sleep 0.1
done
[ -n "$code" ] || player_fail "the Windows game wrote no room code"
start_player friend "$linux_game" --join "$code" "127.0.0.1:$port"
joined_ms=$(($(date +%s%N) / 1000000))
on host "$driver" find VALDORIK >/dev/null && on friend "$driver" find VALDORIK >/dev/null || player_fail "no windows"

# The round trip as the Windows player reads it, a few times a second apart.
(cd "$game_folder" && on host "$driver" expect --within 20 "line:connection=Round trip") ||
  player_fail "the Windows frame shows no round trip: '$(cd "$game_folder" && on host "$driver" read-line connection)'"
round_trips=()
for _ in 1 2 3; do
  round_trips+=("$(cd "$game_folder" && on host "$driver" read-line connection | sed -n 's/^Round trip \([0-9]*\) ms$/\1/p')")
  sleep 1
done

on host "$driver" burst VALDORIK 20261210 6 "$work/host.burst" >/dev/null &
host_burst=$!
on friend "$driver" burst VALDORIK 20261211 6 "$work/friend.burst" >/dev/null || player_fail "the Linux burst failed"
wait $host_burst || player_fail "the Windows burst failed"
on friend "$driver" hold Escape 200
ended friend 15
played_ms=$(($(date +%s%N) / 1000000 - joined_ms))
ended host 30

cmp -s "$work/host.dump" "$work/friend.dump" || player_fail "the games ended in different states"
cmp -s "$work/host.vrp" "$work/friend.vrp" || player_fail "the two replays differ"
"$sim" replay "$work/host.vrp" | tail -n1 | cmp -s - "$work/host.dump" ||
  player_fail "valdorik-sim does not play the replay to the games' final state"
grep -q '"left_by":1,' "$work/host.dump" || player_fail "the dump does not say the Linux player left"

turns=$(grep -o '"pass":[0-9]*' "$work/host.dump" | cut -d: -f2)
for _ in $(seq 100); do grep -q "closed after" "$work/relay.out" && break; sleep 0.05; done
read -r messages bytes < <(sed -n 's/.*closed after \([0-9]*\) game messages of \([0-9]*\) bytes.*/\1 \2/p' "$work/relay.out")
echo "PASS (wine_versus): $turns turns, the same end and replay on Windows and Linux; the Windows frame showed" \
     "round trips of ${round_trips[*]} ms; the relay passed on ${messages:-?} game messages of ${bytes:-?} bytes" \
     "for the two players in $((played_ms / 1000)).$((played_ms % 1000 / 100)) s," \
     "$(( ${bytes:-0} * 1000 / 2 / played_ms )) bytes a second from each"
