#!/usr/bin/env bash
# The frame's cost in the game's window on a virtual X display, drawn by
# Mesa's software rasteriser (llvmpipe): frames per second unpaced and the
# split between the frame's stretches, for the three scenarios.
#   bench/frame_bench.sh [BUILD_FOLDER] [valdorik-frame-bench options...]
#   e.g. bench/frame_bench.sh build --frames 600 --scenario worst --scale 3
# The display is large enough for the window at the largest scale.
set -u
build=$(cd "${1:-build}" && pwd)
shift $(( $# > 0 ? 1 : 0 ))
bench=$build/valdorik-frame-bench
[ -x "$bench" ] || { echo "missing $bench: build first" >&2; exit 1; }
[ -d "$build/game/bmp_unit" ] || { echo "missing pictures in $build/game: build first" >&2; exit 1; }
echo "$(nproc) cores; $(uname -m)"
# The windowed tests' environment (no session bus, no sound device) and
# software GL, whatever else is installed.
source "$(dirname "$0")/../tests/window/xvfb.sh"
cd "$build/game"
LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe \
  xvfb-run -a -s "-screen 0 5120x3840x24 -nolisten tcp" "$bench" "$@"
