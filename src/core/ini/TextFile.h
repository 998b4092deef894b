#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

// Whole-file access for the program's single-byte text files. Every byte maps to one character (Latin-1),
// so each byte 0x00-0xFF round-trips unchanged.
namespace textFile {

// Reads the whole file. False when it cannot be opened or read (missing, a folder, unreadable).
bool readLatin1(const QString &path, QString &text);
bool readBytes(const QString &path, QByteArray &bytes);

// Replaces the file's contents atomically: the new bytes land completely or the old file stays exactly as it
// was. Characters above U+00FF, which a single-byte file cannot hold, are written as "?".
bool writeLatin1(const QString &path, const QString &text);
// On failure, error (when given) says why.
bool writeBytes(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// True when a file of that path exists (as a file, or in the open transaction).
bool exists(const QString &path);

// Removes the lock file lockPath when it names no owner (empty or unreadable, as a process killed between
// making it and writing it leaves it) and no process holds it: QLockFile would otherwise wait for it to age.
// A lock file being made this very moment is left alone (it is younger than a second). True when removed.
bool removeDeadLock(const QString &lockPath);

// Exclusive use of a file for a whole read-edit-rewrite, among processes and threads: a lock file beside it
// (path + ".lock", QLockFile). A lock left by a process that has died is taken over at once; one that has
// been held for longer than a minute counts as abandoned. The wait for a lock another writer holds is
// bounded (waitMs()). Locks nest: a second lock of a path the thread already holds is free. Inside an open
// Transaction a lock is kept until the transaction has ended, so that its commit happens under the lock.
class FileLock
{
public:
    explicit FileLock(const QString &path);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    bool isLocked() const { return m_locked; }
    // Why the lock could not be had: another writer held it for the whole wait (busy), or the lock file
    // could not be made (no folder, no permission).
    bool busy() const { return m_busy; }
    QString path() const { return m_path; }

    // The bounded wait for another writer's lock: 10 s, or the environment's VANTORY_LOCK_WAIT_MS.
    static int waitMs();
    static void setWaitMs(int ms);

private:
    QString m_path; // absolute
    bool m_locked = false;
    bool m_busy = false;
};

// A group of rewrites that lands whole or not at all. While a transaction is open (one at a time, on the
// thread that opened it), every read and write of this module for a path goes to an in-memory copy of that
// file; commit() then writes each changed file once, atomically. So a sequence of key and section writes to
// one file leaves, after any failure or a kill at any moment, either the old file or the file the whole
// sequence gives, byte for byte. Without commit() nothing reaches the disk. A transaction opened inside
// another reads what the outer one has written, and its commit lands in the outer one.
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
    // Why the first failed write of commit() failed, in the system's words ("No space left on device").
    QString error() const { return m_error; }

private:
    QString m_error;
    friend struct TransactionAccess;
    friend class FileLock;
    Transaction *m_outer = nullptr;
    QHash<QString, QByteArray> m_files; // path -> bytes as written in the transaction
    QStringList m_order;                // paths in the order they were first written
    QStringList m_locked;               // paths whose locks the transaction keeps until it ends
    bool m_open = true;
    void releaseLocks();
};

// Splits text into lines. A line ends at CR LF or at a lone CR; a lone LF stays inside its line. A final line
// without an ending is a line; the text after the last ending, when empty, is not.
QStringList splitLines(const QString &text);

} // namespace textFile
