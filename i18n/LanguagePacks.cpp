// SPDX-License-Identifier: GPL-3.0-or-later
#include "LanguagePacks.h"

#include <QRegularExpression>

#include "platform/FileSystem.h"
#include "platform/ProfileFiles.h"

namespace vm {

namespace {

const QString kInfo = QStringLiteral("Info");
const QString kLanguage = QStringLiteral("Language");
const QString kSet = QStringLiteral("Set");
const QString kTranslator = QStringLiteral("Translator");

// Set marks a pack when it reads as a decimal number equal to 1: "1", "01", "+1", "1.0".
// Anything else, the empty text and text that is no number included, leaves it unmarked.
bool IsMarkedSetValue(const QString& value) {
    static const QRegularExpression one(QStringLiteral("^\\+?0*1(\\.0*)?$"));
    return one.match(value).hasMatch();
}

// The first name.size() characters of value equal name, compared exactly; the empty name
// begins every value.
bool BeginsWith(const QString& value, const QString& name) {
    return value.size() >= name.size() && QStringView(value).first(name.size()) == name;
}

}  // namespace

QStringList ListLanguagePacks(const FileSystem& files, const QString& programFolder) {
    QStringList packs;
    // The file system keeps its own order (names sorted case-insensitively).
    for (const QString& name : files.listFiles(programFolder)) {
        if (name.size() >= 4 && name.right(4).toUpper() == QLatin1String(".INI")) {
            packs.append(name);
        }
    }
    return packs;
}

QString ReadPackText(const ProfileFiles& profiles, const QString& packPath, const QString& section,
                     const QString& key, const QString& fallback) {
    if (packPath.isEmpty()) {
        return fallback;
    }
    QString text = profiles.readString(packPath, section, key, fallback);
    qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) {
        text.truncate(nul);
    }
    return text;
}

QString FindLanguagePack(const FileSystem& files, const ProfileFiles& profiles,
                         const QString& programFolder, const QString& name) {
    for (const QString& pack : ListLanguagePacks(files, programFolder)) {
        const QString path = programFolder + pack;
        if (BeginsWith(ReadPackText(profiles, path, kInfo, kLanguage, QString()), name)) {
            return path;
        }
    }
    return {};
}

PackScan ScanLanguagePacks(const FileSystem& files, const ProfileFiles& profiles,
                           const QString& programFolder) {
    PackScan scan;
    QStringList lines;
    for (const QString& pack : ListLanguagePacks(files, programFolder)) {
        const QString path = programFolder + pack;
        const QString language = ReadPackText(profiles, path, kInfo, kLanguage, pack);
        scan.languages.append(language);
        if (IsMarkedSetValue(ReadPackText(profiles, path, kInfo, kSet, QStringLiteral("0")))) {
            scan.remembered = language;  // a later marked pack wins
        }
        const QString translator =
            ReadPackText(profiles, path, kInfo, kTranslator, QStringLiteral("none"));
        lines.append(language + QStringLiteral(" - ") + translator);
    }
    scan.thanks = lines.join(QStringLiteral("\r\n"));
    return scan;
}

void MarkLanguagePacks(const FileSystem& files, ProfileFiles& profiles,
                       const QString& programFolder, const QString& shownLanguage) {
    for (const QString& pack : ListLanguagePacks(files, programFolder)) {
        const QString path = programFolder + pack;
        const QString language = ReadPackText(profiles, path, kInfo, kLanguage, pack);
        profiles.writeString(
            path, kInfo, kSet,
            BeginsWith(language, shownLanguage) ? QStringLiteral("1") : QStringLiteral("0"));
    }
}

}  // namespace vm
