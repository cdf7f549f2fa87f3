#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Qt's own conversions between a path's bytes and its text lose the bytes of names that are
# not UTF-8 (each becomes U+FFFD, or '?'). platform/paths/ converts without loss and is the
# one place that may call them (with its own test, which imitates them). Lists every call
# elsewhere among the tracked sources; fails when there is one.
# Usage: check_lossy_calls.sh SOURCE_DIR (77: not a git checkout, nothing to check)
cd "$1" || exit 1
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || exit 77
calls='\b(encodeName|decodeName|fromLocalFile|applicationDirPath|toLocal8Bit|fromLocal8Bit)\b'
# Windows names are UTF-16, which Qt's conversions keep whole: the Windows back ends may use them.
found=$(git ls-files -z -- '*.cpp' '*.h' ':!platform/paths/' ':!tests/platform/paths/' \
        ':!platform/windows/' ':!tests/platform/windows/' |
        xargs -0 grep -nsE "$calls")
if [ -n "$found" ]; then
    printf '%s\n' "$found"
    echo "Paths go through platform/paths/ (PathBytes.h, QtFileNames.h), not Qt's conversions." >&2
    exit 1
fi
