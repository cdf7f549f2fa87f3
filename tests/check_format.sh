#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Every tracked C++ source and header is laid out as .clang-format says, by clang-format 14
# (other versions lay out some constructs differently). Lists what it would change.
# Usage: check_format.sh SOURCE_DIR (77: no clang-format 14, or not a git checkout)
cd "$1" || exit 1
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || exit 77
tool=
for candidate in clang-format-14 clang-format; do
    if "$candidate" --version 2>/dev/null | grep -q 'version 14\.'; then
        tool=$candidate
        break
    fi
done
if [ -z "$tool" ]; then
    echo "clang-format 14 is not installed: layout not checked"
    exit 77
fi
git ls-files -z -- '*.cpp' '*.h' | xargs -0 "$tool" --dry-run -Werror
