#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The batch program's launcher: the program of the installed folder, with the packs of the
# user's own program folder when a read-only install has one.
# Usage: check_batch_launcher.sh CONFIGURED-LAUNCHER
set -eu
. "$(dirname "$0")/launcher_rig.sh"

install_launcher vidmorf-batch
printf '#!/bin/sh\necho "$(dirname "$0") ${VIDMORF_PACK_DIR:-none} $*"\n' \
    >"$t/usr/lib/vidmorf/vidmorf-batch"
chmod 755 "$t/usr/lib/vidmorf/vidmorf-batch"
chmod 555 "$t/usr/lib/vidmorf"
as_user() {
    env -i HOME="$t/home" PATH=/usr/bin:/bin \
        setpriv --reuid=65534 --regid=65534 --clear-groups "$t/usr/bin/vidmorf-batch" "$@"
}
sys=$t/usr/lib/vidmorf
user=$t/home/.local/share/vidmorf

[ "$(as_user --json 'a b')" = "$sys none --json a b" ] || fail "without a folder of the user's"
[ ! -e "$t/home/.local" ] || fail "the batch launcher made the user's folder"
mkdir -p "$user" && chown -R 65534:65534 "$t/home"
[ "$(as_user x)" = "$sys $user x" ] || fail "the user's packs are not read"
chmod 755 "$sys" && chown 65534:65534 "$sys"
[ "$(as_user x)" = "$sys none x" ] || fail "a writable install must use its own packs"
echo "1 passed, 0 failed"
