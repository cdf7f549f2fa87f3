// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The profile (INI) file format on bytes, without any file I/O.
//
// Reading follows the classic profile rules:
// - CR, LF and CR LF each end a line; a UTF-8 byte-order mark at the start is skipped.
// - Blanks and tabs around a line are ignored. A line that starts with '[' and holds a ']'
//   opens a section; its name is what stands between the '[' and the last ']', trimmed.
// - Any other line with an '=' holds a key (before the first '=', trimmed) and its value (after
//   it, trimmed). A value wholly enclosed in a pair of double or single quotes loses that pair.
// - Lines without '=' are ignored; there is no comment syntax.
// - Section and key names match without regard to ASCII letter case; only the first section of
//   a name counts, and in it only the first key of a name. Lines before the first section
//   belong to no section.
//
// Editing changes only the one value, or adds the key at the end of its section, or adds the
// section at the end of the text; every other byte stays as it is, and added lines end with
// the text's own line ending.

#include <QByteArray>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace vm::profile {

// The value of key in section, or nothing when the section or the key is missing.
// The result points into text.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key);

enum class EditResult {
    Changed,    // *out holds the new text
    Unchanged,  // the key already holds exactly this value; nothing to write
    Refused,    // a name or the value cannot be stored as one line (line break, NUL, ...)
};

// Sets key in section to value (stored as given, without quotes).
EditResult SetValue(std::string_view text, std::string_view section, std::string_view key,
                    std::string_view value, std::string* out);

// The line ending the text uses (its first one); CR LF when it has none.
std::string_view LineEnding(std::string_view text);

// Text encodings of profile files: UTF-8, and GBK for files that are not valid UTF-8.
enum class Encoding { Utf8, Gbk };

bool IsValidUtf8(std::string_view bytes);
inline Encoding DetectEncoding(std::string_view bytes) {
    return IsValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Gbk;
}

// The longest prefix of bytes of at most limit bytes that ends at a character boundary.
std::size_t CutAtCharacter(std::string_view bytes, std::size_t limit, Encoding encoding);

QString Decode(std::string_view bytes, Encoding encoding);
// Empty optional when text cannot be represented in the encoding.
std::optional<QByteArray> Encode(const QString& text, Encoding encoding);

// The longest value a read returns, in bytes of the file's encoding.
inline constexpr std::size_t kMaxValueBytes = 254;

// What a read returns for a stored value: cut at the first NUL, then at kMaxValueBytes on a
// character boundary, then decoded.
QString ValueText(std::string_view stored, Encoding encoding);

}  // namespace vm::profile
