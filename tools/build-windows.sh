#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds Vidmorf for 64-bit Windows on Debian 12 or 13 and lays out the program folder
# OUT/Vidmorf (the build tree is OUT/build). The libraries it needs (FFmpeg, LAME, zlib) are
# built static from Debian's source packages into a cache, $VM_WINDOWS_CACHE (by default
# /var/cache/vidmorf-windows), and built again only when their source version or their
# configure line changes. Prints how long each stage took.
#
# Usage: tools/build-windows.sh OUT
set -euo pipefail
shopt -s inherit_errexit

if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "usage: $0 OUT" >&2
    exit 2
fi
OUT=$(realpath -m -- "$1")
REPO=$(cd -- "$(dirname -- "$0")/.." && pwd)
CACHE=$(realpath -m -- "${VM_WINDOWS_CACHE:-/var/cache/vidmorf-windows}")
PREFIX=$CACHE/prefix
HOST=x86_64-w64-mingw32
CC=$HOST-gcc-posix
CXX=$HOST-g++-posix
JOBS=2  # the machine's two cores are shared: never more

SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo

STARTED=$(date +%s)
STAGE=
STAGE_START=
TIMES=
stage() {
    local now
    now=$(date +%s)
    if [ -n "$STAGE" ]; then
        TIMES="$TIMES$(printf '%-34s %5d s' "$STAGE" $((now - STAGE_START)))"$'\n'
    fi
    STAGE=$1
    STAGE_START=$now
    [ -z "$STAGE" ] || echo "== $STAGE"
}
say() { echo "   $*"; }
print_times() {
    stage ""
    echo "== times"
    printf '%s' "$TIMES"
    printf '%-34s %5d s\n' "total" $(($(date +%s) - STARTED))
}
trap print_times EXIT

# --- Packages ------------------------------------------------------------------------------
# The -posix compilers: with the default win32 thread model GCC 12's libstdc++ has no
# std::thread or std::mutex. wine64 brings the loader that runs the tests (the package has
# this name, and the loader this path, on Debian 12 and 13 alike). ffmpeg is the Linux one:
# the tests make their sources with it and read the results with ffprobe. nsis and zip pack
# the program folder. Qt for Windows is
# built with the host tools (moc, rcc, uic...) of this machine's Qt, which is the same
# version.
PKGS="gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
nasm wine64 dpkg-dev pkg-config cmake ninja-build python3 ffmpeg make perl nsis zip
qt6-base-dev qt6-base-dev-tools xvfb xauth xdotool unzip"

stage "packages"
APT_UPDATED=
apt_update() {
    [ -n "$APT_UPDATED" ] || $SUDO apt-get update -q
    APT_UPDATED=1
}
missing=
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
        missing="$missing $p"
done
if [ -n "$missing" ]; then
    say "installing$missing"
    apt_update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
fi

# --- Debian's sources ----------------------------------------------------------------------
# apt-get source needs a deb-src entry. For every Debian archive that the machine installs
# from without one, the entry that names it is copied as deb-src into a file of our own,
# options and key included (apt refuses a deb-src entry whose Signed-By differs from its deb
# twin's). apt itself says which entry each index came from: a line of a one-line .list
# file, or the Nth stanza of a deb822 .sources file.
stage "Debian sources"
DEBSRC_LIST=/etc/apt/sources.list.d/vidmorf-deb-src.list
DEBSRC_SOURCES=/etc/apt/sources.list.d/vidmorf-deb-src.sources

