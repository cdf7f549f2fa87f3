#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer and the portable zip under Wine, each in a prefix of its own:
# - the installer, silent (/S), puts the program folder in %LOCALAPPDATA%\Programs\Vidmorf,
#   a Start-menu entry and the "Open with" entry for .flv; vidmorf-batch.exe converts a folder
#   from there; the uninstaller, silent, takes away all of that and nothing else (a file
#   that the user made in the folder stays);
# - the zip, unpacked anywhere, converts as it is.
# Usage: windows_setup.sh SETUP.EXE ZIP WINE-LOADER
set -eu
setup=$1
zip=$2
wine=$3
wineserver=$(dirname "$wine")/wineserver
work=$(mktemp -d /tmp/vm-setup-XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
finish() {
    for prefix in "$work"/prefix-*; do
        [ ! -d "$prefix" ] || WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
    done
    rm -rf "$work"
}
trap finish EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

mkdir -p "$work/in 100% & more/sub"
ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=2 \
    -f lavfi -i sine=frequency=440:sample_rate=22050:duration=2 \
    -c:v flv -c:a libmp3lame -ar 22050 -f flv "$work/in 100% & more/a.flv"
cp "$work/in 100% & more/a.flv" "$work/in 100% & more/sub/b.flv"

# Converts the source folder with the batch program at $1 (a Windows path) into $2.
convert() {
    "$wine" "$1" --format mp3 --recursive --output "Z:$2" "Z:$work/in 100% & more" \
        >"$work/batch.log" 2>&1 || fail "vidmorf-batch.exe failed: $(cat "$work/batch.log")"
    for name in a.mp3 sub/b.mp3; do
        codec=$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$2/$name")
        [ "$codec" = mp3 ] || fail "$2/$name holds: $codec"
    done
}

export WINEPREFIX="$work/prefix-setup"
"$wine" "$setup" /S 2>>"$work/wine.log" || fail "the installer failed"
"$wineserver" -w
users=$WINEPREFIX/drive_c/users/$(id -un)
folder=$users/AppData/Local/Programs/Vidmorf
for file in vidmorf.exe vidmorf-batch.exe coder.dll zh-CN.INI en.INI Qt6Widgets.dll \
    platforms/qwindows.dll uninstall.exe; do
    [ -f "$folder/$file" ] || fail "not installed: $file"
done
menu="$users/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Vidmorf.lnk"
[ -f "$menu" ] || fail "no Start-menu entry"
grep -q 'Software\\\\Classes\\\\.flv\\\\OpenWithProgids' "$WINEPREFIX/user.reg" ||
    fail "no Open with entry for .flv"
convert 'C:\users\'"$(id -un)"'\AppData\Local\Programs\Vidmorf\vidmorf-batch.exe' "$work/out-setup"
mkdir -p "$folder/output"
echo "the user's" >"$folder/output/kept.avi"
"$wine" "$folder/uninstall.exe" /S 2>>"$work/wine.log" || fail "the uninstaller failed"
"$wineserver" -w
left=$(cd "$folder" && find . -type f | sort | tr '\n' ' ')
[ "$left" = "./output/kept.avi " ] || fail "after uninstalling, the folder holds: $left"
[ ! -e "$menu" ] || fail "the Start-menu entry stays"
! grep -qi 'Classes\\\\Vidmorf.flv\|Uninstall\\\\Vidmorf' "$WINEPREFIX/user.reg" ||
    fail "registry entries stay"
echo "installer: installed, converted, uninstalled"

export WINEPREFIX="$work/prefix-zip"
mkdir -p "$work/portable"
(cd "$work/portable" && unzip -q "$zip")
convert "Z:$work/portable/Vidmorf/vidmorf-batch.exe" "$work/out-zip"
echo "zip: converted"
