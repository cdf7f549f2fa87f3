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
if ! cmp -s "$sys/vidmorf" "$user/vidmorf"; then
    cp -f "$sys/vidmorf" "$user/vidmorf.part.$$"
    mv -f "$user/vidmorf.part.$$" "$user/vidmorf"
fi
ln -sfn "$sys/coder.dll" "$user/coder.dll"
for pack in "$sys"/*.INI; do
    [ -f "$pack" ] || continue
    name=$(basename "$pack")
    [ -e "$user/$name" ] || cp "$pack" "$user/$name"
done
if [ ! -e "$user/output" ] && [ ! -L "$user/output" ]; then
    videos=$(xdg-user-dir VIDEOS 2>/dev/null || true)
    if [ -z "$videos" ] || [ "$videos" = "$HOME" ]; then
        videos="$HOME/Videos"
    fi
    mkdir -p "$videos/Vidmorf"
    ln -s "$videos/Vidmorf" "$user/output"
fi
exec "$user/vidmorf" "$@"
