#!/usr/bin/env bash
# The browser game's figures (docs/performance.md): rules speed against
# valdorik-sim, the worst scenario's frame time beside the native frame
# bench's, frames drawn beside screen updates (animation callbacks) over
# 10 s of play on the machine as it is, with both cores kept busy and with
# the CPU throttled 4x, start-up time, and the site's size; each figure with
# the load average (the machine may be shared: a quiet figure is only as
# quiet as its load average says).
# Needs build/valdorik-sim and build/valdorik-frame-bench; builds the
# figures' page itself (scripts/web-build.sh --figures).
#   scripts/web-figures.sh          every figure
#   scripts/web-figures.sh --play   the three runs of play alone
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/web-build.sh --figures >/dev/null
site=build-web/figures-site
echo "start: load average $(uptime | sed 's/^.*load average: //')"
if [ "${1:-}" = --play ]; then
  node tests/web/web_figures.js "$site" build/valdorik-sim play
  exit 0
fi
node tests/web/web_figures.js "$site" build/valdorik-sim
echo "native, the same scenario (load average $(uptime | sed 's/^.*load average: //')):"
bench/frame_bench.sh build --scenario worst --frames 200 | grep -E "unpaced|renderer"
raw=$(cat "$site"/* | wc -c)
packed=$(for f in "$site"/*; do gzip -9c "$f"; done | wc -c)
echo "site: $raw bytes raw, $packed bytes gzip -9 (each file compressed alone)"
ls -l "$site" | awk 'NR > 1 { print "  " $5 "  " $9 }'
