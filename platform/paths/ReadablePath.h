// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

// The legacy encodings that old archives' names come in.
enum class LegacyEncoding { Gbk, Big5, ShiftJis, Windows1252 };

// The legacy encoding that users of a language most likely met, from the language's name as
// the packs give it ("简体中文", "繁體中文", "日本語", "English", ...).
LegacyEncoding LegacyEncodingForLanguage(const QString& languageName);

// GBK: the code page of the built-in language, preferred until a program knows better.
constexpr LegacyEncoding kBuiltInLegacyEncoding = LegacyEncoding::Gbk;

// A path as a person reads it, with the system's own separators ('\\' on Windows). A path
// that is valid UTF-8 comes back unchanged but for those. Otherwise
// each part between '/' (and '"', and control characters) that holds bytes beyond UTF-8 is
// decoded by the legacy encoding that reads most like a real name (each part on its own:
// an archive made on one system may be unpacked into a folder named on another); bytes that
// no encoding takes are shown as "\xHH". preferred wins a close call (the window passes its
// language's). What this gives is for reading only: it is never turned back into a path.
QString ReadablePath(const QString& path, LegacyEncoding preferred);

// A text that quotes paths (a reason for a failure, a line of the encoder, which writes each
// byte that is not valid UTF-8 as "\xHH"): those bytes are read as ReadablePath reads them.
QString ReadableText(const QString& text, LegacyEncoding preferred);

}  // namespace vm
