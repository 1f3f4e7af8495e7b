#!/usr/bin/env bash
# Starts the real game over and over on one virtual X display, each time in
# a copy of its folder with the pictures and the sound spoiled, or with no
# usable audio output. Every start must bring up the window, run frames,
# take F1 (a new game, which plays the sound) and end on Escape with status
# 0; every spoiled picture that is there must be named on stderr.
#   hostile_assets.sh GAME DRIVER DAMAGE_TOOL GAME_FOLDER [CASE...]
# With no CASE every case runs. Cases: kind-KIND (one damage on every
# picture), mixed-N (a different damage on each picture), audio-DRIVER.
# SHOW_STDERR=1 shows what the game said in each case.
set -u
game=$(realpath "$1") driver=$(realpath "$2") damage=$(realpath "$3") game_folder=$(realpath "$4")
shift 4
here=$(dirname "$0")
case_name="setup"

source "$here/game_run.sh"

# The 21 pictures, as the game names them.
mapfile -t pictures < <(grep -o '"\.\\\\[^"]*\.bmp"' "$here/../../src/pictures/asset_table.h" |
                        sed 's/^"\.\\\\//; s/"$//; s/\\\\/\//g')
[ ${#pictures[@]} -eq 21 ] || fail "found ${#pictures[@]} pictures in the asset table, expected 21"
sound=sound/explosion3b.wav

# What each case did, for the report at the end.
starts=0 spoiled_pictures=0 spoiled_sounds=0

# The seven damages every picture meets at least once, and the rarer ones
# mixed in besides. "tiny", "odd" and "oversized" are well-formed; only a
# unit picture (units, corpse, mine) of 512 x 512 is too large to draw.
required_kinds=(missing truncated 8bit huge negative nonsquare random)
mixed_kinds=(missing truncated 8bit huge negative nonsquare random empty directory zero
             compressed offset_inside offset_beyond header_only tiny odd oversized)
sound_kinds=(missing random truncated huge_data odd_format directory empty)

fresh_folder() {
  rm -rf "$work/game"
  cp -r "$game_folder" "$work/game" || fail "cannot copy the game folder"
  : >"$work/expect_named"
}

spoil_picture() {  # KIND VARIANT PICTURE
  "$damage" picture "$1" "$2" "$work/game/$3" || fail "could not spoil $3 ($1)"
  case $1:$3 in
    missing:* | tiny:* | odd:* | oversized:bmp_floor/* | oversized:bmp_scr/*) ;;
    *) echo "$3" >>"$work/expect_named" ;;
  esac
  spoiled_pictures=$((spoiled_pictures + 1))
}

spoil_sound() {  # KIND VARIANT
  "$damage" sound "$1" "$2" "$work/game/$sound" || fail "could not spoil the sound ($1)"
  spoiled_sounds=$((spoiled_sounds + 1))
}

# One start: window, a second of frames, F1 held for some frames, Escape.
play_briefly() {  # AUDIO_DRIVER
  "$driver" move 320 240
  start_game_in "$work/game" env SDL_AUDIODRIVER="$1"
  wait_for_window
  sleep 1
  game_alive || fail "the game ended by itself"
  "$driver" hold F1 300 || fail "could not press F1"
  sleep 0.3
  quit_with_escape
  local picture
  while read -r picture; do
    grep -qF "picture ./$picture:" "$work/stderr" || fail "stderr does not name the spoiled $picture"
  done <"$work/expect_named"
  starts=$((starts + 1))
  [ -n "${SHOW_STDERR:-}" ] && sed 's/^/  game stderr: /' "$work/stderr"
}

run_case() {  # NAME
  case_name=$1
  fresh_folder
  local audio=$SDL_AUDIODRIVER i kind
  case $case_name in
    kind-*)
      kind=${case_name#kind-}
      for i in "${!pictures[@]}"; do spoil_picture "$kind" "$i" "${pictures[$i]}"; done
      for i in "${!required_kinds[@]}"; do [ "${required_kinds[$i]}" = "$kind" ] && break; done
      spoil_sound "${sound_kinds[$i]}" "$i"
      ;;
    mixed-*)
      local n=${case_name#mixed-}
      for i in "${!pictures[@]}"; do
        kind=${mixed_kinds[$(((i + 7 * n) % ${#mixed_kinds[@]}))]}
        spoil_picture "$kind" "$((i + n))" "${pictures[$i]}"
      done
      spoil_sound "${sound_kinds[$((n % ${#sound_kinds[@]}))]}" "$((n + 1))"
      ;;
    audio-*)
      audio=${case_name#audio-}
      [ "$audio" = disk ] && export SDL_DISKAUDIOFILE=/nonexistent/folder/played.raw
      ;;
    *) fail "unknown case" ;;
  esac
  play_briefly "$audio"
  unset SDL_DISKAUDIOFILE
  echo "PASS ($case_name)"
}

cases=("$@")
if [ ${#cases[@]} -eq 0 ]; then
  for kind in "${required_kinds[@]}"; do cases+=("kind-$kind"); done
  cases+=(mixed-0 mixed-1 mixed-2 audio-no_such_driver audio-disk)
fi

start_display
for c in "${cases[@]}"; do run_case "$c"; done
echo "hostile assets: $starts starts, $spoiled_pictures spoiled pictures, $spoiled_sounds spoiled sounds, all ended with status 0"
