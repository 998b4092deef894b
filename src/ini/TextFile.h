#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// Whole-file access for the program's single-byte text files. Every byte maps to one character (Latin-1),
// so each byte 0x00-0xFF round-trips unchanged.
namespace textFile {

// Reads the whole file. False when it cannot be opened or read (missing, a folder, unreadable).
bool readLatin1(const QString &path, QString &text);
bool readBytes(const QString &path, QByteArray &bytes);

// Replaces the file's contents atomically: the new bytes land completely or the old file stays exactly as it
// was. Characters above U+00FF, which a single-byte file cannot hold, are written as "?".
bool writeLatin1(const QString &path, const QString &text);
bool writeBytes(const QString &path, const QByteArray &bytes);

// True when a file of that path exists (as a file, or in the open transaction).
bool exists(const QString &path);

// A group of rewrites that lands whole or not at all. While a transaction is open (one at a time, on the
// thread that opened it), every read and write of this module for a path goes to an in-memory copy of that
// file; commit() then writes each changed file once, atomically. So a sequence of key and section writes to
// one file leaves, after any failure or a kill at any moment, either the old file or the file the whole
// sequence gives, byte for byte. Without commit() nothing reaches the disk.
class Transaction
{
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // Writes every file changed in the transaction; false when any write failed (the transaction's files
    // then hold either their old or their new bytes, each whole). Ends the transaction.
    bool commit();

private:
    friend struct TransactionAccess;
    Transaction *m_outer = nullptr;
    QHash<QString, QByteArray> m_files; // path -> bytes as written in the transaction
    QStringList m_order;                // paths in the order they were first written
    bool m_open = true;
};

// Splits text into lines. A line ends at CR LF or at a lone CR; a lone LF stays inside its line. A final line
// without an ending is a line; the text after the last ending, when empty, is not.
QStringList splitLines(const QString &text);

} // namespace textFile
