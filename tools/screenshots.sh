#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Photographs the main window on each of its six tabs under Xvfb.
# Usage: tools/screenshots.sh [BUILD-DIR] [OUT-DIR]   (defaults: build, docs/screenshots)
# Built-in texts give tab0.png .. tab5.png; each language named in VM_SHOT_LANGUAGES (display
# names from the packs/ folder, e.g. "English Deutsch") adds tabN-LANGUAGE.png.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=${2:-$here/docs/screenshots}
preview=$build/bin/form1_preview
[ -x "$preview" ] || { echo "build the form1_preview target first ($preview)" >&2; exit 1; }
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

if [ -z "${VM_IN_XVFB:-}" ]; then
    VM_IN_XVFB=1 VM_SHOT_LANGUAGES=${VM_SHOT_LANGUAGES:-} exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$out"
fi
for tab in 0 1 2 3 4 5; do
    shoot "$tab"
    for language in ${VM_SHOT_LANGUAGES:-}; do
        shoot "$tab" "$language"
    done
done
