#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// URL list files, standard input and the clipboard's text: the rules, without any window.
namespace urlList {

// The longest line a list may hold; a longer one is no URL and the whole file is refused.
inline constexpr qsizetype MaxLineLength = 64 * 1024;

enum class LoadStatus
{
    Ok,
    Unreadable, // missing, a folder, no permission
    LineTooLong // a line over MaxLineLength characters
};

// The text of a list file's bytes: a UTF-8 byte-order mark is dropped; UTF-16 with a byte-order mark is
// decoded; otherwise the bytes are UTF-8 when they are valid UTF-8, else Windows-1252 (lists from old
// Windows machines).
QString decodeText(const QByteArray &bytes);

// The entries of a list's text: lines end at CR LF, a lone LF or a lone CR; blanks and tabs around an entry
// are removed; a line that is then empty is skipped.
QStringList entriesOfText(const QString &text);

// The entries of a list's bytes (decoded as above). LineTooLong, with entries untouched, when a line is
// longer than MaxLineLength.
LoadStatus entriesOfBytes(const QByteArray &bytes, QStringList &entries);

// Reads a list file and appends its entries. Anything but Ok leaves the list untouched.
LoadStatus loadFile(const QString &path, QStringList &entries);

// The message for a failed load, naming the file.
QString loadError(LoadStatus status, const QString &path);

// Writes every entry followed by CR LF, as UTF-8, replacing the file atomically. False when it cannot be
// written; the old file then stays as it was.
bool saveFile(const QString &path, const QStringList &entries);

// The name a list is saved under: ".txt" is appended unless the name ends in ".txt" in any case.
QString withTxtExtension(const QString &name);

// One clipboard line as a URL: unchanged when it holds "http://" or "https://" anywhere (any case);
// "http://" in front when it holds "www." anywhere; "http://www." in front otherwise.
QString normaliseClipboardEntry(const QString &entry);

// The entries the clipboard's text adds: its lines (any line ends), trimmed, non-empty, each normalised.
QStringList clipboardEntries(const QString &clipboardText);

} // namespace urlList
