#!/usr/bin/env bash
# The game as a player gets it, started through its launcher from another
# folder: installed into a prefix that is then moved (`prefix`), or packed
# by CPack and unpacked with dpkg-deb (`package`). The window must show the
# floor, the title and the leader's picture as read from the installed data
# folder, and Escape must end the game with status 0.
#   installed_game.sh prefix|package BUILD_FOLDER DRIVER FIXED_CLOCK_LIBRARY
set -u
case_name=$1 build=$(realpath "$2") driver=$(realpath "$3") fixed_clock=$(realpath "$4")
source "$(dirname "$0")/game_run.sh"

run_logged() {  # WHAT COMMAND...: the command's output is shown only if it fails
  local what=$1
  shift
  "$@" >"$work/log" 2>&1 || { sed 's/^/  /' "$work/log" >&2; fail "$what failed"; }
}

# Installed, then moved: the launcher must find everything from its own place.
install_into_prefix() {
  run_logged "cmake --install" cmake --install "$build" --prefix "$work/installed"
  mv "$work/installed" "$work/moved prefix"
  root="$work/moved prefix"
}

unpack_package() {
  run_logged "cpack" cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pack"
  local debs=("$work"/pack/valdorik_*.deb)
  [ -f "${debs[0]}" ] || fail "cpack wrote no package"
  local depends
  depends=$(dpkg-deb --info "${debs[0]}" | sed -n 's/^ Depends: //p')
  # The SDL, GL and GLU libraries the game needs, found by dpkg-shlibdeps.
  for library in libsdl2-2.0-0 libopengl0 libgl1 libglu1-mesa; do
    grep -qE "(^|, |\| )$library( |,|$)" <<<"$depends" || fail "the package does not depend on $library: $depends"
  done
  run_logged "dpkg-deb -x" dpkg-deb -x "${debs[0]}" "$work/unpacked"
  root="$work/unpacked/usr"
}

expect_installed_files() {
  [ -x "$root/lib/valdorik/valdorik" ] || fail "the game is not installed"
  run_logged "desktop-file-validate" desktop-file-validate "$root/share/applications/valdorik.desktop"
  local side icon
  for side in 48 256; do
    icon="$root/share/icons/hicolor/${side}x$side/apps/valdorik.png"
    [ "$(identify -format '%w %h %[opaque]' "$icon" 2>&1)" = "$side $side false" ] ||
      fail "$icon is not a $side x $side picture with see-through parts"
  done
  [ -s "$root/share/doc/valdorik/README.md" ] || fail "the README is not installed"
  "$root/bin/valdorik-relay" --help 2>&1 | grep -q '^usage: valdorik-relay' || fail "the relay is not installed"
  [ -s "$root/lib/systemd/system/valdorik-relay.service" ] || fail "the relay's systemd unit is not installed"
}

# The launcher on its own, with a stand-in for the game that tells where it
# runs and with what: any start folder, a link to the launcher, arguments
# with spaces; a missing data folder is a failed start.
expect_launcher_passes_everything_on() {
  local tree="$work/launcher tree"
  mkdir -p "$tree/bin" "$tree/lib/valdorik" "$tree/share/valdorik" "$work/start here"
  cp "$root/bin/valdorik" "$tree/bin/"
  printf '#!/bin/sh\nprintf "%%s\\n" "$PWD" "$VALDORIK_START_DIR" "$@"\n' >"$tree/lib/valdorik/valdorik"
  chmod +x "$tree/lib/valdorik/valdorik"
  ln -s "$tree/bin/valdorik" "$work/start here/play it"
  local seen wanted
  seen=$(cd "$work/start here" && "./play it" "two words" --replay x)
  wanted=$(printf '%s\n' "$tree/share/valdorik" "$work/start here" "two words" --replay x)
  [ "$seen" = "$wanted" ] || fail "the launcher ran the game as: $seen"
  rmdir "$tree/share/valdorik"
  (cd / && "$tree/bin/valdorik") 2>"$work/stderr" && fail "the launcher started without its data folder"
  grep -q "data folder" "$work/stderr" || fail "the launcher does not say what is missing"
  : >"$work/stderr"
}

# The screen checks read the pictures they look for from the installed data
# folder, so the installed files must be the ones drawn.
play_from_elsewhere() {
  game="$root/bin/valdorik" game_folder="$root/share/valdorik"
  start_display
  "$driver" move 400 306
  start_dealt_game_in /
  wait_for_window
  [ "$(readlink "/proc/$game_pid/cwd")" = "$(realpath "$game_folder")" ] ||
    fail "the game runs in $(readlink "/proc/$game_pid/cwd"), not in its data folder"
  tr '\0' '\n' <"/proc/$game_pid/environ" | grep -qx "VALDORIK_START_DIR=/" ||
    fail "VALDORIK_START_DIR is not the folder the game was started from"
  see --within 20 --each floor title "$(status_line)"
  # Backspace brings the view near the leader; one step right shows it.
  hold_until BackSpace --each title "$(status_line 22 -6)"
  hold_until Right --each title "$(status_line 23 -6)"
  see --view 23,-6 leader@32,4
  quit_with_escape
}

case $case_name in
  prefix) install_into_prefix ;;
  package) unpack_package ;;
  *) echo "unknown case $case_name" >&2; exit 2 ;;
esac
expect_installed_files
[ "$case_name" = prefix ] && expect_launcher_passes_everything_on
play_from_elsewhere
echo "PASS ($case_name)"
