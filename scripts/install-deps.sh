#!/usr/bin/env bash
# Installs the Debian packages the game, its tools and its tests need,
# asking apt only when something is missing.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils libxtst-dev libxfixes-dev imagemagick
  xfonts-base  # the X core fonts SDL draws its message boxes with
  clang libclang-rt-14-dev valgrind
  dpkg-dev file desktop-file-utils
  g++-mingw-w64-x86-64 wine64 zip unzip  # the Windows build, its tests under Wine, its zip
  emscripten chromium  # the browser build and its tests (node comes with emscripten)
)

# One query for all of them keeps a second ./play quick.
# (It fails when it does not know a package: that one is missing.)
installed=" $( (dpkg-query -W -f='${Status} ${Package}\n' "${packages[@]}" 2>/dev/null || true) |
              sed -n 's/^install ok installed //p' | tr '\n' ' ') "
missing=()
for p in "${packages[@]}"; do
  [[ $installed == *" $p "* ]] || missing+=("$p")
done
# npm may come with node itself (as in NodeSource's package) or apart (Debian's).
command -v npm >/dev/null || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The browser tests' driver (puppeteer-core, pointed at Debian's chromium; it
# downloads no browser), exactly as pinned in tests/web/package-lock.json.
web_tests=$(dirname "$0")/../tests/web
if ! cmp -s "$web_tests/package-lock.json" "$web_tests/node_modules/.package-lock.json.installed"; then
  (cd "$web_tests" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
  cp "$web_tests/package-lock.json" "$web_tests/node_modules/.package-lock.json.installed"
fi
