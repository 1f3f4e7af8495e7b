#!/usr/bin/env bash
# Whether the game holds its frames to 60 a second itself where the display
# would let it go faster: on Xvfb as it is (no swap interval, rate unknown)
# and posing as a synced 144 Hz display. The rate is taken on a clock that
# moves only while the game waits for its next pass (present_counter's
# PRESENT_COUNTER_GAME_CLOCK): there the passes come one period apart
# however slowly a busy machine draws them, and unpaced ones with no time
# between them. It must lie within 59 to 61 over FRAMES presents.
# The rate in real time is a benchmark: bench/presentation_rate.sh.
#   tests/window/measure_presentation.sh [BUILD_FOLDER] [FRAMES]
set -u
build=$(cd "${1:-build}" && pwd) frames=${2:-120}
game=$build/valdorik driver=$build/window_driver counter=$build/libpresent_counter.so
game_folder=$build/game case_name=presentation_rate
source "$(dirname "$0")/game_run.sh"
for f in "$game" "$driver" "$counter"; do
  [ -e "$f" ] || fail "missing $f: build first"
done
start_display
mkdir -p "$game_folder"

measure() {  # WHAT [COUNTER SETTINGS...]
  case_name="presentation_rate, $1"
  count_presents "$frames" PRESENT_COUNTER_GAME_CLOCK=1 "${@:2}"
  local counted seconds
  read -r counted seconds < <(sed -n "s/^present_counter: on the game's clock: \([0-9]*\) frames in \([0-9.]*\) s$/\1 \2/p" "$work/stderr")
  [ -n "$seconds" ] || fail "the counter told no time on the game's clock"
  awk -v s="$seconds" 'BEGIN { exit !(s == 0) }' &&
    fail "$counted frames presented with no wait between them: the game keeps no time"
  local rate
  rate=$(awk -v n="$counted" -v s="$seconds" 'BEGIN { printf "%.2f", (n - 1) / s }')
  echo "$1: $counted frames in $seconds s on the game's clock: $rate frames per second"
  awk -v r="$rate" 'BEGIN { exit !(r >= 59 && r <= 61) }' || fail "$rate frames per second on the game's clock, not 59 to 61"
}

measure "as the display is"
measure "synced 144 Hz display" PRESENT_COUNTER_CLAIM_SYNC=1 PRESENT_COUNTER_REFRESH_HZ=144
echo "PASS (presentation_rate)"
