#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up time of the real program with many language packs: a program folder under /tmp
# with copies of vidmorf and coder.dll and PACKS packs (the last one remembered), started
# under Xvfb; the time runs from the launch until the window is mapped on the screen.
# Prints milliseconds per run, the medians with and without packs, and their ratio.
# Usage: bench/app/startup_real.sh [BUILD-DIR] [PACKS] [RUNS]  (defaults: build 200 3)
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$here/build}
packs=${2:-200}
runs=${3:-3}
[ -x "$build/bin/vidmorf" ] || { echo "build vidmorf first ($build/bin/vidmorf)" >&2; exit 1; }

if [ -z "${VM_IN_XVFB:-}" ]; then
    VM_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$packs" "$runs"
fi

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# One folder with n packs; prints its path.
make_folder() {
    folder=$(mktemp -d /tmp/vm-bench-XXXXXX)
    cp "$build/bin/vidmorf" "$build/bin/coder.dll" "$folder/"
    i=0
    while [ $i -lt "$1" ]; do
        mark=0
        [ $i -eq $(($1 - 1)) ] && mark=1
        sed -e "s/^Language=.*/Language=Language $i/" -e "s/^Set=.*/Set=$mark/" \
            "$here/packs/en.INI" >"$folder/$(printf 'Pack%03d.INI' $i)"
        i=$((i + 1))
    done
    echo "$folder"
}

# Milliseconds from the launch until the window is viewable.
run_once() {
    start=$(now_ms)
    "$1/vidmorf" >/dev/null 2>&1 &
    pid=$!
    until xwininfo -name "Vidmorf 0.9 beta" 2>/dev/null | grep -q IsViewable; do
        kill -0 "$pid" 2>/dev/null || { echo "vidmorf ended early" >&2; return 1; }
    done
    echo $(($(now_ms) - start))
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}

median() { tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

with=$(make_folder "$packs")
without=$(make_folder 0)
times_with=
times_without=
n=0
while [ $n -lt "$runs" ]; do
    t=$(run_once "$with")
    times_with="$times_with $t"
    u=$(run_once "$without")
    times_without="$times_without $u"
    echo "run $((n + 1)): $packs packs $t ms, no packs $u ms"
    n=$((n + 1))
done
rm -rf "$with" "$without"
m_with=$(echo "$times_with" | median)
m_without=$(echo "$times_without" | median)
echo "median start-up to shown with $packs packs: $m_with ms"
echo "median start-up to shown without packs: $m_without ms"
awk -v a="$m_with" -v b="$m_without" 'BEGIN { if (b > 0) printf "ratio: %.2f\n", a / b }'
