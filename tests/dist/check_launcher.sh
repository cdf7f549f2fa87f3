#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The launcher on a read-only system-wide install and on a writable per-user one.
# Usage: check_launcher.sh CONFIGURED-LAUNCHER
set -eu
. "$(dirname "$0")/launcher_rig.sh"

# A system-wide install whose program only says where it runs from.
install_launcher vidmorf
printf '#!/bin/sh\necho "$(dirname "$0")"\n' >"$t/usr/lib/vidmorf/vidmorf"
printf '#!/bin/sh\nexit 0\n' >"$t/usr/lib/vidmorf/coder.dll"
printf '[Info]\r\nLanguage=English\r\nSet=0\r\n' >"$t/usr/lib/vidmorf/en.INI"
chmod 755 "$t/usr/lib/vidmorf/vidmorf" "$t/usr/lib/vidmorf/coder.dll"
chmod 555 "$t/usr/lib/vidmorf"

# Runs the launcher as an ordinary user; $1, if given, comes first in PATH.
as_user() {
    env -i HOME="$t/home" PATH="${1:+$1:}/usr/bin:/bin" \
        setpriv --reuid=65534 --regid=65534 --clear-groups "$t/usr/bin/vidmorf"
}
fresh_home() {
    rm -rf "$t/home"
    mkdir "$t/home"
    chown 65534:65534 "$t/home"
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

# Simultaneous first starts: each one starts the program, and the output link is made once
# (never a link inside the linked folder, pointing at itself).
chown -R 0:0 "$t/usr/lib/vidmorf"
chmod 555 "$t/usr/lib/vidmorf"
for round in 1 2 3 4 5 6; do
    fresh_home
    for i in 1 2 3 4 5; do
        as_user >"$t/started.$i" 2>"$t/errors.$i" &
    done
    wait
    for i in 1 2 3 4 5; do
        [ "$(cat "$t/started.$i")" = "new $user" ] ||
            fail "start $i of 5 in round $round did not start the program: $(cat "$t/errors.$i")"
    done
    [ ! -e "$t/home/Videos/Vidmorf/Vidmorf" ] && [ ! -L "$t/home/Videos/Vidmorf/Vidmorf" ] ||
        fail "simultaneous starts made a link inside the output folder"
    [ "$(readlink "$user/output")" = "$t/home/Videos/Vidmorf" ] || fail "output link in round $round"
    [ "$(readlink "$user/coder.dll")" = "$t/usr/lib/vidmorf/coder.dll" ] || fail "encoder link"
    cmp -s "$user/en.INI" "$t/usr/lib/vidmorf/en.INI" || fail "pack in round $round"
    ! ls "$user" | grep -q '\.part\.' || fail "simultaneous starts left parts: $(ls "$user")"
done

# A start killed while it copies a pack leaves no truncated pack under the pack's name; the
# next start copies it whole and removes what the killed one left, as well as the leftovers
# of older interrupted starts.
fresh_home
mkdir -p "$t/bin"
printf '#!/bin/sh\ncase "$*" in\n*.INI*) head -c 5 "$1" >"$2"; kill -KILL $PPID; exit 1 ;;\nesac\nexec /bin/cp "$@"\n' >"$t/bin/cp"
chmod 755 "$t/bin" "$t/bin/cp"
as_user "$t/bin" >/dev/null 2>&1 && fail "the interrupted start went on"
dead=$(sh -c 'echo $$')
printf 'half' >"$user/vidmorf.part.$dead"
[ "$(as_user)" = "new $user" ] || fail "no start after an interrupted one"
cmp -s "$user/en.INI" "$t/usr/lib/vidmorf/en.INI" || fail "the interrupted pack copy was not mended"
! ls "$user" | grep -q '\.part\.' || fail "leftovers of interrupted starts stay: $(ls "$user")"
echo "3 passed, 0 failed"
