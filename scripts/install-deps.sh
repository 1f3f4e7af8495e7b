#!/usr/bin/env bash
# Installs the Debian packages of one list, asking apt only when something is missing:
#   scripts/install-deps.sh player        building and running the game (./play)
#   scripts/install-deps.sh [test]        that and every test and cross-build tool (./test)
#   scripts/install-deps.sh --list LIST   prints the list, one package a line; installs nothing
set -euo pipefail

# The compiler and the build, the game's window, OpenGL and sound (SDL2,
# GL/GLU and Mesa's drivers), the relay's networking; the asset builder needs
# nothing more.
player_packages=(
  g++ cmake make pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  xfonts-base  # the X core fonts SDL draws the game's message boxes with
  libboost1.74-dev  # Asio and Beast (header-only) for the relay of two-player games
)
test_packages=(
  "${player_packages[@]}"
  libegl-dev  # the offscreen drawing tests
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils libxtst-dev libxfixes-dev imagemagick
  clang libclang-rt-14-dev valgrind
  dpkg-dev file desktop-file-utils
  g++-mingw-w64-x86-64 wine64 zip unzip  # the Windows build, its tests under Wine, its zip
  emscripten chromium  # the browser build and its tests (node comes with emscripten)
  firefox-esr  # the browser tests' second engine
  python3  # the versus tests' line-cutting proxy and their JSON checks (emscripten brings it too)
)

usage() {
  echo "usage: scripts/install-deps.sh [--list] [player|test]   (default: test)" >&2
  exit 2
}
list_only=false
if [ "${1:-}" = --list ]; then
  list_only=true
  shift
fi
[ $# -le 1 ] || usage
list=${1:-test}
case $list in
  player) packages=("${player_packages[@]}") for_tests=false ;;
  test) packages=("${test_packages[@]}") for_tests=true ;;
  *) echo "install-deps: no package list named '$list'" >&2; usage ;;
esac

if $list_only; then
  printf '%s\n' "${packages[@]}"
  # The browser tests' npm, installed when none is on the PATH.
  if $for_tests; then echo npm; fi
  exit 0
fi

# One query for all of them keeps a second ./play quick.
# (It fails when it does not know a package: that one is missing.)
installed=" $( (dpkg-query -W -f='${Status} ${Package}\n' "${packages[@]}" 2>/dev/null || true) |
              sed -n 's/^install ok installed //p' | tr '\n' ' ') "
missing=()
for p in "${packages[@]}"; do
  [[ $installed == *" $p "* ]] || missing+=("$p")
done
# npm may come with node itself (as in NodeSource's package) or apart (Debian's).
if $for_tests && ! command -v npm >/dev/null; then missing+=(npm); fi

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
$for_tests || exit 0

# The browser tests' driver (puppeteer-core, pointed at Debian's chromium and
# firefox-esr; it downloads no browser), exactly as pinned in tests/web/package-lock.json.
web_tests=$(dirname "$0")/../tests/web
if ! cmp -s "$web_tests/package-lock.json" "$web_tests/node_modules/.package-lock.json.installed"; then
  (cd "$web_tests" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
  cp "$web_tests/package-lock.json" "$web_tests/node_modules/.package-lock.json.installed"
fi
