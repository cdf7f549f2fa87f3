# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the launcher checks (sourced): a scratch root $t with an install layout in it,
# the launcher $1 copied to $t/usr/bin/NAME by install_launcher NAME, and fail. Acting as
# another user needs root; without it the check is skipped.
launcher=$1
if [ "$(id -u)" != 0 ]; then
    echo "skipped: acting as another user needs root"
    exit 77
fi
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
chmod 755 "$t"
fail() { echo "FAIL: $*" >&2; exit 1; }

install_launcher() { # NAME
    mkdir -p "$t/usr/bin" "$t/usr/lib/vidmorf" "$t/home"
    cp "$launcher" "$t/usr/bin/$1"
    chmod 755 "$t/usr/bin/$1"
    chown 65534:65534 "$t/home"
}
