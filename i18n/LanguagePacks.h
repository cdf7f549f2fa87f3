// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace vm {

class FileSystem;
class ProfileFiles;

// The language packs of the program folder. programFolder ends in the path separator.

// File names (not paths) of the ordinary files whose names end in ".INI" in any case,
// sorted case-insensitively.
QStringList ListLanguagePacks(const FileSystem& files, const QString& programFolder);

// One text of a pack: the fallback when the file, section or key is missing; otherwise the
// stored value (an empty value gives empty text). packPath may be empty: then the fallback.
QString ReadPackText(const ProfileFiles& profiles, const QString& packPath, const QString& section,
                     const QString& key, const QString& fallback);

// Full path of the first pack whose Language value begins with name; empty when none does.
QString FindLanguagePack(const FileSystem& files, const ProfileFiles& profiles,
                         const QString& programFolder, const QString& name);

// What start-up learns from the packs: the entries of the language box, the thanks list
// (lines joined by CR LF) and the language remembered by the last shut-down (empty if none).
struct PackScan {
    QStringList languages;
    QString thanks;
    QString remembered;
};
PackScan ScanLanguagePacks(const FileSystem& files, const ProfileFiles& profiles,
                           const QString& programFolder);

// Shut-down: Set = "1" in every pack whose Language (file name as fallback) begins with
// shownLanguage, "0" in all others.
void MarkLanguagePacks(const FileSystem& files, ProfileFiles& profiles,
                       const QString& programFolder, const QString& shownLanguage);

}  // namespace vm
