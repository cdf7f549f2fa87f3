// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

class QUrl;

namespace vm {

// A path is the bytes that the file system gave. Inside the program it is a QString: valid
// UTF-8 reads as the text it is, and each byte that is not part of valid UTF-8 (names from
// archives made under GBK, Big5, Shift-JIS, Windows-1252, ...) is kept as the lone surrogate
// U+DC00 + byte (0xDC80..0xDCFF), which no valid UTF-8 can give. String operations on such a
// path keep the bytes; only these functions cross between the two forms, and every back end
// that hands a path to the system (or takes one from it) goes through them. Qt's own
// conversions (QFile::encodeName, QUrl::toLocalFile, QDir on the disk) would lose the bytes.
// On Windows names are UTF-16 and the QString is the name itself (with '/' for '\'); the
// bytes form is then its UTF-8, for what is written as bytes.
QString PathFromBytes(QByteArrayView bytes);
QByteArray PathToBytes(QStringView path);

// True when the path holds bytes that are not valid UTF-8.
bool HoldsForeignBytes(QStringView path);

// True when the system's names are bytes, so that a name in an old archive's encoding can
// lie on the disk as it is (POSIX); false when they are text (Windows' UTF-16).
bool NamesAreBytes();

// The local path of a file: URL, its percent-encoded bytes kept ("file:///a/%D6%D0.flv").
// Empty when the URL is not a local file.
QString PathFromFileUrl(const QUrl& url);
// The file: URL of a path, every byte beyond ASCII percent-encoded.
QUrl FileUrlFromPath(const QString& path);

// What a program starts with, its bytes kept: the arguments (argv as the application object
// left it, the program first), the current folder, and the folder of the running executable
// (empty when the system does not tell).
QStringList ArgumentPaths(int argc, const char* const* argv);
QString CurrentFolder();
QString ExecutableFolder();
// The folder of the program (without a trailing '/'): the executable's, or where the system
// does not tell, the one the application object found.
QString ProgramFolder();

// A text that the system gives in the locale's encoding (the C library's error messages):
// text, not a path, so it is read as text.
QString SystemText(const char* text);

}  // namespace vm