# "ENTRY URI SUITE" of each index of the given kind (Packages or Sources); of Packages only
# Debian's (an index names its origin once fetched; a deb-src entry counts before that).
indexes() {
    apt-get indextargets --format '$(SOURCESENTRY) $(REPO_URI) $(RELEASE) $(ORIGIN)' \
        "Created-By: $1" | awk -v kind="$1" '$4 == "Debian" || kind == "Sources" {
            print $1, $2, $3 }' | sort -u
}
# Entry N of a one-line file (a line) or of a deb822 file (a stanza), as deb-src.
entry_as_debsrc() {
    local file=${1%:*} n=${1##*:}
    case $file in
    *.sources)
        awk -v n="$n" '
            /^[ \t]*$/ { if (seen) { count++; seen = 0 } next }
            /^#/ { next }
            { if (!seen) seen = 1 }
            count + 1 == n {
                if (tolower($1) == "types:") print "Types: deb-src"; else print
            }' "$file"
        echo
        ;;
    *)
        sed -n "${n}{s/^[ \t]*deb[ \t]/deb-src /;p}" "$file"
        ;;
    esac
}
add_debsrc() {
    local packages sources entries entry list= deb822=
    packages=$(indexes Packages)
    if [ -z "$packages" ]; then
        # No index names its origin yet: the lists were never fetched.
        apt_update
        packages=$(indexes Packages)
    fi
    sources=$(indexes Sources | cut -d' ' -f2-)
    entries=$(echo "$packages" | while read -r entry uri suite; do
        [ -n "$entry" ] || continue
        echo "$sources" | grep -qxF "$uri $suite" || echo "$entry"
    done | sort -u)
    if [ -z "$entries" ]; then
        return 0
    fi
    for entry in $entries; do
        case $entry in
        *.sources:*) deb822="$deb822$(entry_as_debsrc "$entry")"$'\n\n' ;;
        *) list="$list$(entry_as_debsrc "$entry")"$'\n' ;;
        esac
    done
    say "adding deb-src entries for:"
    echo "$entries" | sed 's/^/     /'
    if [ -n "$list" ]; then
        printf '# Added by Vidmorf'\''s tools/build-windows.sh for apt-get source.\n%s' "$list" |
            $SUDO tee -a "$DEBSRC_LIST" >/dev/null
    fi
    if [ -n "$deb822" ]; then
        printf '# Added by Vidmorf'\''s tools/build-windows.sh for apt-get source.\n%s' \
            "$(printf '%s' "$deb822" | cat -s)" | $SUDO tee -a "$DEBSRC_SOURCES" >/dev/null
        echo | $SUDO tee -a "$DEBSRC_SOURCES" >/dev/null
    fi
    APT_UPDATED=
    apt_update
}
add_debsrc

if [ ! -d "$CACHE" ] || [ ! -w "$CACHE" ]; then
    $SUDO mkdir -p "$CACHE"
    $SUDO chown "$(id -u):$(id -g)" "$CACHE"
fi
mkdir -p "$CACHE/src" "$CACHE/build" "$CACHE/stamps" "$PREFIX"

