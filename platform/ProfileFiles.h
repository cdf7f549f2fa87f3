// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

// INI profile files with the classic profile semantics (see ProfileFormat.h).
class ProfileFiles {
  public:
    virtual ~ProfileFiles() = default;
    // The value of key in section; fallback when the file, section or key is missing.
    // At most 254 bytes of UTF-8, cut at a character boundary.
    virtual QString readString(const QString& file, const QString& section, const QString& key,
                               const QString& fallback) const = 0;
    // Sets the key's value; silently does nothing when the file cannot be written.
    virtual void writeString(const QString& file, const QString& section, const QString& key,
                             const QString& value) = 0;
};

}  // namespace vm
