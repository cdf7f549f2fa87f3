#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a Debian release from scratch: in a fresh minimal system of SUITE (bookworm or
# trixie) it clones the commit checked out here, runs the README's test command, builds the
# package, installs it with apt-get on a second fresh system of the same release and converts
# a file there with the installed encoder. Prints one line with the outcome; the full log is
# kept under /var/cache/vidmorf-release-check/logs.
# Usage (as root): tools/release-check.sh SUITE [--refresh]
#   --refresh  bootstraps the cached base system anew instead of reusing it
set -uo pipefail

suite=${1:-}
case "$suite" in
bookworm | trixie) ;;
*)
    echo "usage: $0 bookworm|trixie [--refresh]" >&2
    exit 2
    ;;
esac
refresh=${2:-}
[ "$(id -u)" = 0 ] || {
    echo "$0: needs root (debootstrap, chroot and mounts)" >&2
    exit 2
}
for tool in debootstrap git tar findmnt; do
    command -v "$tool" >/dev/null || {
        echo "$0: needs $tool (apt-get install debootstrap git)" >&2
        exit 2
    }
done

mirror=${VM_DEBIAN_MIRROR:-http://deb.debian.org/debian}
cache=/var/cache/vidmorf-release-check
base=$cache/$suite-minbase.tar
archives=$cache/$suite-archives # downloaded packages, kept between runs
mkdir -p "$cache/logs" "$archives/partial"
repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel) || exit 2
commit=$(git -C "$repo" rev-parse HEAD) || exit 2
short=${commit:0:10}
log=$cache/logs/$suite-$(date -u +%Y%m%dT%H%M%SZ).log
started=$(date +%s)
work=$(mktemp -d /var/tmp/vidmorf-release-check.XXXXXX)
roots=()

say() { echo "[$(date -u +%H:%M:%S)] $*" >>"$log"; }
minutes() { echo $((($(date +%s) - started + 30) / 60)); }

# Ends what still runs inside a system, unmounts it and removes it. Nothing is removed while
# anything is still mounted below it.
teardown() {
    local root=$1 pid mnt
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -KILL "$pid" 2>/dev/null
    done
    for mnt in $(findmnt -rn -o TARGET | grep -F "$root/" | sort -r); do
        umount "$mnt" 2>/dev/null || umount -l "$mnt"
    done
    if findmnt -rn -o TARGET | grep -qF "$root/"; then
        echo "$0: $root is still mounted; left in place" >&2
        return 1
    fi
    rm -rf --one-file-system "$root"
}
cleanup() {
    local root ok=0
    for root in "${roots[@]}"; do teardown "$root" || ok=1; done
    [ $ok = 0 ] && rm -rf --one-file-system "$work"
}
exec 3>&1 # the outcome goes here, even from a trap that runs while output goes to the log
outcome() { # STATUS DETAIL
    echo "release check $suite at $short: $1 — $2, $(minutes) min (log: $log)" >&3
    say "$1: $2"
}
fail() {
    outcome FAILED "$*"
    exit 1
}
trap cleanup EXIT
trap 'outcome INTERRUPTED "stopped by a signal"; exit 130' INT TERM HUP

# The cached base system: debootstrap's minimal variant, made once.
if [ "$refresh" = --refresh ] || [ ! -s "$base" ]; then
    say "bootstrapping $suite from $mirror"
    boot=$work/boot
    debootstrap --variant=minbase "$suite" "$boot" "$mirror" >>"$log" 2>&1 ||
        fail "debootstrap $suite"
    tar -C "$boot" --numeric-owner -cf "$base.new" . && mv "$base.new" "$base" ||
        fail "caching the base system"
    rm -rf --one-file-system "$boot"
fi

# A fresh system from the cached base, with what a build and its tests need mounted.
fresh_system() { # NAME
    local root=$work/$1
    mkdir "$root"
    roots+=("$root")
    tar -C "$root" --numeric-owner -xf "$base" || return 1
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    mount -t proc proc "$root/proc" &&
        mount -t sysfs sysfs "$root/sys" &&
        mount --bind /dev "$root/dev" &&
        mount --bind /dev/pts "$root/dev/pts" &&
        mount -t tmpfs -o mode=1777 shm "$root/dev/shm" &&
        mount --bind "$archives" "$root/var/cache/apt/archives" || return 1
}
# Runs a shell command as root in a system, with a clean environment. Waited for in the
# background, so that a signal stops the check at once (the cleanup ends what runs inside).
inside() { # ROOT COMMAND
    chroot "$1" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c "$2" &
    wait $!
}

