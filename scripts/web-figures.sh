#!/usr/bin/env bash
# The browser game's figures (docs/performance.md): rules speed against
# valdorik-sim, the worst scenario's frame time beside the native frame
# bench's, game frames beside frames drawn and screen updates (animation
# callbacks) over 10 s of play on the machine as it is, with both cores
# kept busy and with the CPU throttled 4x, start-up time (navigation to the
# first frame), and the sizes of the module (valdorik.wasm + valdorik.js)
# and of the whole site; each figure with the load average (the machine may
# be shared: a quiet figure is only as quiet as its load average says).
# By default builds the figures' page itself (scripts/web-build.sh
# --figures) and measures it against the native build in build/. --site
# measures a site already built instead, as it is (any build of the page:
# one without the worst scenario says so), against the native build
# --native names (its valdorik-sim; its valdorik-frame-bench where it has
# one).
#   scripts/web-figures.sh [--play] [--site SITE_FOLDER] [--native BUILD_FOLDER]
#     --play   the three runs of play alone
#   e.g. scripts/web-figures.sh --site build-web/site --native build
set -euo pipefail
play="" site="" native=build
while [ $# -gt 0 ]; do
  case $1 in
    --play) play=play ;;
    --site) site=$(realpath "$2") && shift ;;
    --native) native=$(realpath "$2") && shift ;;
    *) echo "usage: $0 [--play] [--site SITE_FOLDER] [--native BUILD_FOLDER]" >&2; exit 2 ;;
  esac
  shift
done
cd "$(dirname "$0")/.."
if [ -z "$site" ]; then
  scripts/web-build.sh --figures >/dev/null
  site=build-web/figures-site
fi
for f in "$site/index.html" "$site/valdorik.js" "$site/valdorik.wasm" "$native/valdorik-sim"; do
  [ -e "$f" ] || { echo "web-figures: missing $f" >&2; exit 1; }
done
echo "site $site, native build $native"
echo "start: load average $(uptime | sed 's/^.*load average: //')"
if [ -n "$play" ]; then
  node tests/web/web_figures.js "$site" "$native/valdorik-sim" play
  exit 0
fi
node tests/web/web_figures.js "$site" "$native/valdorik-sim"
# The native worst scenario, where the page had it to compare with.
if ! grep -q _FrameSpeedWeb "$site/valdorik.js"; then
  :
elif [ -x "$native/valdorik-frame-bench" ]; then
  echo "native, the same scenario (load average $(uptime | sed 's/^.*load average: //')):"
  bench/frame_bench.sh "$native" --scenario worst --frames 200 | grep -E "unpaced|renderer"
else
  echo "native, the same scenario: $native has no valdorik-frame-bench"
fi
sizes() {  # WHAT FILES...: raw and gzip -9, each file compressed alone
  local raw packed
  raw=$(cat "${@:2}" | wc -c)
  packed=$(for f in "${@:2}"; do gzip -9c "$f"; done | wc -c)
  echo "$1: $raw bytes raw, $packed bytes gzip -9 (each file compressed alone)"
}
sizes "module (valdorik.wasm + valdorik.js)" "$site/valdorik.wasm" "$site/valdorik.js"
sizes "site" "$site"/*
ls -l "$site" | awk 'NR > 1 { print "  " $5 "  " $9 }'
