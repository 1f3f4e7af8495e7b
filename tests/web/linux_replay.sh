#!/usr/bin/env bash
# A game the Linux game records under a seeded burst of input (Xvfb and the
# window driver, as the windowed tests play), then watched in the browser
# page with ?replay=...&dump-final=1: the page must end in the Linux game's
# final state, to the byte.
#   linux_replay.sh GAME DRIVER GAME_FOLDER SITE SIM
set -u
game=$(realpath "$1") driver=$(realpath "$2") game_folder=$(realpath "$3") site=$(realpath "$4") sim=$(realpath "$5")
here=$(dirname "$0")
source "$here/../window/game_run.sh"
case_name=web.${VALDORIK_BROWSER:+$VALDORIK_BROWSER.}linux_replay

start_display
burst_replays linux 20261210 6
node "$here/web_test.js" watch "$site" "$sim" "$work/linux.vrp" "$work/linux.dump"
