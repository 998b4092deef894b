#pragma once

#include <QString>
#include <QStringList>

// URL list files and the clipboard's text: the rules, without any window.
namespace urlList {

// The entries of a list file's text: split at each CR LF only (a lone CR or LF stays inside an entry), every
// non-empty piece unchanged.
QStringList entriesOfText(const QString &text);

// Reads a list file. False, with the list untouched, when the file cannot be read.
bool loadFile(const QString &path, QStringList &entries);

// Writes every entry followed by CR LF, replacing the file atomically. False when it cannot be written; the
// old file then stays as it was.
bool saveFile(const QString &path, const QStringList &entries);

// The name a list is saved under: ".txt" is appended unless the name ends in ".txt" in any case.
QString withTxtExtension(const QString &name);

// One clipboard line as a URL: unchanged when it holds "http://" anywhere (any case); "http://" in front when
// it holds "www." anywhere; "http://www." in front otherwise.
QString normaliseClipboardEntry(const QString &entry);

// The entries the clipboard's text adds: its CR LF-separated non-empty pieces, each normalised.
QStringList clipboardEntries(const QString &clipboardText);

} // namespace urlList
