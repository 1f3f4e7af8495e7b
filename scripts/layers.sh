#!/usr/bin/env bash
# The folders under src/ stand in layers, and every #include "..." points
# down or stays in its own folder (docs/architecture.md). From the bottom:
#
#   0 base        what every layer may use: bit casts, the shortest float,
#                 UTF-8 file names, the version, the user's folders
#     versus      the versus game's messages between players and relay:
#                 bytes only, no networking (above base, below everything else)
#   1 host        the host table and the input state
#   2 world
#   3 pathfinding
#   4 rules
#   5 replay
#   6 loop
#     lockstep    the versus game: its rules for two players, the turns they
#                 exchange, its replay (above loop, below pictures)
#   7 pictures < overlay < render (one level, in this order: the HUD draws
#     pictures, the frame draws the overlay)
#     platform/net the game's link to the relay (Beast on the desktop, or none),
#                 below the platform code that polls it
#   8 platform    the backend contract, the game's entry, the command line
#   9 platform/gl the OpenGL renderer the GL backends share
#  10 platform/sdl, platform/win32, platform/web, platform/null: the
#     backends, none of which includes another
#
# tools/, tests/, bench/ and fuzz/ stand above all of them.
#
#   scripts/layers.sh          the check: names file:line of every include that
#                              points up, of every headless file that includes
#                              SDL, GL, EGL, windows.h or Emscripten, and says
#                              whether docs/layers.svg shows the includes as
#                              they are. Needs no graphviz. Exits 1 on a fault.
#   scripts/layers.sh --draw   draws docs/layers.svg from the includes (graphviz).
#   scripts/layers.sh --dot    prints the picture's graphviz source.
#
# Headless files: everything but the renderer and the backends that talk to
# a platform (platform/gl, platform/sdl, platform/win32, platform/web).
set -uo pipefail
cd "$(dirname "$0")/.."

layers=(base versus host world pathfinding rules replay loop lockstep pictures overlay render platform/net platform platform/gl
        platform/null platform/sdl platform/web platform/win32)
backends=(platform/null platform/sdl platform/web platform/win32)
platform_folders='^platform/(gl|sdl|win32|web)/' 
picture=docs/layers.svg

rank_of() {  # FOLDER: its position in $layers, or nothing
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
}

is_backend() { [[ " ${backends[*]} " == *" $1 "* ]]; }

# One line per include between two folders: FILE LINE FROM TO HEADER. A
# folder is the path under src/ of the file's directory.
folder_includes() {
  grep -rnE --include='*.cpp' --include='*.h' '^[[:space:]]*#[[:space:]]*include[[:space:]]+"' src |
    sed -E 's#^src/([^:]+):([0-9]+):[^"]*"([^"]+)".*#\1 \2 \3#' |
    while read -r file line header; do
      from=$(dirname "$file") to=$(dirname "$header")
      [ "$to" = . ] && to=$from  # a bare name is a file of the same folder
      echo "src/$file $line $from $to $header"
    done
}

# The folder edges, one "FROM TO" line each, sorted.
edges() {
  folder_includes | awk '$3 != $4 { print $3, $4 }' | sort -u
}

check() {
  local faults=0 file line from to header rank_from rank_to
  while read -r file line from to header; do
    rank_from=$(rank_of "$from") rank_to=$(rank_of "$to")
    if [ -z "$rank_from" ]; then
      echo "$file:$line: the folder $from/ has no layer: give it one in scripts/layers.sh"
      faults=$((faults + 1))
    elif [ -z "$rank_to" ]; then
      echo "$file:$line: $header: the folder $to/ has no layer: give it one in scripts/layers.sh"
      faults=$((faults + 1))
    elif [ "$rank_to" -gt "$rank_from" ]; then
      echo "$file:$line: $from/ includes $header, from a layer above it"
      faults=$((faults + 1))
    elif [ "$from" != "$to" ] && is_backend "$from" && is_backend "$to"; then
      echo "$file:$line: the backend $from/ includes $header, from another backend"
      faults=$((faults + 1))
    fi
  done < <(folder_includes)

  local platform_include
  platform_include='^[[:space:]]*#[[:space:]]*include[[:space:]]*<(SDL|GL/|EGL/|windows\.h|windowsx\.h|mmsystem\.h|wingdi\.h|emscripten)'
  while IFS=: read -r file line header; do
    [[ ${file#src/} =~ $platform_folders ]] && continue
    echo "$file:$line: a headless file includes $(sed -E 's/.*include[[:space:]]*//' <<<"$header")"
    faults=$((faults + 1))
  done < <(grep -rnE --include='*.cpp' --include='*.h' "$platform_include" src)

  if [ ! -f "$picture" ]; then
    echo "$picture is missing: run scripts/layers.sh --draw"
    faults=$((faults + 1))
  elif ! diff <(edges) <(drawn_edges) >/dev/null; then
    echo "$picture does not show the includes as they are (< in the code, > in the picture):"
    diff <(edges) <(drawn_edges) | grep '^[<>]'
    echo "run scripts/layers.sh --draw and commit $picture"
    faults=$((faults + 1))
  fi

  if [ "$faults" -gt 0 ]; then
    echo "layers: $faults faults"
    return 1
  fi
  echo "layers: every include under src/ points down; $(edges | wc -l) folder edges, as drawn in $picture"
}

# The edges the picture shows: graphviz names each one "from->to" in a <title>.
drawn_edges() {
  sed -nE 's#.*<title>([a-z_/0-9]+)&\#45;&gt;([a-z_/0-9]+)</title>.*#\1 \2#p' "$picture" | sort -u
}

dot_source() {
  echo 'digraph layers {'
  echo '  node [shape=box, fontname="Helvetica"]; edge [color="#555555"];'
  echo '  label="The folders under src/, the bottom layer lowest; an arrow is an #include (scripts/layers.sh --draw)";'
  echo '  { rank=same; pictures; overlay; render; }'
  echo '  { rank=same; "platform/null"; "platform/sdl"; "platform/web"; "platform/win32"; }'
  # Unseen edges keep each layer above the one below it where no include does.
  echo '  "platform/sdl" -> "platform/gl" -> platform -> render -> loop -> replay -> rules -> pathfinding -> world -> host -> base [style=invis];'
  edges | awk '{ printf "  \"%s\" -> \"%s\";\n", $1, $2 }'
  echo '}'
}

draw() {
  command -v dot >/dev/null || { echo "layers: drawing needs graphviz's dot (Debian package graphviz)" >&2; exit 1; }
  dot_source | dot -Tsvg -o "$picture"
  echo "layers: drew $picture"
}

case ${1:-} in
  --draw) draw ;;
  --dot) dot_source ;;
  "") check ;;
  *) echo "usage: scripts/layers.sh [--draw | --dot]" >&2; exit 2 ;;
esac
