#!/usr/bin/env bash
# Plays the game under Valgrind memcheck on a private virtual display for a
# number of presented frames, with a round of play repeated meanwhile
# (recruit and order clicks, help, unit sizes, spin, zoom, scrolling, a new
# game with its sound, moving the window), then Escape. Reports every
# memcheck error whose stack passes through the game's own code (src/);
# exits 1 if one of them is an invalid read, write or free.
#   tests/window/memcheck.sh [BUILD_FOLDER] [FRAMES] [GAME_FOLDER]
# Under memcheck with the software GL driver a frame takes about a second:
# 300 frames (the default) are about six minutes. The full log stays in
# BUILD_FOLDER/memcheck.log.
set -u
build=$(cd "${1:-build}" && pwd) frames=${2:-300}
game_folder=$(realpath "${3:-$build/game}")
game=$build/valdorik driver=$build/window_driver counter=$build/libpresent_counter.so
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
log=$build/memcheck.log
for f in "$game" "$driver" "$counter"; do
  [ -e "$f" ] || { echo "missing $f: build first" >&2; exit 1; }
done
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
source "$here/game_run.sh"
case_name="memcheck, $frames frames"

# A frame takes long here, so every key and button is held for seconds:
# keys that are read as held at the instant of a frame need one to see them.
play_round() {
  local step
  local steps=(
    "move 320 240" "hold Button1 2500" "move 120 140" "hold Button3 2500" "move 420 300" "hold Button1 2500"
    "hold h 2500" "hold F2 2000" "hold F4 2000" "hold F3 2000"
    "press space" "move 500 200" "move 150 350" "release space"
    "hold Prior 2000" "hold Next 2500" "hold Right 1500" "hold Up 1500"
    "press Shift_L" "hold Left 2000" "release Shift_L"
    "hold F1 2500" "move 200 100" "hold m 2500" "move 0 0" "hold m 2500" "move 320 240"
    "hold BackSpace 2500" "hold 0 2500" "hold F8 2000"
  )
  for step in "${steps[@]}"; do
    [ "$(frames_presented)" -ge "$frames" ] && return
    game_alive || return
    # shellcheck disable=SC2086
    "$driver" $step || fail "driver step '$step' failed"
  done
}

start_display
"$driver" move 320 240
start_game_in "$game_folder" env LP_NUM_THREADS=0 PRESENT_COUNTER_EVERY=10 \
  LD_PRELOAD="$counter" valgrind --tool=memcheck --leak-check=no --error-limit=no --num-callers=40 \
  --track-origins=no --suppressions="$here/memcheck.supp" --fullpath-after="$repo/" --log-file="$log"
started=$SECONDS
until [ "$(frames_presented)" -ge 1 ]; do
  game_alive || fail "the game ended before its first frame (see $log)"
  [ $((SECONDS - started)) -gt 300 ] && fail "no frame within 300 s"
  sleep 1
done
while game_alive && [ "$(frames_presented)" -lt "$frames" ]; do play_round; done
game_alive || fail "the game ended by itself under memcheck (see $log)"
seen=$(frames_presented)
"$driver" move 320 240
quit_with_escape 300
echo "memcheck: $seen frames in $((SECONDS - started)) s; log in $log"

# One report per memcheck error that passes through src/, and a count per kind.
awk '
  /^==[0-9]+== (Invalid|Mismatched|Conditional|Use of|Syscall|Source and|Argument)/ {
    block = $0; kind = $0; sub(/^==[0-9]+== /, "", kind); sub(/ (of|at|on|depends|value|points|contains|size).*/, "", kind)
    ours = 0; open = 1; next
  }
  open && /^==[0-9]+== $/ {
    if (ours) { print block "\n"; count[kind]++; if (kind ~ /^(Invalid|Mismatched)/) serious++ }
    open = 0; next
  }
  open { block = block "\n" $0; if ($0 ~ /\(src\//) ours = 1 }
  END {
    n = 0; for (k in count) { printf "memcheck: %d report(s) of \"%s\" through src/\n", count[k], k; n++ }
    if (!n) print "memcheck: no report passes through src/"
    exit serious ? 1 : 0
  }' "$log"
status=$?
grep "ERROR SUMMARY" "$log" | sed 's/^==[0-9]*== /memcheck: all libraries: /'
exit $status
