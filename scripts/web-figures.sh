#!/usr/bin/env bash
# The browser game's figures (docs/performance.md): rules speed against
# valdorik-sim, the worst scenario's frame time beside the native frame
# bench's, presented frame rate, start-up time, and the site's size.
# Needs build/valdorik-sim and build/valdorik-frame-bench; builds the
# figures' page itself (scripts/web-build.sh --figures).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/web-build.sh --figures >/dev/null
site=build-web/figures-site
node tests/web/web_figures.js "$site" build/valdorik-sim
echo "native, the same scenario:"
bench/frame_bench.sh build --scenario worst --frames 200 | grep -E "unpaced|renderer"
raw=$(cat "$site"/* | wc -c)
packed=$(for f in "$site"/*; do gzip -9c "$f"; done | wc -c)
echo "site: $raw bytes raw, $packed bytes gzip -9 (each file compressed alone)"
ls -l "$site" | awk 'NR > 1 { print "  " $5 "  " $9 }'
