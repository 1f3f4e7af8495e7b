#!/usr/bin/env bash
# The browser game's figures (docs/performance.md): rules speed against
# valdorik-sim, presented frame rate, start-up time, and the site's size.
# Needs scripts/web-build.sh and build/valdorik-sim first.
set -euo pipefail
cd "$(dirname "$0")/.."
site=build-web/site
node tests/web/web_figures.js "$site" build/valdorik-sim
raw=$(cat "$site"/* | wc -c)
packed=$(for f in "$site"/*; do gzip -9c "$f"; done | wc -c)
echo "site: $raw bytes raw, $packed bytes gzip -9 (each file compressed alone)"
ls -l "$site" | awk 'NR > 1 { print "  " $5 "  " $9 }'
