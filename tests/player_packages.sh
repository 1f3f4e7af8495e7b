#!/usr/bin/env bash
# ./play installs only the player's package list: no test or cross-build
# tool may creep into it, and the test list, which ./test installs, must
# hold all of it. Both lists come from scripts/install-deps.sh itself.
set -u
install_deps=$(dirname "$0")/../scripts/install-deps.sh
failed=0
fail() { echo "player_packages: $*" >&2; failed=1; }

player=$("$install_deps" --list player) || { echo "player_packages: --list player failed" >&2; exit 1; }
test_list=$("$install_deps" --list test) || { echo "player_packages: --list test failed" >&2; exit 1; }
[ -n "$player" ] || fail "the player's list is empty"

# GoogleTest, benchmark, the private X display and its drivers, the picture
# comparisons, clang and the sanitizers' run-time, Valgrind, the packaging
# checks, the Windows build and Wine, the zip, the browser build and its tests
# (both browsers).
test_tools='^(libgtest-dev|googletest|libgmock-dev|libbenchmark-dev|xvfb|xauth|xdotool|x11-utils|libxtst-dev|imagemagick.*|clang.*|libclang.*|llvm.*|valgrind|dpkg-dev|desktop-file-utils|.*mingw.*|wine.*|zip|unzip|emscripten|chromium.*|firefox.*|npm|nodejs)$'
while read -r package; do
  [[ $package =~ $test_tools ]] && fail "the player's list holds the test tool $package"
  grep -qx -- "$package" <<<"$test_list" || fail "the test list lacks the player's $package"
done <<<"$player"

# A misspelt list is refused, not taken for another one.
"$install_deps" --list plyer >/dev/null 2>&1 && fail "--list plyer was not refused"

exit $failed
