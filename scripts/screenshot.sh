#!/usr/bin/env bash
# Remakes docs/screenshot.png from the built game: it runs on a private Xvfb
# display with the clock fixed as in the window tests (the same table every
# time), and the window is grabbed once the first frames show the title.
#   scripts/screenshot.sh [BUILD_FOLDER] [PNG]      defaults: build docs/screenshot.png
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}") png=$(realpath -m "${2:-$root/docs/screenshot.png}")
game=$build/valdorik driver=$build/window_driver case_name=screenshot
source "$root/tests/window/game_run.sh"

for needed in "$game" "$driver" "$build/libfixed_clock.so" "$build/game"; do
  [ -e "$needed" ] || fail "$needed is missing: build first (cmake --build build)"
done
cd "$build/game"  # the driver reads the game's pictures from here
start_display
"$driver" move 400 306
start_game_in "$build/game" env FIXED_CLOCK_SECONDS=2 LD_PRELOAD="$build/libfixed_clock.so" SDL_AUDIODRIVER=dummy
wait_for_window
# The same checks as the install tests: floor and title drawn from the pictures.
"$driver" expect --within 20 --each floor title || fail "the title picture did not show"
# Let the creatures take a few steps first.
sleep "${SCREENSHOT_DELAY:-3}"
"$driver" screenshot "$work/shot.ppm" || fail "could not grab the window"
quit_with_escape
mkdir -p "$(dirname "$png")"
convert "$work/shot.ppm" -strip "$png" || fail "could not write $png"
echo "wrote $png"
