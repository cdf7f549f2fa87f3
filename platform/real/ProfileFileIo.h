// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

namespace vm::profile_io {

// The files behind IniProfileFiles, each system its own way.

// The whole of the ordinary file at path; nothing when it is missing or is no ordinary file
// (a FIFO or a device with a pack's name never blocks the reader).
std::optional<std::string> ReadWhole(const QString& path);

// What a rewrite makes of the old contents: the new ones, or nothing to leave the file alone.
using Edit = std::function<std::optional<std::string>(const std::string&)>;

// Rewrites the ordinary file at path (through a link to the file it names, so that the link
// stays a link) with what edit makes of its contents. The new contents replace the file
// atomically: written to a temporary file beside it (a name never ending in ".INI"), flushed
// to disk, put in its place with the original's attributes. Nothing happens when the file is
// missing, is no ordinary file, is read-only (or the system refuses to write it), or the
// temporary file cannot be made; edit is then not asked.
void Rewrite(const QString& path, const Edit& edit);

}  // namespace vm::profile_io
