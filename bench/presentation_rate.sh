#!/usr/bin/env bash
# How many frames a second the game presents in real time on a private Xvfb
# display, as the display is and posing as a synced 144 Hz display: paced,
# 60 on a quiet machine; a busy one pulls it down. (The test
# window.presentation_rate judges the pacing itself, on the game's clock.)
#   bench/presentation_rate.sh [BUILD_FOLDER] [FRAMES]
set -u
build=$(cd "${1:-build}" && pwd) frames=${2:-600}
game=$build/valdorik driver=$build/window_driver counter=$build/libpresent_counter.so
game_folder=$build/game case_name="presentation rate"
source "$(dirname "$0")/../tests/window/game_run.sh"
for f in "$game" "$driver" "$counter" "$game_folder"; do
  [ -e "$f" ] || fail "missing $f: build first"
done
echo "$(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)"
start_display

report() {  # WHAT [COUNTER SETTINGS...]
  count_presents "$frames" "${@:2}"
  sed -n "s/^present_counter: \(.*frames per second.*\)/$1: \1/p" "$work/stderr" |
    awk '{ print } match($0, /[0-9.]+ frames per second/) { printf "  %.3f of the paced 60\n", substr($0, RSTART) / 60 }'
}

report "as the display is"
report "synced 144 Hz display" PRESENT_COUNTER_CLAIM_SYNC=1 PRESENT_COUNTER_REFRESH_HZ=144