# The versions of source package $1, the one apt-get source picks first, then the others
# from the newest down.
source_versions() {
    local dsc first
    dsc=$(apt-get source --print-uris -qq "$1" 2>/dev/null | awk '$2 ~ /\.dsc$/ { print $2 }')
    if [ -z "$dsc" ]; then
        apt_update
        dsc=$(apt-get source --print-uris -qq "$1" | awk '$2 ~ /\.dsc$/ { print $2 }')
    fi
    [ -n "$dsc" ] || { echo "no source package $1" >&2; return 1; }
    first=${dsc%.dsc}
    first=${first#*_}
    apt-cache showsrc "$1" | awk '/^Version:/ { print $2 }' | sort -u | sort -rV |
        awk -v first="$first" '{ v = $0; sub(/^[0-9]+:/, "", v) }
                               v == first { print; next } { rest = rest $0 "\n" }
                               END { printf "%s", rest }'
}
# Unpacks source package $1 (Debian's patches applied) into $CACHE/src/$1_VERSION, fetching
# it unless it is there, and prints that folder; other versions of it are removed. A version
# that the archive does not serve (a mirror may lack a security update's source) gives way to
# the next one, with a warning.
fetch_source() {
    local name=$1 version dir tmp=$CACHE/src/.fetch first= log=$CACHE/src/.fetch.log
    rm -f "$log.all"
    for version in $(source_versions "$name"); do
        dir=$CACHE/src/${name}_${version#*:}
        if [ ! -f "$dir/.unpacked" ]; then
            rm -rf "$dir" "$tmp"
            mkdir -p "$tmp"
            # apt downloads as its own user where that user can write.
            if [ "$(id -u)" = 0 ] && id _apt >/dev/null 2>&1; then chown _apt "$tmp"; fi
            if (cd "$tmp" && apt-get source -q --download-only "$name=$version") >"$log" 2>&1
            then
                dpkg-source --no-check -x "$tmp/${name}_${version#*:}.dsc" "$dir" >>"$log"
                touch "$dir/.unpacked"
            else
                grep '^E:' "$log" >>"$log.all" || true
            fi
            rm -rf "$tmp"
            find "$CACHE/src" -maxdepth 1 -type f -name "${name}_*" -delete  # its tarballs
        fi
        if [ -f "$dir/.unpacked" ]; then
            if [ -n "$first" ]; then
                echo "warning: the source of $name $first cannot be fetched; using $version" >&2
            fi
            find "$CACHE/src" -maxdepth 1 -name "${name}_*" ! -path "$dir" -exec rm -rf {} +
            echo "$dir"
            return 0
        fi
        first=${first:-$version}
    done
    cat "$log.all" >&2
    echo "no version of the source package $name can be fetched" >&2
    return 1
}

FFMPEG_SRC=$(fetch_source ffmpeg)
LAME_SRC=$(fetch_source lame)
ZLIB_SRC=$(fetch_source zlib)
QT_SRC=$(fetch_source qt6-base)
for s in "$FFMPEG_SRC" "$LAME_SRC" "$ZLIB_SRC" "$QT_SRC"; do say "${s##*/}"; done

# --- The libraries -------------------------------------------------------------------------
# Each library is built in $CACHE/build/NAME and installed through a staging folder, so that
# the files it put into the prefix are known and removed before another version goes in.
# Its stamp holds its source version, the compiler's and MinGW runtime's versions and its
# configure line: the library is rebuilt when any of them changes (or when a file that it
# installed has gone). The output of a build is in $CACHE/build/NAME.log.
upstream() { dpkg-query -W -f='${Version}' "$1" | sed 's/^[0-9]*://; s/-[^-]*$//'; }
TOOLCHAIN="$CC $(upstream gcc-mingw-w64-x86-64-posix), MinGW-w64 $(upstream mingw-w64-x86-64-dev)"
export PKG_CONFIG_LIBDIR=$PREFIX/lib/pkgconfig PKG_CONFIG_PATH= PKG_CONFIG_SYSROOT_DIR=

up_to_date() {  # NAME KEY
    local stamp=$CACHE/stamps/$1
    [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$2" ] || return 1
    (cd "$PREFIX" && while IFS= read -r f; do [ -e "$f" ] || exit 1; done <"$stamp.files")
}
# Makes an empty build folder for NAME after removing what an earlier build installed.
start_build() {  # NAME
    local stamp=$CACHE/stamps/$1
    if [ -f "$stamp.files" ]; then
        (cd "$PREFIX" && xargs -d '\n' rm -f <"$stamp.files")
    fi
    rm -f "$stamp" "$stamp.files"
    rm -rf "$CACHE/build/$1" "$CACHE/build/$1.stage" "$CACHE/build/$1.log"
    mkdir -p "$CACHE/build/$1"
}
# Runs a step of NAME's build with its output in the log, shown when the step fails.
step() {  # NAME COMMAND...
    local log=$CACHE/build/$1.log
    shift
    echo "\$ $*" >>"$log"
    if ! "$@" >>"$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "failed: $*" >&2
        echo "(the whole output: $log)" >&2
        exit 1
    fi
}
# Copies the prefix's files of NAME's staging folder into the prefix, and writes the stamp.
install_staged() {  # NAME KEY
    local stamp=$CACHE/stamps/$1 root=$CACHE/build/$1.stage$PREFIX
    (cd "$root" && find . ! -type d | sort) >"$stamp.files"
    cp -a "$root/." "$PREFIX/"
    rm -rf "$CACHE/build/$1.stage"
    printf '%s' "$2" >"$stamp"
}

# zlib: FFmpeg's Flash screen video decoders (flashsv, flashsv2) inflate their blocks.
stage "zlib"
ZLIB_CONFIGURE="--static --prefix=$PREFIX"
ZLIB_KEY="${ZLIB_SRC##*/}|$TOOLCHAIN|$ZLIB_CONFIGURE"
if up_to_date zlib "$ZLIB_KEY"; then
    say "up to date"
else
    start_build zlib
    b=$CACHE/build/zlib
    step zlib env -C "$b" CHOST=$HOST CC="$CC" "$ZLIB_SRC/configure" $ZLIB_CONFIGURE
    step zlib make -C "$b" -j$JOBS libz.a
    step zlib make -C "$b" install DESTDIR="$b.stage"
    install_staged zlib "$ZLIB_KEY"
fi

# LAME: the MP3 encoder of AVI and MP3 targets. The library alone, static.
stage "LAME"
LAME_CONFIGURE="--host=$HOST --prefix=$PREFIX --enable-static --disable-shared
--disable-frontend --disable-gtktest"
# LAME's configure picks no optimisation for a cross compiler it does not know by name: the
# flags Debian builds it with (an unoptimised LAME takes 2.5 times as long).
LAME_CFLAGS="-O2"
LAME_KEY="${LAME_SRC##*/}|$TOOLCHAIN|$(echo $LAME_CONFIGURE)|$LAME_CFLAGS"
if up_to_date lame "$LAME_KEY"; then
    say "up to date"
else
    start_build lame
    b=$CACHE/build/lame
    step lame env -C "$b" CC="$CC" CFLAGS="$LAME_CFLAGS" "$LAME_SRC/configure" $LAME_CONFIGURE
    step lame make -C "$b" -j$JOBS
    step lame make -C "$b/libmp3lame" install DESTDIR="$b.stage"
    step lame make -C "$b/include" install DESTDIR="$b.stage"
    install_staged lame "$LAME_KEY"
fi

# FFmpeg: nothing but what coder.dll and its tests use, so that the libraries stay small and
# their licence plain (GPL, which LAME's LGPL joins). Components that a release does not have
# are only warned about by its configure.
stage "FFmpeg"
# The targets (OutputProfile.cpp, Muxer.cpp): MPEG-4 video with MP3 in AVI, WMV 8 with WMA 2
# in ASF, MP3 alone.
ENCODERS="mpeg4 wmv2 wmav2 libmp3lame"
MUXERS="avi asf mp3"
# Input.cpp reads sources with these demuxers only (mov reads F4V).
DEMUXERS="flv live_flv mov"
# Where the ASF muxer takes the ASF tables (asf_tags.o) from the ASF demuxer, as in 5.1, it
# does not link without it; the demuxer never reads a source.
if ! sed -n '/^OBJS-$(CONFIG_ASF_MUXER)/,/[^\\]$/p' "$FFMPEG_SRC/libavformat/Makefile" |
    grep -q asf_tags; then
    DEMUXERS="$DEMUXERS asf"
fi
PROTOCOLS="file"
# Every codec that the FLV demuxer maps (flvdec.c) on a little-endian machine: Sorenson
# H.263, H.263, MPEG-4 part 2, VP6 and VP6 with alpha, both screen video codecs, H.264; MP3
# (the float decoder, the one FFmpeg picks first), AAC, ADPCM, Nellymoser, 8- and 16-bit
# PCM, A-law, mu-law and Speex. These cover F4V's codecs too.
VIDEO_DECODERS="flv h263 mpeg4 vp6f vp6a flashsv flashsv2 h264"
AUDIO_DECODERS="mp3float aac adpcm_swf nellymoser pcm_u8 pcm_s16le pcm_alaw pcm_mulaw speex"
# The parsers that the demuxers ask for: MP3 is parsed in full; H.264, and in F4V any video,
# for its headers.
PARSERS="mpegaudio h264 mpeg4video"
# The demuxer of FFmpeg 6.1 and later reads enhanced FLV: HEVC and VP9 are decoded too, both
# parsed for their headers. Its AV1 stays unreadable: FFmpeg decodes AV1 only through another
# library (or the graphics card).
if grep -q AV_CODEC_ID_HEVC "$FFMPEG_SRC/libavformat/flvdec.c"; then
    VIDEO_DECODERS="$VIDEO_DECODERS hevc vp9"
    PARSERS="$PARSERS hevc vp9"
fi
# The video filters (Filters.cpp): source and sink, deinterlacing, frame rate, scaling to the
# pixel format, aspect ratio. Audio is resampled with libswresample directly.
FILTERS="buffer buffersink yadif fps scale format setsar"
list() { echo $* | tr ' ' ,; }
FFMPEG_CONFIGURE="--prefix=$PREFIX --target-os=mingw32 --arch=x86_64 --cross-prefix=$HOST-
--cc=$CC --cxx=$CXX --pkg-config=pkg-config --pkg-config-flags=--static
--extra-cflags=-I$PREFIX/include --extra-ldflags=-L$PREFIX/lib
--enable-static --disable-shared --disable-programs --disable-doc --disable-debug
--disable-everything --disable-autodetect --disable-network --disable-avdevice
--disable-postproc --enable-w32threads --enable-gpl --enable-zlib --enable-libmp3lame
--enable-encoder=$(list $ENCODERS) --enable-muxer=$(list $MUXERS)
--enable-demuxer=$(list $DEMUXERS) --enable-protocol=$(list $PROTOCOLS)
--enable-decoder=$(list $VIDEO_DECODERS $AUDIO_DECODERS) --enable-parser=$(list $PARSERS)
--enable-filter=$(list $FILTERS)"
FFMPEG_KEY="${FFMPEG_SRC##*/}|${LAME_SRC##*/}|${ZLIB_SRC##*/}|$TOOLCHAIN|$(echo $FFMPEG_CONFIGURE)"
if up_to_date ffmpeg "$FFMPEG_KEY"; then
    say "up to date"
else
    start_build ffmpeg
    b=$CACHE/build/ffmpeg
    echo "$FFMPEG_CONFIGURE" | tr '\n' ' ' | sed 's/^/   configure /; s/ $/\n/'
    step ffmpeg env -C "$b" "$FFMPEG_SRC/configure" $FFMPEG_CONFIGURE
    grep '^WARNING' "$b.log" || true
    step ffmpeg make -C "$b" -j$JOBS
    step ffmpeg make -C "$b" install DESTDIR="$b.stage"
    install_staged ffmpeg "$FFMPEG_KEY"
fi
say "$(pkg-config --static --libs libavformat libavcodec libavfilter libswscale \
    libswresample libavutil)"

# Qt: the modules the window and the batch program use (Core, Gui, Widgets, Network) and
# Test for their tests, shared, with the Windows platform and style plugins and the
# offscreen platform that tests run on. Its third-party libraries are Qt's own copies (zlib,
# PCRE2, FreeType, HarfBuzz, PNG, JPEG). Debian's source lacks the tablet (wintab) headers.
# Without OpenGL and Direct2D, the Windows platform plugin builds only with dynamic OpenGL and
# the DirectWrite font database off as well (it draws text through GDI, as by default).
stage "Qt"
QT_HOST_CMAKE=$(dirname "$(dirname "$(dpkg -L qt6-base-dev | grep -m1 '/cmake/Qt6/Qt6Config.cmake$')")")
QT_CONFIGURE="-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$PREFIX -DBUILD_SHARED_LIBS=ON
-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=$QT_HOST_CMAKE
-DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
-DFEATURE_pkg_config=OFF -DFEATURE_tabletevent=OFF
-DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF
-DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
-DFEATURE_system_doubleconversion=OFF -DFEATURE_system_textmarkdownreader=OFF
-DFEATURE_system_libb2=OFF
-DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF
-DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_opengl=OFF -DFEATURE_openssl=OFF
-DFEATURE_schannel=OFF -DFEATURE_sspi=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
-DFEATURE_dynamicgl=OFF"
QT_KEY="${QT_SRC##*/}|$TOOLCHAIN|$(dpkg-query -W -f='${Version}' qt6-base-dev)|$(echo $QT_CONFIGURE)"
if up_to_date qt "$QT_KEY"; then
    say "up to date"
else
    start_build qt
    b=$CACHE/build/qt
    step qt cmake -G Ninja -S "$QT_SRC" -B "$b" \
        -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/mingw-w64-x86_64.cmake" -DVM_WINDOWS_PREFIX="$PREFIX" \
        $QT_CONFIGURE
    step qt cmake --build "$b" -j$JOBS
    step qt env DESTDIR="$b.stage" cmake --install "$b"
    install_staged qt "$QT_KEY"
fi

# --- Vidmorf -------------------------------------------------------------------------------
stage "Vidmorf: configure"
cmake -G Ninja -S "$REPO" -B "$OUT/build" \
    -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/mingw-w64-x86_64.cmake" -DVM_WINDOWS_PREFIX="$PREFIX"
stage "Vidmorf: build"
cmake --build "$OUT/build" -j$JOBS

stage "Vidmorf: program folder"
# The folder as it ships: the programs, the encoder and the packs together, with the DLLs and
# Qt plugins they load. It runs wherever it is put: the program keeps its state (the packs'
# settings) in the folder itself.
DIR=$OUT/Vidmorf
rm -rf "$DIR"
mkdir -p "$DIR/platforms" "$DIR/styles"
cp "$OUT/build/bin/vidmorf.exe" "$OUT/build/bin/vidmorf-batch.exe" "$OUT/build/bin/coder.dll" \
    "$DIR/"
find "$OUT/build/bin" -maxdepth 1 -iname '*.ini' -exec cp {} "$DIR/" \;
cp "$PREFIX/plugins/platforms/qwindows.dll" "$DIR/platforms/"
cp "$PREFIX"/plugins/styles/qwindowsvista*.dll "$DIR/styles/"
sed 's/$/\r/' /usr/share/common-licenses/GPL-3 >"$DIR/COPYING.txt"
# coder.dll is linked static and names only Windows' own DLLs; the window's programs and the
# plugins name Qt's and the MinGW runtime's, which are copied beside them (and any DLL that
# those name in turn), so that the folder runs as it is.
GCC_LIBS=$(dirname "$($CC -print-libgcc-file-name)")
names_dlls() { $HOST-objdump -p "$1" | awk '/DLL Name:/ { print $3 }'; }
for dll in $(names_dlls "$DIR/coder.dll"); do
    for d in "$GCC_LIBS" "/usr/$HOST/lib" "$PREFIX/bin"; do
        if [ -f "$d/$dll" ]; then
            echo "warning: coder.dll is not linked static: it needs $dll" >&2
        fi
    done
done
copied=1
while [ -n "$copied" ]; do
    copied=
    for f in "$DIR"/*.exe "$DIR"/*.dll "$DIR"/*/*.dll; do
        for dll in $(names_dlls "$f"); do
            [ ! -f "$DIR/$dll" ] || continue
            for d in "$PREFIX/bin" "$GCC_LIBS" "/usr/$HOST/lib"; do
                if [ -f "$d/$dll" ]; then
                    cp "$d/$dll" "$DIR/"
                    copied=1
                    break
                fi
            done
        done
    done
done
(cd "$DIR" && find . -type f | sort | sed 's|^\./|   |')

VERSION=$(sed -n 's/^project(vidmorf VERSION \([0-9.]*\).*/\1/p' "$REPO/CMakeLists.txt")
stage "portable zip"
ZIP=$OUT/vidmorf-$VERSION-win64.zip
rm -f "$ZIP"
(cd "$OUT" && zip -q -r -X "$ZIP" Vidmorf)
say "$ZIP: $(du -k "$ZIP" | cut -f1) KB"

stage "installer"
# The uninstaller removes exactly the files that the installer put in place, then the
# folders if they are empty: nothing else that has come into the folder since.
FILELIST=$OUT/build/uninstall-files.nsh
(cd "$DIR" && find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|    Delete "$INSTDIR\\&"|'
    cd "$DIR" && find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|    RMDir "$INSTDIR\\&"|') \
    >"$FILELIST"
SETUP=$OUT/vidmorf-$VERSION-setup.exe
makensis -V2 -DVERSION="$VERSION" -DSOURCE="$DIR" -DICON="$REPO/dist/windows/vidmorf.ico" \
    -DFILELIST="$FILELIST" -DOUTFILE="$SETUP" "$REPO/dist/windows/vidmorf.nsi"
say "$SETUP: $(du -k "$SETUP" | cut -f1) KB"

stage "installer and zip under Wine"
# Installed silently, converting, uninstalled; the zip unpacked, converting.
WINE=$(command -v /usr/lib/wine/wine64 wine64 wine | head -n 1)
sh "$REPO/tests/dist/windows_setup.sh" "$SETUP" "$ZIP" "$WINE"
