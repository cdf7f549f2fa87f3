#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts Vidmorf from its installed program folder.
#
# The program keeps its state beside itself: the language packs carry the language chosen at
# the last close, and the default output folder is "output" in the program folder. A program
# folder the user may write to is used as it is. A system-wide one is mirrored into a program
# folder of the user's own: the packs are copied once (so the user's choice is kept across
# starts), the encoder is linked, the program itself is copied anew whenever the installed
# one has changed, and "output" leads to a folder in the user's videos.
set -e
here=$(dirname "$(readlink -f "$0")")
sys=$(readlink -f "$here/@VM_REL_PROGRAM_DIR@")

if [ -w "$sys" ]; then
    exec "$sys/vidmorf" "$@"
fi

user="${XDG_DATA_HOME:-$HOME/.local/share}/vidmorf"
mkdir -p "$user"

# Several starts may run at once, and any of them may be interrupted. So every file is made
# under a name of its own (NAME.part.PID) and renamed into place in one step: an existing
# file is either replaced whole (mv -f) or left alone (mv -n); nothing is ever half-written
# under its real name. Leftovers of starts that no longer run are removed first.
for part in "$user"/*.part.*; do
    [ -e "$part" ] || [ -L "$part" ] || continue
    pid=${part##*.part.}
    case $pid in
    '' | *[!0-9]*) continue ;;
    esac
    kill -0 "$pid" 2>/dev/null || rm -f "$part"
done
part=".part.$$"

if ! cmp -s "$sys/vidmorf" "$user/vidmorf"; then
    cp -f "$sys/vidmorf" "$user/vidmorf$part"
    mv -f "$user/vidmorf$part" "$user/vidmorf"
fi
if [ "$(readlink "$user/coder.dll" || true)" != "$sys/coder.dll" ]; then
    ln -sfn "$sys/coder.dll" "$user/coder.dll$part"
    mv -fT "$user/coder.dll$part" "$user/coder.dll"
fi
for pack in "$sys"/*.INI; do
    [ -f "$pack" ] || continue
    name=$(basename "$pack")
    [ -e "$user/$name" ] && continue
    cp "$pack" "$user/$name$part"
    mv -n "$user/$name$part" "$user/$name" || true  # a pack the user has is never replaced
    rm -f "$user/$name$part"
done
if [ ! -e "$user/output" ] && [ ! -L "$user/output" ]; then
    videos=$(xdg-user-dir VIDEOS 2>/dev/null || true)
    if [ -z "$videos" ] || [ "$videos" = "$HOME" ]; then
        videos="$HOME/Videos"
    fi
    mkdir -p "$videos/Vidmorf"
    # -T: never into the folder that another start has just linked.
    ln -sfn "$videos/Vidmorf" "$user/output$part"
    mv -nT "$user/output$part" "$user/output" || true
    rm -f "$user/output$part"
fi
exec "$user/vidmorf" "$@"
