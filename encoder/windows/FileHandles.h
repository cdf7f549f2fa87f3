// SPDX-License-Identifier: GPL-3.0-or-later
// What the encoder asks of a Windows file by its name or its handle.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "FileIdentity.h"

namespace coder {

// The file's identity in what the system tells of it through a handle.
FileIdentity identityIn(const BY_HANDLE_FILE_INFORMATION& info);
// The file's identity through an open handle; nothing when the system cannot tell.
std::optional<FileIdentity> identityOf(HANDLE file);
// The identity of the file that `name` holds now (a folder too); nothing when there is none or
// it cannot be opened, with GetLastError() saying why.
std::optional<FileIdentity> identityAt(const std::wstring& name);

}  // namespace coder
