// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ProfileFiles.h"

namespace vm {

// Profile files on the local file system (format: ProfileFormat.h).
//
// A file is read as UTF-8 when it is valid UTF-8, else as GBK; values are written in the same
// encoding. A write replaces the file atomically: a temporary file beside it (its name never
// ends in ".INI"), flushed to disk, put in its place with the original's permission bits or
// attributes (ProfileFileIo.h, each system its own way). A write never creates a missing file,
// and does nothing when the value is already there, when the file is read-only (no write bit
// at all or the read-only attribute, or refused by the system) or when the temporary file
// cannot be made.
class IniProfileFiles final : public ProfileFiles {
  public:
    QString readString(const QString& file, const QString& section, const QString& key,
                       const QString& fallback) const override;
    void writeString(const QString& file, const QString& section, const QString& key,
                     const QString& value) override;
};

}  // namespace vm
