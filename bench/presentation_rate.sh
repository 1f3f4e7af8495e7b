#!/usr/bin/env bash
# How fast the game runs and how often it presents, in real time, on a
# private Xvfb display: each row gives the presents (frames drawn and shown:
# on the desktop each present is a screen update, counted by
# libpresent_counter.so) and the game frames (the rules' frames, FrameCounter)
# a second, each as a share of the paced 60. Rows: the window at scale 1 as
# the display is and posing as a synced 144 Hz display; at scale 3; at
# scale 3 with two busy loops keeping both cores busy (started for that row
# alone, killed after it). Paced, both are 60 on a quiet machine; a busy one
# pulls them down. (The test window.presentation_rate judges the pacing
# itself, on the game's clock.)
# The game frames come from the final state the game writes (--dump-final:
# its "frame" field), which every build of the game gives, so the script
# measures older builds as they are. They are taken over the presents'
# interval as nearly as the final state allows: the first frame, run before
# the first present that starts the interval, is left out; still in are
# the frames run after the last present (the pass that sees Escape and at
# most 3 undrawn before it) and, in a game that keeps its own clock, those
# it catches up on after a slow first present (at most 8): at most 12 too
# many in all, 2% of 600 presents at 60 a second, less where it runs slower.
#   bench/presentation_rate.sh [BUILD_FOLDER] [FRAMES]
set -u
build=$(cd "${1:-build}" && pwd) frames=${2:-600}
game=$build/valdorik driver=$build/window_driver counter=$build/libpresent_counter.so
game_folder=$build/game case_name="presentation rate"
source "$(dirname "$0")/../tests/window/game_run.sh"
for f in "$game" "$driver" "$counter" "$game_folder"; do
  [ -e "$f" ] || fail "missing $f: build first"
done

# Two busy loops, one a core, killed by their ids after their row or at exit.
busy_pids=()
start_busy_loops() {
  for _ in 1 2; do
    sh -c 'while :; do :; done' &
    busy_pids+=($!)
  done
}
stop_busy_loops() {
  [ ${#busy_pids[@]} -gt 0 ] && kill "${busy_pids[@]}" 2>/dev/null && wait "${busy_pids[@]}" 2>/dev/null
  busy_pids=()
}
trap 'stop_busy_loops; cleanup' EXIT

echo "$(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg); $build"
# Large enough for the window at scale 3 (1920 x 1440); every row names its scale.
start_display 24 2048x1536

report() {  # WHAT SCALE [COUNTER SETTINGS...]
  local what=$1 dump=$work/final.dump
  rm -f "$dump" "$settings"  # no window size kept from the row before
  game_args=(--scale "$2" --dump-final "$dump")
  count_presents "$frames" "${@:3}"
  local presents seconds gap final
  read -r presents seconds gap < <(sed -n \
    's/^present_counter: \([0-9]*\) frames in \([0-9.]*\) s: .* frames per second.*, longest gap \([0-9.]*\) ms$/\1 \2 \3/p' \
    "$work/stderr")
  [ -n "$seconds" ] || fail "$what: the counter told no rate"
  final=$(grep -o '"frame":[0-9]*' "$dump" 2>/dev/null | head -n1 | cut -d: -f2)
  [ -n "$final" ] || fail "$what: the game wrote no final state with its frame"
  awk -v what="$what" -v n="$presents" -v s="$seconds" -v gap="$gap" -v f="$final" -v load="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
    p = (n - 1) / s; g = (f - 1) / s
    printf "%s: %d presents, %d game frames in %.2f s (longest gap %.1f ms); load average %s\n", what, n, f - 1, s, gap, load
    printf "  %.1f game frames a second (%.3f of 60), %.1f presents a second (%.3f of 60, %.2f x game frames)\n",
           g, g / 60, p, p / 60, p / g
  }'
}

report "scale 1, as the display is" 1
report "scale 1, synced 144 Hz display" 1 PRESENT_COUNTER_CLAIM_SYNC=1 PRESENT_COUNTER_REFRESH_HZ=144
report "scale 3" 3
start_busy_loops
report "scale 3, two busy loops on both cores" 3
stop_busy_loops
