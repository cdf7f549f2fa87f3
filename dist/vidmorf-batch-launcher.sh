#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts vidmorf-batch from its installed program folder, where the encoder lies beside it.
#
# Its texts come from the language pack marked in the program folder, as the window's do. A
# system-wide program folder is read-only, so the window's launcher keeps each user's packs,
# and with them the language the user chose in the window, in a program folder of the user's
# own. When there is one, the batch program reads its packs from there.
set -e
here=$(dirname "$(readlink -f "$0")")
sys=$(readlink -f "$here/@VM_REL_PROGRAM_DIR@")
user="${XDG_DATA_HOME:-$HOME/.local/share}/vidmorf"
if [ -z "${VIDMORF_PACK_DIR:-}" ] && [ ! -w "$sys" ] && [ -d "$user" ]; then
    VIDMORF_PACK_DIR=$user
    export VIDMORF_PACK_DIR
fi
exec "$sys/vidmorf-batch" "$@"
