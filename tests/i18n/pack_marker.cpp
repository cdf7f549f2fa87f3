// SPDX-License-Identifier: GPL-3.0-or-later
// Helper for the kill test: marks the packs of a folder for "Alpha" and "Beta" in turn,
// forever, until it is killed.
#include <QString>
#include <cstdio>

#include "SystemBackEnds.h"
#include "i18n/LanguagePacks.h"
#include "platform/paths/PathBytes.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pack_marker FOLDER\n");
        return 2;
    }
    const QString folder = vm::PathFromBytes(argv[1]) + QLatin1Char('/');
    vm::SystemFileSystem files;
    vm::SystemProfileFiles profiles;
    for (;;) {
        vm::MarkLanguagePacks(files, profiles, folder, QStringLiteral("Alpha"));
        vm::MarkLanguagePacks(files, profiles, folder, QStringLiteral("Beta"));
    }
}