# The README's test command, as the README gives it.
test_command=$(sed -n '/^## Build and run every test/,/^```$/{/^tools\//p}' "$repo/README.md")
[ -n "$test_command" ] || fail "no test command in the README"

build=$work/build
fresh_system build || fail "setting up the $suite system"
# A clean clone of the commit checked out here, in root's home like a user's clone.
src=$build/root/vidmorf
{ git clone -q --no-local "$repo" "$src" &&
    { git -C "$src" checkout -q --detach "$commit" 2>/dev/null ||
        { git -C "$src" fetch -q "$repo" "$commit" && git -C "$src" checkout -q --detach "$commit"; }; }; } \
    >>"$log" 2>&1 || fail "cloning $short"

say "running: $test_command"
inside "$build" "cd /root/vidmorf && $test_command" >>"$log" 2>&1
tests_rc=$?
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
total=$(echo "$summary" | sed -nE 's/.* out of ([0-9]+)$/\1/p')
failed=$(echo "$summary" | sed -nE 's/.*passed, ([0-9]+) tests failed.*/\1/p')
[ $tests_rc = 0 ] && [ -n "$total" ] ||
    fail "the README's test command failed${summary:+ ($summary)}"
tests="$((total - failed))/$total tests passed"
warnings=$(grep -Ec '^[^ ]+:[0-9]+:[0-9]+: warning: ' "$log")
[ "$warnings" = 0 ] || fail "$tests, but the build gave $warnings compiler warnings"
versions=$(inside "$build" "dpkg-query -W -f '\${Package} \${Version}, ' libavcodec-dev qt6-base-dev" |
    sed 's/, $//')

# The package, as the README builds it, and a file to convert made by Debian's ffmpeg.
inside "$build" 'cd /root/vidmorf/build && cpack -G DEB' >>"$log" 2>&1 || fail "$tests; cpack"
deb=$(cd "$src/build" && ls vidmorf_*.deb | head -1)
[ -n "$deb" ] || fail "$tests; no package built"
inside "$build" 'ffmpeg -v error -nostdin -y -f lavfi -i testsrc=size=320x240:rate=25 \
    -f lavfi -i sine=frequency=440:sample_rate=44100 -t 5 -c:v flv -b:v 400k \
    -c:a libmp3lame -ar 44100 -ac 1 /root/sample.flv' >>"$log" 2>&1 || fail "$tests; making a sample"

# A second fresh system of the same release gets the package the way a user installs it.
user=$work/user
fresh_system user || fail "$tests; setting up a fresh $suite system"
cp "$src/build/$deb" "$build/root/sample.flv" "$user/root/"
say "installing $deb"
inside "$user" "cd /root && apt-get update -q &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./$deb" \
    </dev/null >>"$log" 2>&1 || fail "$tests; apt-get install ./$deb on a fresh $suite"
depends=$(dpkg-deb -f "$src/build/$deb" Depends)
say "Depends: $depends"
inside "$user" 'cd /root && /usr/lib/vidmorf/coder.dll -i sample.flv -b 360 -r 29.97 -s 320x240 \
    -hq -deinterlace -y -ab 56 -ar 22050 -ac 2 sample.avi && \
    ! ldd /usr/lib/vidmorf/vidmorf /usr/lib/vidmorf/coder.dll | grep "not found"' \
    </dev/null >>"$log" 2>&1 || fail "$tests; the installed program on a fresh $suite"
cp "$user/root/sample.avi" "$build/root/"
probe=$(inside "$build" 'for e in format=format_name format=duration stream=codec_name; do
    ffprobe -v error -of default=nw=1:nk=1 -show_entries $e /root/sample.avi; done' | tr '\n' ' ')
say "converted: $probe"
set -- $probe
[ "${1:-}" = avi ] && [ "${3:-}" = mpeg4 ] && [ "${4:-}" = mp3 ] &&
    awk -v d="${2:-0}" 'BEGIN { exit !(d > 4.8 && d < 5.2) }' ||
    fail "$tests; the conversion gave: $probe"

outcome PASSED "$tests, no compiler warning (FFmpeg/Qt packages: $versions), package installed on a fresh $suite \
and its encoder converted 5 s of FLV into AVI ($1, $2 s, $3 + $4)"
