#include "core/ini/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <atomic>
#include <map>

namespace textFile {

namespace {

thread_local Transaction *current = nullptr;

// The locks this thread holds, by absolute path, with the number of holders (FileLocks and transactions).
struct HeldLock
{
    std::unique_ptr<QLockFile> file;
    int holders = 0;
};
thread_local std::map<QString, HeldLock> held;

std::atomic<int> lockWait{-1};

void release(const QString &path)
{
    const auto it = held.find(path);
    if (it == held.end() || --it->second.holders > 0)
        return;
    it->second.file->unlock();
    held.erase(it);
}

} // namespace

FileLock::FileLock(const QString &path) : m_path(QFileInfo(path).absoluteFilePath())
{
    auto it = held.find(m_path);
    if (it == held.end()) {
        auto file = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
        // A dead holder's lock is taken over at once (QLockFile checks its process); a live one that has held
        // it this long has hung: no save or import takes a minute.
        file->setStaleLockTime(60 * 1000);
        if (!file->tryLock(waitMs())) {
            m_busy = file->error() == QLockFile::LockFailedError;
            return;
        }
        it = held.emplace(m_path, HeldLock{std::move(file), 0}).first;
    }
    ++it->second.holders;
    m_locked = true;
    // The outermost open transaction writes the file last: it keeps the lock until then.
    Transaction *outermost = current;
    while (outermost && outermost->m_outer)
        outermost = outermost->m_outer;
    if (outermost && outermost->m_open && !outermost->m_locked.contains(m_path)) {
        ++it->second.holders;
        outermost->m_locked.append(m_path);
    }
}

FileLock::~FileLock()
{
    if (m_locked)
        release(m_path);
}

int FileLock::waitMs()
{
    int ms = lockWait.load();
    if (ms < 0) {
        bool ok = false;
        ms = qEnvironmentVariableIntValue("VANTORY_LOCK_WAIT_MS", &ok);
        if (!ok || ms < 0)
            ms = 10 * 1000;
        lockWait.store(ms);
    }
    return ms;
}

void FileLock::setWaitMs(int ms)
{
    lockWait.store(ms);
}

void Transaction::releaseLocks()
{
    for (const QString &path : std::as_const(m_locked))
        release(path);
    m_locked.clear();
}

struct TransactionAccess
{
    static const QByteArray *find(const QString &path)
    {
        if (!current)
            return nullptr;
        const auto it = current->m_files.constFind(path);
        return it == current->m_files.constEnd() ? nullptr : &it.value();
    }
    static bool write(const QString &path, const QByteArray &bytes)
    {
        if (!current || !current->m_open)
            return false;
        if (!current->m_files.contains(path))
            current->m_order.append(path);
        current->m_files.insert(path, bytes);
        return true;
    }
};

Transaction::Transaction() : m_outer(current)
{
    current = this;
}

Transaction::~Transaction()
{
    if (current == this)
        current = m_outer;
    releaseLocks();
}

bool Transaction::commit()
{
    if (current == this)
        current = m_outer;
    m_open = false;
    bool ok = true;
    for (const QString &path : std::as_const(m_order))
        ok = writeBytes(path, m_files.value(path)) && ok;
    releaseLocks();
    return ok;
}

bool exists(const QString &path)
{
    return TransactionAccess::find(path) || QFileInfo(path).isFile();
}

bool readLatin1(const QString &path, QString &text)
{
    QByteArray bytes;
    if (!readBytes(path, bytes))
        return false;
    text = QString::fromLatin1(bytes);
    return true;
}

bool readBytes(const QString &path, QByteArray &bytes)
{
    if (const QByteArray *inTransaction = TransactionAccess::find(path)) {
        bytes = *inTransaction;
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool writeBytes(const QString &path, const QByteArray &bytes, QString *error)
{
    if (current)
        return TransactionAccess::write(path, bytes);
    QSaveFile file(path);
    const auto failed = [&] {
        if (error)
            *error = file.errorString();
        return false;
    };
    // Unbuffered: a buffered QSaveFile can lose the error of a short write (a full disk, a size limit) and
    // still commit the truncated file; written directly, a short write shows in write()'s count.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed();
    if (file.write(bytes) != bytes.size()) {
        failed();
        file.cancelWriting();
        return false;
    }
    return file.commit() || failed();
}

bool writeLatin1(const QString &path, const QString &text)
{
    return writeBytes(path, text.toLatin1());
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (text.at(i) != u'\r')
            continue;
        lines.append(text.mid(start, i - start));
        if (i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

} // namespace textFile
