#!/usr/bin/env bash
# Builds the Windows game and packs it: valdorik.exe (cross-built with
# MinGW-w64, the C and C++ run-times linked in), its pictures and sound (made
# by the Linux asset builder), the README and a note on replays, in
# WIN_BUILD/valdorik-VERSION-windows.zip. For Windows 10 and 11 (x86-64).
#   scripts/windows-zip.sh [LINUX_BUILD [WIN_BUILD]]    (default: build, build-win32)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
linux_build=$(realpath -m "${1:-$root/build}")
win_build=$(realpath -m "${2:-$root/build-win32}")
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))

for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-strip zip; do
  command -v "$tool" >/dev/null ||
    { echo "windows-zip: $tool is missing: run scripts/install-deps.sh test" >&2; exit 1; }
done

# The pictures and sound: the asset builder runs here, on Linux.
[ -f "$linux_build/CMakeCache.txt" ] || cmake -S "$root" -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$linux_build" -j"$jobs" --target game_assets >/dev/null

# The exe's icon is the asset builder's too: the Windows build makes one for
# this machine itself, as a build by hand does (cmake/windows-icon.cmake).
# A folder whose configuration the build refuses (one made with another
# MinGW compiler, which CMake would keep) is configured afresh.
[ -f "$win_build/CMakeCache.txt" ] && cmake "$win_build" >/dev/null 2>&1 ||
  cmake --fresh -S "$root" -B "$win_build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$win_build" -j"$jobs" --target valdorik >/dev/null

version=$(sed -n 's/^project(valdorik VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
stage=$win_build/zip/valdorik
rm -rf "$win_build/zip"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/valdorik.exe" "$win_build/valdorik.exe"
(cd "$linux_build/game" && cp -r --parents $(find . -name '*.bmp' -o -name '*.wav') "$stage/")
cp "$root/README.md" "$stage/README.md"
cp "$root/packaging/windows-replays.txt" "$stage/REPLAYS.txt"
archive=$win_build/valdorik-$version-windows.zip
rm -f "$archive"
(cd "$win_build/zip" && zip -qr "$archive" valdorik)
echo "$archive"
