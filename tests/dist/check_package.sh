#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a build tree and checks what it holds.
# Usage: check_package.sh BUILD-DIR SOURCE-DIR
set -eu
build=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >cpack.log 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/vidmorf_*.deb)
[ -f "$deb" ] || fail "no package built"
echo "package: $(basename "$deb")"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for f in /usr/bin/vidmorf /usr/lib/vidmorf/vidmorf /usr/lib/vidmorf/coder.dll \
    /usr/lib/vidmorf/zh-CN.INI /usr/lib/vidmorf/en.INI /usr/lib/vidmorf/zh-TW.INI \
    /usr/share/applications/vidmorf.desktop \
    /usr/share/metainfo/example.vidmorf.Vidmorf.metainfo.xml \
    /usr/share/icons/hicolor/48x48/apps/vidmorf.png \
    /usr/share/icons/hicolor/scalable/apps/vidmorf.svg \
    /usr/share/doc/vidmorf/LICENSE /usr/share/doc/vidmorf/user-guide.md; do
    grep -qx "$f" "$work/files" || fail "missing $f"
done
# Nothing is built or fetched at install time.
dpkg-deb -e "$deb" "$work/control"
for script in preinst postinst prerm postrm; do
    [ ! -e "$work/control/$script" ] || fail "maintainer script $script"
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for p in libqt6widgets6 libqt6webenginewidgets6 libavcodec59 libavformat59 libavfilter8 \
    libavutil57 qt6-qpa-plugins libqt6webenginecore6-bin \
    fonts-noto-cjk; do
    echo "$depends" | grep -q "\b$p\b" || fail "no dependency on $p"
done

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/vidmorf.desktop" || fail "desktop entry"
appstreamcli validate --no-net \
    "$work/root/usr/share/metainfo/example.vidmorf.Vidmorf.metainfo.xml" || fail "metainfo"
[ -x "$work/root/usr/lib/vidmorf/coder.dll" ] || fail "coder.dll not executable"
exec_line=$(sed -n 's/^Exec=//p' "$work/root/usr/share/applications/vidmorf.desktop")
[ -x "$work/root/usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not on the PATH"
echo "1 passed, 0 failed"
