#!/usr/bin/env bash
# Builds the game for web browsers into build-web/site/: index.html and the
# page's modules (web/), the game's script, its WebAssembly module and the
# packed pictures and sound, and what installs the site as an app that plays
# without a network: the manifest (manifest.webmanifest), its icons
# (icon-192.png, icon-512.png, from the native build's icons/) and the
# service worker (service-worker.js, which keeps every file under the
# build's version). Any static file server can serve that folder, e.g.
#   python3 -m http.server -d build-web/site 8000
# Uses Debian's emscripten package (scripts/install-deps.sh); nothing is
# downloaded. The pictures and sound come from a native build (build/game,
# or $VALDORIK_NATIVE_BUILD/game).
#   scripts/web-build.sh            the game, in build-web/site/
#   scripts/web-build.sh --figures  the game with the frame bench's scenario,
#                                   for scripts/web-figures.sh, in build-web/figures-site/
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# The asset builder runs natively, in the native build folder (the tests
# name theirs; it is configured only if it is not yet).
native=${VALDORIK_NATIVE_BUILD:-build}
[ -f "$native/CMakeCache.txt" ] || cmake -S . -B "$native" >/dev/null
cmake --build "$native" -j"$jobs" --target game_assets

# The JavaScript optimiser at -O2 needs node's acorn, which Debian keeps here.
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DVALDORIK_BACKEND=web \
  -DVALDORIK_WEB_GAME_DIR="$(realpath "$native")/game" >/dev/null
target=valdorik site=build-web/site
[ "${1:-}" = --figures ] && target=valdorik-figures site=build-web/figures-site
cmake --build build-web -j"$jobs" --target "$target"

rm -rf "$site"
mkdir -p "$site"
# The page loads valdorik.js, which names its own module and data files.
cp "build-web/$target.js" "$site/valdorik.js"
cp "build-web/$target.wasm" "build-web/$target.data" "$site"/
# The page's modules are every web/*.js but the worker, written below.
cp web/index.html web/page.css web/manifest.webmanifest "$site"/
for module in web/*.js; do [ "$module" = web/service-worker.js ] || cp "$module" "$site"/; done
for side in 192 512; do cp "$native/icons/${side}x$side/apps/valdorik.png" "$site/icon-$side.png"; done
# The worker's version: the game's and a hash of every file, the worker's
# own included, so any change to the site is a new version, which replaces
# the old one whole.
game_version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-web/CMakeCache.txt)
hash=$({ (cd "$site" && sha256sum -- *); sha256sum web/service-worker.js; } | sha256sum | cut -c1-16)
version="$game_version-$hash"
version_line="const Version = '$version';"
sed "s/^const Version = .*/$version_line/" web/service-worker.js >"$site/service-worker.js"
grep -qxF "$version_line" "$site/service-worker.js" || { echo "web-build: web/service-worker.js has no version line" >&2; exit 1; }
echo "Built $site:"
ls -l "$site"
