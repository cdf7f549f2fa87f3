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
    /usr/bin/vidmorf-batch /usr/lib/vidmorf/vidmorf-batch /usr/share/man/man1/vidmorf-batch.1.gz \
    /usr/lib/vidmorf/zh-CN.INI /usr/lib/vidmorf/en.INI /usr/lib/vidmorf/zh-TW.INI \
    /usr/share/applications/vidmorf.desktop \
    /usr/share/metainfo/example.vidmorf.Vidmorf.metainfo.xml \
    /usr/share/icons/hicolor/48x48/apps/vidmorf.png \
    /usr/share/icons/hicolor/scalable/apps/vidmorf.svg \
    /usr/share/doc/vidmorf/LICENSE /usr/share/doc/vidmorf/user-guide.md \
    /usr/share/doc/vidmorf/copyright /usr/share/doc/vidmorf/changelog.gz \
    /usr/share/man/man1/vidmorf.1.gz; do
    grep -qx "$f" "$work/files" || fail "missing $f"
done
# Nothing is built or fetched at install time.
dpkg-deb -e "$deb" "$work/control"
for script in preinst postinst prerm postrm; do
    [ ! -e "$work/control/$script" ] || fail "maintainer script $script"
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
# A package on the list of dependencies, with any version bound (none = any version).
depends_on() { echo "$depends" | tr ',|' '\n\n' | sed 's/^ *//' | grep -q "^$1\( \|$\)"; }
# Every library the programs were linked with, the filter library that the encoder opens
# (the only one its stand-in needs), Qt's platform plugin and the web engine's helper come
# from a package the package depends on.
set -f # the patterns below are dpkg's, not the shell's
needed=
for elf in "$build/bin/vidmorf" "$build/bin/coder.dll" "$build/encoder/libcoder_filter_needs.so"; do
    [ -f "$elf" ] || fail "missing $elf"
    needed="$needed $(objdump -p "$elf" | awk '$1 == "NEEDED" { print "*/" $2 }')"
done
echo "$needed" | grep -q 'libavfilter\.so\.' || fail "the filter library is not among the needed"
patterns="$needed */platforms/libqxcb.so */QtWebEngineProcess"
# One search of dpkg's lists for all of them ("package[, package]: path" a line).
dpkg-query -S $patterns >"$work/owners" 2>/dev/null || true
for pattern in $patterns; do
    owners=$(awk -v end="${pattern#\*}" '/^diversion / { next }
        { i = index($0, ": "); path = substr($0, i + 2) }
        i && substr(path, length(path) - length(end) + 1) == end {
            n = split(substr($0, 1, i - 1), owner, ", ")
            for (k = 1; k <= n; k++) { sub(/:.*/, "", owner[k]); print owner[k] } }' \
        "$work/owners" | sort -u)
    [ -n "$owners" ] || fail "no installed package holds $pattern"
    found=
    for owner in $owners; do depends_on "$owner" && found=1; done
    [ -n "$found" ] || fail "no dependency on $(echo $owners) for $pattern"
done
set +f
depends_on fonts-noto-cjk || fail "no dependency on fonts-noto-cjk"
# ...and every dependency is met on this system, the release the package was built on: one of
# each relation's packages is installed, in a version within the bound.
echo "$depends" | tr ',' '\n' | while read -r relation; do
    met=
    for alternative in $(echo "$relation" | tr -d ' ' | tr '|' ' '); do
        name=${alternative%%(*}
        bound=$(echo "$alternative" | sed -n 's/^[^(]*(\([<>=]*\)\(.*\))$/\1 \2/p')
        installed=$(dpkg-query -W -f '${Version}' "$name" 2>/dev/null) || continue
        [ -z "$bound" ] || dpkg --compare-versions "$installed" $bound || continue
        met=1
    done
    [ -n "$met" ] || fail "this system does not meet the dependency $relation"
done || exit 1

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/vidmorf.desktop" || fail "desktop entry"
appstreamcli validate --no-net \
    "$work/root/usr/share/metainfo/example.vidmorf.Vidmorf.metainfo.xml" || fail "metainfo"
[ -x "$work/root/usr/lib/vidmorf/coder.dll" ] || fail "coder.dll not executable"
exec_line=$(sed -n 's/^Exec=//p' "$work/root/usr/share/applications/vidmorf.desktop")
[ -x "$work/root/usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not on the PATH"
# The files a file manager opens with the program reach it.
case "$exec_line" in *" %F"* | *" %f"* | *" %U"* | *" %u"*) ;; *) fail "Exec=$exec_line takes no files" ;; esac
# The changelog speaks of the version the package carries.
changelog_version=$(gzip -dc "$work/root/usr/share/doc/vidmorf/changelog.gz" | sed -n '1s/^vidmorf (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$(dpkg-deb -f "$deb" Version)" ] ||
    fail "changelog version $changelog_version"

# Debian's checker: no error and no warning, except those overridden with a written reason
# (a comment right above each override).
overrides=$work/root/usr/share/lintian/overrides/vidmorf
if [ -f "$overrides" ]; then
    awk '/^[[:space:]]*$/ { next } /^#/ { reason = 1; next }
         { if (!reason) { print "override without a reason: " $0; bad = 1 } reason = 0 }
         END { exit bad }' "$overrides" || fail "lintian overrides"
fi
lintian --no-cfg --fail-on none "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian could not check the package"; }
cat "$work/lintian.log"
if grep -Eq '^[EW]: ' "$work/lintian.log"; then
    fail "lintian: $(grep -Ec '^E: ' "$work/lintian.log") errors, $(grep -Ec '^W: ' "$work/lintian.log") warnings"
fi
echo "1 passed, 0 failed"
