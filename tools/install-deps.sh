#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building, running and testing Vidmorf needs on Debian 12 or Debian 13.
set -e
SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo
PKGS="build-essential cmake pkg-config clang libclang-rt-dev
qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libgl-dev
libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libswresample-dev libavutil-dev
ffmpeg python3 xvfb xauth fonts-noto-cjk x11-utils imagemagick
dpkg-dev file desktop-file-utils appstream ninja-build lld dbus-daemon lintian parallel
clang-format"
missing=
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
fi
