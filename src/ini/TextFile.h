#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Whole-file access for the program's single-byte text files. Every byte maps to one character (Latin-1),
// so each byte 0x00-0xFF round-trips unchanged.
namespace textFile {

// Reads the whole file. False when it cannot be opened or read (missing, a folder, unreadable).
bool readLatin1(const QString &path, QString &text);

// Replaces the file's contents atomically: the new bytes land completely or the old file stays exactly as it
// was. Characters above U+00FF, which a single-byte file cannot hold, are written as "?".
bool writeLatin1(const QString &path, const QString &text);
bool writeBytes(const QString &path, const QByteArray &bytes);

// Splits text into lines. A line ends at CR LF or at a lone CR; a lone LF stays inside its line. A final line
// without an ending is a line; the text after the last ending, when empty, is not.
QStringList splitLines(const QString &text);

} // namespace textFile
