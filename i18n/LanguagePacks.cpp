// SPDX-License-Identifier: GPL-3.0-or-later
#include "LanguagePacks.h"

// Placeholders until the pack code lands.
namespace vm {

QStringList ListLanguagePacks(const FileSystem&, const QString&) { return {}; }
QString ReadPackText(const ProfileFiles&, const QString&, const QString&, const QString&,
                     const QString& fallback) {
    return fallback;
}
QString FindLanguagePack(const FileSystem&, const ProfileFiles&, const QString&, const QString&) {
    return {};
}
PackScan ScanLanguagePacks(const FileSystem&, const ProfileFiles&, const QString&) { return {}; }
void MarkLanguagePacks(const FileSystem&, ProfileFiles&, const QString&, const QString&) {}

}  // namespace vm
