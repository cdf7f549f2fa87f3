#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program as a user meets it, under Wine on a virtual screen: vidmorf.exe, started
# with two FLV files on its command line (as "Open with" starts it), takes a third from a
# second start (which hands it over and ends), converts all three when Start is pressed from
# the keyboard and shows its summary; the results are read with ffprobe.
# Usage: window_under_wine.sh BIN-DIR WINE-LOADER [SCREENSHOT]  (run inside xvfb-run)
set -eu
bin=$1
wine=$2
shot=${3:-}
work=$(mktemp -d /tmp/vm-wine-window-XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
wineserver=$(dirname "$wine")/wineserver
finish() {
    "$wineserver" -k 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT
fail() {
    echo "FAIL: $*" >&2
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        echo "   a window named \"$(xdotool getwindowname "$id")\"" >&2
    done
    [ -z "$shot" ] || import -window root "$shot"  # the screen as it was
    exit 1
}

# The program folder as it ships, English chosen; sources in a folder whose name needs care
# in a cmd.exe line (no CJK: Wine's cmd reads a script in the OEM code page, whatever chcp
# says).
program="$work/Vidmorf"
mkdir -p "$program" "$work/clips a&b (1) 100%"
cp "$bin"/vidmorf.exe "$bin"/*.dll "$program/"  # coder.dll among them
cp -r "$bin/platforms" "$bin/styles" "$program/"
for ini in "$bin"/*.INI; do
    mark=0
    [ "$(basename "$ini")" = en.INI ] && mark=1
    sed -e "s/^Set=.*/Set=$mark/" "$ini" >"$program/$(basename "$ini")"
done
for name in one two three; do
    ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=2 \
        -f lavfi -i sine=frequency=440:sample_rate=22050:duration=2 \
        -c:v flv -c:a libmp3lame -ar 22050 -f flv "$work/clips a&b (1) 100%/$name.flv"
done

# Waits up to $1 tenths of a second for a shown window named $2; prints its id.
window() {
    tries=0
    while [ "$tries" -lt "$1" ]; do
        id=$(xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | head -n 1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
        tries=$((tries + 1))
    done
    return 1
}

"$wine" "$program/vidmorf.exe" "Z:$work/clips a&b (1) 100%/one.flv" "Z:$work/clips a&b (1) 100%/two.flv" \
    >"$work/program.log" 2>&1 &
main=$(window 600 "Vidmorf 0.9 beta") || fail "the window is not shown"
sleep 2
timeout 60 "$wine" "$program/vidmorf.exe" "Z:$work/clips a&b (1) 100%/three.flv" \
    >>"$work/program.log" 2>&1 || fail "the second start did not hand its file over and end"
[ "$(xdotool search --onlyvisible --name "^Vidmorf 0.9 beta\$" | wc -l)" = 1 ] ||
    fail "the second start opened a window of its own"
# The first screen is the resource page; the conversion tab is the one before it, and Start
# is its first control.
xdotool windowfocus --sync "$main"
xdotool key --window "$main" ctrl+Prior
sleep 0.5
xdotool key --window "$main" Tab
sleep 0.3
xdotool key --window "$main" space
# The output folder beside the program is made at the first run, once the user agrees.
confirm=$(window 100 "Note") || fail "no question about the output folder"
sleep 0.5
xdotool key --window "$confirm" Return
summary=$(window 300 "Done ") || fail "no summary after the run"
sleep 1
[ -z "$shot" ] || import -window root "$shot"
xdotool key --window "$summary" Return

for name in one two three; do
    out="$program/output/$name.avi"
    [ -s "$out" ] || fail "$out was not made"
    streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$out" | tr '\n' ' ')
    [ "$streams" = "video audio " ] || fail "$out holds: $streams"
done
echo "three files converted, one handed over by a second start; the summary was shown"
