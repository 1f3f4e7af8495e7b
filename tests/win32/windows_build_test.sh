#!/usr/bin/env bash
# The Windows game as players get it: scripts/windows-zip.sh cross-builds
# valdorik.exe and packs the zip; the exe is a GUI program with its icon and
# a per-monitor DPI-aware manifest, it needs only Windows' own DLLs, the
# game's rules use SSE arithmetic as on Linux (no x87 instruction, which
# rounds through 80 bits, so replays would part ways), and the zip holds the
# exe, every picture and sound the asset builder made, the README and the
# replays note. It also builds the window procedure's test program.
#   windows_build_test.sh SOURCE_DIR LINUX_BUILD WIN_BUILD
set -u
root=$1 linux_build=$2 win_build=$3
fail() { echo "FAIL (windows build): $*" >&2; exit 1; }

zip=$("$root/scripts/windows-zip.sh" "$linux_build" "$win_build") || fail "scripts/windows-zip.sh failed"
[ -f "$zip" ] || fail "no zip at '$zip'"
# For win32.wine_host_messages.
cmake --build "$win_build" -j2 --target win32_host_test >/dev/null || fail "win32_host_test.exe did not build"

# Windows' own DLLs only: no MinGW run-time (libstdc++, libgcc, winpthread) to ship.
dlls=$(x86_64-w64-mingw32-objdump -p "$win_build/valdorik.exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || fail "objdump found no DLL in valdorik.exe"
for dll in $dlls; do
  case $dll in
    kernel32.dll | user32.dll | gdi32.dll | opengl32.dll | glu32.dll | winmm.dll | msvcrt.dll | advapi32.dll | imm32.dll) ;;
    ws2_32.dll | mswsock.dll) ;;  # the relay link's sockets
    *) fail "valdorik.exe needs $dll, which Windows does not have (all: $(echo $dlls))" ;;
  esac
done

# What a player meets first. A console program opens a console window beside
# the game (closing it kills the game); without the manifest's DPI awareness
# Windows stretches the window blurry at 125-200 % scaling; without an icon
# the game shows Windows' blank one. The resource table lists icons (type 3),
# their group (14) and the manifest (24).
headers=$(x86_64-w64-mingw32-objdump -p "$win_build/valdorik.exe")
grep -q "^Subsystem.*(Windows GUI)" <<<"$headers" ||
  fail "valdorik.exe is not a GUI program: $(grep '^Subsystem' <<<"$headers")"
resources=$(sed -n '/Resource Directory section/,/Resources start/p' <<<"$headers")
for type in 0x000003:icons 0x00000e:icon\ group 0x000018:manifest; do
  grep -q "^0[0-9a-f]*   Entry: ID: ${type%%:*}," <<<"$resources" || fail "valdorik.exe has no ${type#*:} resource"
done
icons=$(awk '/^0[0-9a-f]*   Entry: ID: /{top=($4 == "0x000003,")} top && /^0[0-9a-f]*     Entry: ID: /{n++} END{print n+0}' <<<"$resources")
[ "$icons" -ge 5 ] || fail "valdorik.exe holds $icons icon sizes, expected the asset builder's 5"
grep -aq "<dpiAwareness[^>]*>PerMonitorV2</dpiAwareness>" "$win_build/valdorik.exe" ||
  fail "valdorik.exe's manifest does not declare per-monitor DPI awareness (v2)"

# The rules' float code: SSE scalar instructions, and no x87 ones.
x87=$(x86_64-w64-mingw32-objdump -d "$win_build/libvaldorik_core.a" | awk -F'\t' 'NF >= 3 {print $3}' |
      grep -cE '^f(ld|st|add|sub|mul|div|ild|ist|com|ucom|chs|abs|sqrt|xch|prem|rndint|scale)')
sse=$(x86_64-w64-mingw32-objdump -d "$win_build/libvaldorik_core.a" | awk -F'\t' 'NF >= 3 {print $3}' |
      grep -cE '^(add|sub|mul|div)ss')
[ "$x87" -eq 0 ] || fail "$x87 x87 instructions in the game's core"
[ "$sse" -gt 0 ] || fail "no SSE float arithmetic in the game's core: is the disassembly read right?"

listing=$(unzip -Z1 "$zip") || fail "cannot list $zip"
wanted=(valdorik/valdorik.exe valdorik/README.md valdorik/REPLAYS.txt)
while read -r asset; do wanted+=("valdorik/${asset#./}"); done < <(cd "$linux_build/game" && find . -name '*.bmp' -o -name '*.wav')
[ ${#wanted[@]} -gt 3 ] || fail "the asset builder made no pictures in $linux_build/game"
for file in "${wanted[@]}"; do
  grep -qx "$file" <<<"$listing" || fail "$zip lacks $file"
done
echo "PASS (windows build): $(basename "$zip"), ${#wanted[@]} files; a GUI program with its manifest and" \
     "$icons icon sizes; DLLs: $(echo $dlls); core: $sse SSE arithmetic instructions, no x87"
