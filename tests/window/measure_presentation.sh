#!/usr/bin/env bash
# Measures how many frames per second the game presents on a private Xvfb
# display, once as built (paced where the driver does not sync) and once
# told that the driver syncs, which turns the pacing off.
#   tests/window/measure_presentation.sh [BUILD_FOLDER] [SECONDS]
set -u
build=$(cd "${1:-build}" && pwd) seconds=${2:-5}
game=$build/valdorik driver=$build/window_driver counter=$build/libpresent_counter.so
for f in "$game" "$driver" "$counter"; do
  [ -e "$f" ] || { echo "missing $f: build first" >&2; exit 1; }
done
work=$(mktemp -d)
xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
source "$(dirname "$0")/xvfb.sh"
start_xvfb "$work" || { echo "Xvfb did not start" >&2; exit 1; }
export SDL_AUDIODRIVER=dummy
mkdir -p "$build/game"
for claim in 0 1; do
  (cd "$build/game" && PRESENT_COUNTER_CLAIM_SYNC=$claim LD_PRELOAD=$counter \
     timeout -s KILL $((seconds + 10)) "$game") 2>&1 | grep present_counter &
  "$driver" find VALDORIK >/dev/null
  sleep "$seconds"
  "$driver" hold Escape 300
  wait %%
done
