#!/usr/bin/env bash
# Runs one program on a private virtual X display and passes on its status;
# it is killed after RUN_SECONDS (55 unless given), below the test's timeout.
#   [XVFB_SIZE=WxH] [RUN_SECONDS=S] run_on_display.sh PROGRAM [ARGUMENTS...]
set -u
work=$(mktemp -d)
xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
source "$(dirname "$0")/xvfb.sh"
start_xvfb "$work" 24 "${XVFB_SIZE:-1024x768}" || { echo "Xvfb did not start" >&2; exit 1; }
timeout -s KILL "${RUN_SECONDS:-55}" "$@"
