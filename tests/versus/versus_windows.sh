#!/usr/bin/env bash
# Two real game windows play a versus game through the real relay on
# 127.0.0.1, each on a virtual display of its own and driven through XTest
# by its own player, as two people at two machines would.
#   versus_windows.sh CASE RELAY GAME DRIVER SIM GAME_FOLDER FIXED_CLOCK
# CASE:
#   play     both recruit, order and attack, then a burst of hostile input
#            each; the friend leaves with Escape. Both games end at the same
#            turn in the same state, with the same replay, which valdorik-sim
#            and the window (from the friend's side) play to that state.
#   desync   the host's state is bent after turn 30: both games say so at
#            the hash of turn 60 and both keep a report.
#   reconnect the friend's line to the relay is cut and stays down for 3 s:
#            both are told, the friend comes back into the same game, and
#            the game ends as one, with one replay.
#   dropped  the friend's game stops answering, then is killed: the host is
#            told it waits, then that the friend is gone, and plays on against
#            the computer, which takes the friend's side.
set -u
case_name=$1 relay=$(realpath "$2") game=$(realpath "$3") driver=$(realpath "$4") sim=$(realpath "$5")
game_folder=$(realpath "$6") fixed_clock=$(realpath "$7")
here=$(dirname "$0")
source "$here/../window/scratch.sh"
source "$here/../window/xvfb.sh"
source "$here/relay_run.sh"
seed=2  # the fixed clock's: the same table every run

