#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Photographs the main window on each of its six tabs under Xvfb.
# Usage: tools/screenshots.sh [BUILD-DIR] [OUT-DIR]   (defaults: build, docs/screenshots)
# Built-in texts give tab0.png .. tab5.png; each language named in VM_SHOT_LANGUAGES (display
# names from the packs/ folder, e.g. "English Deutsch") adds tabN-LANGUAGE.png.
# The real program's first screen, with the built-in resource page, in Simplified Chinese (as
# shipped: first-screen.png), Traditional Chinese and English (first-screen-zh-TW.png, -en.png).
# A Windows build (BUILD-DIR/bin/vidmorf.exe, run under Wine) gives OUT-DIR/windows/tabN-zh-CN.png
# and tabN-en.png: the real program's six tabs in Simplified Chinese and in English.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=${2:-$here/docs/screenshots}
preview=$build/bin/form1_preview
if [ ! -f "$build/bin/vidmorf.exe" ]; then
    cmake --build "$build" --target form1_preview >/dev/null ||
        { echo "cannot build form1_preview in $build" >&2; exit 1; }
fi
mkdir -p "$out"

shoot() {
    tab=$1
    language=${2:-}
    name=tab$tab${language:+-$language}
    geometry=$(mktemp)
    if [ -n "$language" ]; then
        "$preview" "$tab" "$here/packs" "$language" >"$geometry" &
    else
        "$preview" "$tab" >"$geometry" &
    fi
    pid=$!
    tries=0
    while [ ! -s "$geometry" ] && [ $tries -lt 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    sleep 0.5
    set -- $(cat "$geometry")
    import -window root -crop "${3}x${4}+${1}+${2}" +repage "$out/$name.png"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -f "$geometry"
    echo "$out/$name.png"
}

# The real program started from a folder of its own with the shipped packs, PACK marked as the
# remembered language; photographed once its page has had time to load.
first_screen() {
    pack=$1
    name=$2
    folder=$(mktemp -d /tmp/vm-shot-XXXXXX)
    cp "$build/bin/vidmorf" "$build/bin/coder.dll" "$folder/"
    for ini in "$here"/packs/*.INI; do
        mark=0
        [ "$(basename "$ini")" = "$pack" ] && mark=1
        sed -e "s/^Set=.*/Set=$mark/" "$ini" >"$folder/$(basename "$ini")"
    done
    "$folder/vidmorf" >/dev/null 2>&1 &
    pid=$!
    tries=0
    until xwininfo -name "Vidmorf 0.9 beta" 2>/dev/null | grep -q IsViewable; do
        sleep 0.1
        tries=$((tries + 1))
        [ $tries -lt 300 ] || break
    done
    sleep 4
    set -- $(xwininfo -name "Vidmorf 0.9 beta" |
        awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
             /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}')
    import -window root -crop "${3}x${4}+${1}+${2}" +repage "$out/$name.png"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -rf "$folder"
    echo "$out/$name.png"
}

# The real Windows program under Wine, in a prefix of its own, PACK marked as the remembered
# language: its six tabs in turn, from the keyboard (Ctrl+PageUp/PageDown).
windows_tabs() {
    pack=$1
    folder=$(mktemp -d /tmp/vm-shot-XXXXXX)
    cp "$build"/bin/vidmorf.exe "$build"/bin/*.dll "$folder/"
    cp -r "$build/bin/platforms" "$build/bin/styles" "$folder/"
    for ini in "$here"/packs/*.INI; do
        mark=0
        [ "$(basename "$ini")" = "$pack" ] && mark=1
        sed -e "s/^Set=.*/Set=$mark/" "$ini" >"$folder/$(basename "$ini")"
    done
    export WINEPREFIX="$folder/prefix" WINEDEBUG=-all
    "$wine" "$folder/vidmorf.exe" >/dev/null 2>&1 &
    tries=0
    until id=$(xdotool search --onlyvisible --name "^Vidmorf 0.9 beta\$" 2>/dev/null); do
        sleep 0.2
        tries=$((tries + 1))
        [ $tries -lt 300 ] || { echo "vidmorf.exe showed no window" >&2; exit 1; }
    done
    sleep 4
    # Asked again: a window that Wine showed first under the name may have gone.
    id=$(xdotool search --onlyvisible --name "^Vidmorf 0.9 beta\$" | tail -n 1)
    xdotool windowfocus --sync "$id"
    for step in 1 2 3 4; do  # from the resource page to the first tab
        xdotool key --window "$id" ctrl+Prior
    done
    mkdir -p "$out/windows"
    for tab in 0 1 2 3 4 5; do
        sleep 1.5
        set -- $(xwininfo -id "$id" |
            awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
                 /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}')
        shot="$out/windows/tab$tab-${pack%.INI}.png"
        import -window root -crop "${3}x${4}+${1}+${2}" +repage "$shot"
        echo "$shot"
        xdotool key --window "$id" ctrl+Next
    done
    "$(dirname "$wine")/wineserver" -k
    rm -rf "$folder"
}

if [ -z "${VM_IN_XVFB:-}" ]; then
    VM_IN_XVFB=1 VM_SHOT_LANGUAGES=${VM_SHOT_LANGUAGES:-} VM_FIRST_SCREEN_ONLY=${VM_FIRST_SCREEN_ONLY:-} exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$out"
fi
if [ -f "$build/bin/vidmorf.exe" ]; then
    wine=$(command -v /usr/lib/wine/wine64 wine64 wine | head -n 1)
    windows_tabs zh-CN.INI
    windows_tabs en.INI
    exit 0
fi
[ -x "$build/bin/vidmorf" ] || { echo "build vidmorf first ($build/bin/vidmorf)" >&2; exit 1; }
first_screen zh-CN.INI first-screen
first_screen zh-TW.INI first-screen-zh-TW
first_screen en.INI first-screen-en
[ -n "${VM_FIRST_SCREEN_ONLY:-}" ] && exit 0
for tab in 0 1 2 3 4 5; do
    shoot "$tab"
    for language in ${VM_SHOT_LANGUAGES:-}; do
        shoot "$tab" "$language"
    done
done
