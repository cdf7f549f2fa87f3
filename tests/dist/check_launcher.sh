#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The launcher on a read-only system-wide install and on a writable per-user one.
# Usage: check_launcher.sh CONFIGURED-LAUNCHER
set -eu
launcher=$1
if [ "$(id -u)" != 0 ]; then
    echo "skipped: acting as another user needs root"
    exit 77
fi
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
chmod 755 "$t"
fail() { echo "FAIL: $*" >&2; exit 1; }

# A system-wide install whose program only says where it runs from.
mkdir -p "$t/usr/bin" "$t/usr/lib/vidmorf" "$t/home"
cp "$launcher" "$t/usr/bin/vidmorf"
printf '#!/bin/sh\necho "$(dirname "$0")"\n' >"$t/usr/lib/vidmorf/vidmorf"
printf '#!/bin/sh\nexit 0\n' >"$t/usr/lib/vidmorf/coder.dll"
printf '[Info]\r\nLanguage=English\r\nSet=0\r\n' >"$t/usr/lib/vidmorf/en.INI"
chmod 755 "$t/usr/bin/vidmorf" "$t/usr/lib/vidmorf/vidmorf" "$t/usr/lib/vidmorf/coder.dll"
chmod 555 "$t/usr/lib/vidmorf"
chown 65534:65534 "$t/home"

as_user() {
    env -i HOME="$t/home" PATH=/usr/bin:/bin setpriv --reuid=65534 --regid=65534 --clear-groups \
        "$t/usr/bin/vidmorf"
}
user="$t/home/.local/share/vidmorf"

[ "$(as_user)" = "$user" ] || fail "a read-only install must run from the user's folder"
[ -L "$user/coder.dll" ] && [ "$(readlink "$user/coder.dll")" = "$t/usr/lib/vidmorf/coder.dll" ] ||
    fail "the encoder is not linked"
[ -f "$user/en.INI" ] && [ -w "$user/en.INI" ] || fail "the pack was not copied"
[ -d "$user/output/" ] && [ "$(readlink "$user/output")" = "$t/home/Videos/Vidmorf" ] ||
    fail "output does not lead to the user's videos"

# The user's marker survives later starts; a changed program is copied again.
sed -i 's/Set=0/Set=1/' "$user/en.INI"
chmod 755 "$t/usr/lib/vidmorf"
printf '#!/bin/sh\necho "new $(dirname "$0")"\n' >"$t/usr/lib/vidmorf/vidmorf"
chmod 555 "$t/usr/lib/vidmorf"
[ "$(as_user)" = "new $user" ] || fail "the changed program was not copied"
grep -q 'Set=1' "$user/en.INI" || fail "the user's pack was replaced"

# A program folder the user may write to is used in place.
chown -R 65534:65534 "$t/usr/lib/vidmorf"
chmod 755 "$t/usr/lib/vidmorf"
[ "$(as_user)" = "new $t/usr/lib/vidmorf" ] || fail "a writable install must run in place"
echo "1 passed, 0 failed"
