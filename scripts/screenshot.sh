#!/usr/bin/env bash
# Remakes docs/screenshot.png from the built game: it runs on a private Xvfb
# display with the clock fixed as in the window tests (the same table every
# time), and the window is grabbed once the first frames show the title.
#   scripts/screenshot.sh [BUILD_FOLDER] [PNG]      defaults: build docs/screenshot.png
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}") png=$(realpath -m "${2:-$root/docs/screenshot.png}")
game=$build/valdorik driver=$build/window_driver case_name=screenshot
game_folder=$build/game fixed_clock=$build/libfixed_clock.so
source "$root/tests/window/game_run.sh"

for needed in "$game" "$driver" "$fixed_clock" "$game_folder"; do
  [ -e "$needed" ] || fail "$needed is missing: build first (cmake --build build)"
done
start_display
"$driver" move 400 306
start_dealt_game_in "$game_folder"
wait_for_window
# The same checks as the install tests: floor and title drawn from the pictures.
see --within 20 --each floor title
# Let the creatures take a few steps first.
sleep "${SCREENSHOT_DELAY:-3}"
(cd "$game_folder" && "$driver" screenshot "$work/shot.ppm") || fail "could not grab the window"
quit_with_escape
mkdir -p "$(dirname "$png")"
convert "$work/shot.ppm" -strip "$png" || fail "could not write $png"
echo "wrote $png"
