// SPDX-License-Identifier: GPL-3.0-or-later
#include "IniProfileFiles.h"

#include <string>

#include "ProfileFileIo.h"
#include "ProfileFormat.h"

namespace vm {

namespace {

std::string ToStd(const QByteArray& bytes) {
    return std::string(bytes.constData(), bytes.size());
}

}  // namespace

QString IniProfileFiles::readString(const QString& file, const QString& section, const QString& key,
                                    const QString& fallback) const {
    if (file.isEmpty()) {
        return fallback;
    }
    const std::optional<std::string> read = profile_io::ReadWhole(file);
    if (!read) {
        return fallback;
    }
    const std::string& data = *read;
    const profile::Encoding encoding = profile::DetectEncoding(data);
    std::optional<QByteArray> sectionBytes = profile::Encode(section, encoding);
    std::optional<QByteArray> keyBytes = profile::Encode(key, encoding);
    if (!sectionBytes || !keyBytes) {
        return fallback;
    }
    std::optional<std::string_view> value =
        profile::FindValue(data, ToStd(*sectionBytes), ToStd(*keyBytes));
    if (!value) {
        return fallback;
    }
    return profile::ValueText(*value, encoding);
}

void IniProfileFiles::writeString(const QString& file, const QString& section, const QString& key,
                                  const QString& value) {
    if (file.isEmpty()) {
        return;
    }
    profile_io::Rewrite(file, [&](const std::string& data) -> std::optional<std::string> {
        const profile::Encoding encoding = profile::DetectEncoding(data);
        std::optional<QByteArray> s = profile::Encode(section, encoding);
        std::optional<QByteArray> k = profile::Encode(key, encoding);
        std::optional<QByteArray> v = profile::Encode(value, encoding);
        if (!s || !k || !v) {
            return std::nullopt;
        }
        std::string edited;
        if (profile::SetValue(data, ToStd(*s), ToStd(*k), ToStd(*v), &edited) !=
            profile::EditResult::Changed) {
            return std::nullopt;
        }
        return edited;
    });
}

}  // namespace vm