others=()
stop_others() {
  [ ${#others[@]} -gt 0 ] && kill -KILL "${others[@]}" 2>/dev/null
  cleanup
}
trap stop_others EXIT

player_fail() {  # WHAT: fail, with both games' stderr
  for side in host friend; do
    [ -s "$work/$side.err" ] && sed "s/^/  $side stderr: /" "$work/$side.err" >&2
  done
  fail "$@"
}

declare -A display pid
open_display() {  # SIDE
  mkdir -p "$work/$1"
  start_xvfb "$work/$1" || fail "Xvfb did not start"
  others+=("$xvfb_pid")
  xvfb_pid=""
  display[$1]=$DISPLAY
  "$driver" announce-wm-hints || fail "cannot reach the display"
}

on() { local side=$1; shift; DISPLAY=${display[$side]} "$@"; }  # SIDE COMMAND...: on that side's display

start_player() {  # SIDE OPTIONS...
  local side=$1
  shift
  (cd "$game_folder" && DISPLAY=${display[$side]} XDG_DATA_HOME="$work/$side/data" FIXED_CLOCK_SECONDS=$seed \
     LD_PRELOAD="$fixed_clock" ASAN_OPTIONS=verify_asan_link_order=0 \
     exec "$game" "$@" --record "$work/$side.vrp" --dump-final "$work/$side.dump" \
       >"$work/$side.out" 2>"$work/$side.err") &
  pid[$side]=$!
  others+=("${pid[$side]}")
}

# Both players in one room: the host's code from its standard output. The
# friend reaches the relay at friend_port (the relay's own unless changed).
start_game() {  # [HOST OPTIONS...]
  start_relay
  open_display host
  open_display friend
  friend_port=${friend_port:-$port}
  [ -n "${before_friend:-}" ] && $before_friend
  start_player host --host "127.0.0.1:$port" "$@"
  local code=""
  for _ in $(seq 200); do
    code=$(head -n1 "$work/host.out" 2>/dev/null)
    [ -n "$code" ] && break
    sleep 0.05
  done
  [ -n "$code" ] || player_fail "the host wrote no room code"
  start_player friend --join "$code" "127.0.0.1:$friend_port"
  on host "$driver" find VALDORIK >/dev/null && on friend "$driver" find VALDORIK >/dev/null || player_fail "no windows"
}

see_on() {  # SIDE CHECKS...
  local side=$1
  shift
  (cd "$game_folder" && E2E_SHOT="$work/../versus.$case_name.$side.failed.ppm" on "$side" "$driver" expect "$@") ||
    player_fail "the $side's screen does not show: ${*: -1}"
}

ended() {  # SIDE SECONDS: its game ended, with status 0
  local side=$1 deadline=$((SECONDS + $2))
  while kill -0 "${pid[$side]}" 2>/dev/null; do
    [ $SECONDS -ge $deadline ] && player_fail "the $side's game did not end within $2 s"
    sleep 0.05
  done
  wait "${pid[$side]}" || player_fail "the $side's game ended with status $?"
}

# The table of a game nobody has touched yet, as valdorik-sim plays a versus
# replay of RESTED quiet turns: by then every creature the first turn sent
# wandering has arrived, and stands still until turn 3001.
rested=600
rested_table() {
  python3 -c '
import sys
def varint(n):
    out = b""
    while n >= 0x80: out, n = out + bytes([n & 0x7F | 0x80]), n >> 7
    return out + bytes([n])
seed, turns = int(sys.argv[1]), int(sys.argv[2])
sys.stdout.buffer.write(b"VLDVERSU\x01\x04test" + seed.to_bytes(4, "little") + b"\x02" + varint(turns) + b"\x00")
' "$seed" "$rested" >"$work/rested.vrp"
  "$sim" replay "$work/rested.vrp" | tail -n1
}

# The nearest resting creature to SIDE's leader that is easy to win, as
# "ID DX DY" from the leader, where that player's view starts.
creature_near() {  # SIDE
  local leader=$([ "$1" = host ] && echo 0 || echo 1) easy=""
  for type in $(seq 30 44); do
    [ "$("$driver" recruit-odds "$type")" -le 8 ] && easy="$easy $type"
  done
  rested_table | python3 -c '
import json, sys
units = json.load(sys.stdin)["units"]
leader, easy = int(sys.argv[1]), [int(t) for t in sys.argv[2].split()]
lx, ly = next((u[2], u[3]) for u in units if u[0] == leader)
near = [(abs(u[2] - lx) + abs(u[3] - ly), u[0], u[2] - lx, u[3] - ly) for u in units
        if u[1] == 2 and u[9] == 0 and u[10] in easy and abs(u[2] - lx) < 15 and abs(u[3] - ly) < 15]
print(*min(near)[1:])' "$leader" "$easy"
}

# SIDE's player wins a creature with the left button, sends it off with the
# right, jumps the view to the other's units with 0 and attacks their leader.
recruit_order_attack() {  # SIDE
  local side=$1 id dx dy other ox oy
  read -r id dx dy < <(creature_near "$side") || player_fail "no creature near the $side's leader"
  on "$side" "$driver" point-at "$dx" "$dy" >/dev/null
  (cd "$game_folder" && on "$side" "$driver" hold-until Button1 --within 8 "line:3=selected_unit=$id") ||
    player_fail "the $side did not win creature $id"
  on "$side" "$driver" point-at 0 -5 >/dev/null
  on "$side" "$driver" hold Button3 200
  other=$([ "$side" = host ] && echo 1 || echo 0)
  read -r ox oy < <(rested_table |
    python3 -c 'import json,sys; u=json.load(sys.stdin)["units"][int(sys.argv[1])]; print(u[2] - 10, u[3] - 10)' "$other")
  (cd "$game_folder" && on "$side" "$driver" hold-until 0 --within 8 "line:2=map_sx=$ox map_sy=$oy") ||
    player_fail "the $side's view did not jump to the other's units"
  on "$side" "$driver" point-at 10 10 >/dev/null
  on "$side" "$driver" hold Button3 200
}

# Every turn of the replay, headless: whether each empire won a creature and
# attacked one of the other's units.
check_orders() {  # REPLAY
  local missing
  missing=$("$sim" replay "$1" --dump-every 1 | python3 -c '
import json, sys
won, attacked = set(), set()
for line in sys.stdin:
    units = {u[0]: u for u in json.loads(line)["units"]}
    for u in units.values():
        if u[1] in (0, 1) and u[10] != 10: won.add(u[1])
        if u[1] in (0, 1) and u[9] == 2 and u[8] in units and units[u[8]][1] == 1 - u[1]: attacked.add(u[1])
missing = [f"empire {e} never {what}" for e in (0, 1) for what, seen in (("won a creature", won), ("attacked", attacked)) if e not in seen]
print("; ".join(missing)); sys.exit(1 if missing else 0)') || player_fail "the replay shows: $missing"
}

same_end() {  # the two games' final states and replays, and the replay played headless
  cmp -s "$work/host.dump" "$work/friend.dump" || player_fail "the games ended in different states"
  cmp -s "$work/host.vrp" "$work/friend.vrp" || player_fail "the two replays differ"
  "$sim" replay "$work/host.vrp" | tail -n1 | cmp -s - "$work/host.dump" ||
    player_fail "valdorik-sim does not play the replay to the games' final state"
}

# Each player's own burst at once, then the friend's Escape: both games end
# as one (same_end).
bursts_then_friend_leaves() {  # SEED SECONDS
  on host "$driver" burst VALDORIK "$1" "$2" "$work/host.burst" >/dev/null &
  local host_burst=$!
  on friend "$driver" burst VALDORIK $(($1 + 1)) "$2" "$work/friend.burst" >/dev/null ||
    player_fail "the friend's burst failed"
  wait $host_burst || player_fail "the host's burst failed"
  on friend "$driver" hold Escape 200
  ended friend 15
  ended host 15
  same_end
}

case $case_name in
  play)
    start_game
    sleep $((rested / 60 + 1))  # the creatures come to rest
    recruit_order_attack host &
    host_script=$!
    recruit_order_attack friend || exit 1
    wait $host_script || exit 1
    bursts_then_friend_leaves 20261208 6
    grep -q '"left_by":1,' "$work/host.dump" || player_fail "the dump does not say the friend left"
    check_orders "$work/host.vrp"
    # Watched from the friend's side: the friend's empire in the status lines, and the same end.
    (cd "$game_folder" && DISPLAY=${display[friend]} exec "$game" --replay "$work/host.vrp" --seat 1 \
       --dump-final "$work/watched.dump" 2>"$work/watch.err") &
    pid[watch]=$!
    sleep 2
    gold_line=$(on friend "$driver" read-line 5)
    [[ $gold_line == empire_1_gold=* ]] || player_fail "the friend's side of the replay shows '$gold_line'"
    ended watch 60
    cmp -s "$work/watched.dump" "$work/host.dump" || player_fail "the watched replay ended elsewhere"
    turns=$(grep -o '"pass":[0-9]*' "$work/host.dump" | cut -d: -f2)
    for _ in $(seq 100); do grep -q "closed after" "$work/relay.out" && break; sleep 0.05; done
    passed=$(sed -n 's/.*closed after \([0-9]*\) game messages of \([0-9]*\) bytes.*/\1 messages, \2 bytes/p' "$work/relay.out")
    echo "PASS (play): $turns turns, $(wc -c <"$work/host.vrp") bytes of replay on each side, the same end;" \
         "the relay passed on ${passed:-?} for the two players"
    ;;
  desync)
    start_game --desync-at 30
    for side in host friend; do see_on "$side" --within 20 "line:connection=OUT OF STEP at turn 60:"; done
    for side in host friend; do
      head -n1 "$work/$side-desync.txt" | grep -q "^Out of step at turn 60:" || player_fail "no report from the $side"
      [ "$(grep -c '"pass":' "$work/$side-desync.txt")" -ge 60 ] || player_fail "the $side's report lacks the dumps"
      "$sim" replay "$work/$side-desync.replay" >/dev/null 2>&1 || player_fail "the $side's report holds no input"
    done
    on friend "$driver" hold Escape 200
    ended friend 15
    ended host 15
    echo "PASS (desync): both told at turn 60, both reports kept"
    ;;
  reconnect)
    start_proxy() {
      python3 "$here/cut_proxy.py" "$port" >"$work/proxy.out" 2>&1 &
      proxy=$!
      others+=("$proxy")
      for _ in $(seq 100); do
        friend_port=$(head -n1 "$work/proxy.out")
        [ -n "$friend_port" ] && return
        sleep 0.05
      done
      fail "the proxy did not start"
    }
    before_friend=start_proxy
    start_game
    for side in host friend; do see_on "$side" --within 10 "line:connection=Round trip"; done
    kill -USR1 "$proxy"
    see_on host --within 5 "line:connection=Your friend's line dropped: waiting"
    see_on friend --within 5 "line:connection=The line to the relay dropped: coming back"
    for side in host friend; do see_on "$side" --within 15 "line:connection=Round trip"; done
    bursts_then_friend_leaves 20261210 3
    grep -q '"played_by":\[1,1\]' "$work/host.dump" || player_fail "the computer took a side: the friend did not come back"
    echo "PASS (reconnect): the friend came back into the same game, which ended as one"
    ;;
  dropped)
    start_game
    see_on host --within 10 "line:connection=Round trip"
    kill -STOP "${pid[friend]}"  # a friend who stops answering holds the game, and the host sees why
    see_on host --within 10 "line:connection=Waiting for your friend..."
    kill -CONT "${pid[friend]}"
    see_on host --within 10 "line:connection=Round trip"
    kill -KILL "${pid[friend]}"
    see_on host --within 5 "line:connection=Your friend's line dropped: waiting"
    see_on host --within 15 "line:connection=Your friend's connection dropped: the computer plays their side."
    sleep 3
    on host "$driver" hold Escape 200
    ended host 15
    grep -q '"played_by":\[1,0\]' "$work/host.dump" || player_fail "the host's dump does not have the computer on the friend's side"
    "$sim" replay "$work/host.vrp" | tail -n1 | cmp -s - "$work/host.dump" ||
      player_fail "valdorik-sim does not play the host's replay to its final state"
    units=$(python3 -c 'import json,sys; print(sum(u[1] == 1 for u in json.load(open(sys.argv[1]))["units"]))' "$work/host.dump")
    [ "$units" -gt 1 ] || player_fail "the computer won nothing for the friend's side"
    echo "PASS (dropped): the host was told and played on; the computer holds $units units of empire 1"
    ;;
  *) fail "no such case" ;;
esac
