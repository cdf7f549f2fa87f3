#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts Vidmorf from its installed program folder.
#
# The program keeps its state beside itself: the language packs carry the language chosen at
# the last close, and the default output folder is "output" in the program folder. A folder
# the user may write to is used as it is; a system-wide one is mirrored into a program folder
# of the user's own, made on first start: the packs are copied (so the user's choice is kept),
# the encoder is linked and the program itself is copied anew whenever the installed one
# changes.
set -e
here=$(dirname "$(readlink -f "$0")")
sys=$(readlink -f "$here/@VM_REL_PROGRAM_DIR@")

if [ -w "$sys" ]; then
    exec "$sys/vidmorf" "$@"
fi

user="${XDG_DATA_HOME:-$HOME/.local/share}/vidmorf"
mkdir -p "$user"
if ! cmp -s "$sys/vidmorf" "$user/vidmorf"; then
    cp -f "$sys/vidmorf" "$user/vidmorf.part"
    mv -f "$user/vidmorf.part" "$user/vidmorf"
fi
ln -sfn "$sys/coder.dll" "$user/coder.dll"
for pack in "$sys"/*.INI "$sys"/*.ini; do
    [ -f "$pack" ] || continue
    name=$(basename "$pack")
    [ -e "$user/$name" ] || cp "$pack" "$user/$name"
done
exec "$user/vidmorf" "$@"
