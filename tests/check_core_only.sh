#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Each program given links QtCore and no other Qt library than QtTest: no widgets, no GUI.
status=0
for program; do
    needed=$(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
    if ! echo "$needed" | grep -q '^libQt6Core\.'; then
        echo "$program: does not link QtCore"
        status=1
    fi
    others=$(echo "$needed" | grep '^libQt' | grep -Ev '^libQt6(Core|Test)\.')
    if [ -n "$others" ]; then
        echo "$program links" $others
        status=1
    fi
done
exit $status
