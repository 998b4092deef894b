#include "core/ini/TextFile.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool removeDeadLock(const QString &lockPath)
{
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool dead = false;
    struct stat info
    {
    };
    if (::fstat(fd, &info) == 0) {
        // QLockFile writes "pid\napp\nhost\n": without a pid on its first line the file names no owner.
        char head[32] = {};
        const ssize_t n = ::pread(fd, head, sizeof head - 1, 0);
        bool ok = false;
        QByteArray(head, n > 0 ? int(n) : 0).split('\n').value(0).toLongLong(&ok);
        const bool ownerless = n <= 0 || !ok;
        // An owner alive holds the file locked (QLockFile locks it with flock as it makes it).
        const bool free = ownerless && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        const qint64 ageMs = QDateTime::currentMSecsSinceEpoch() -
                             (qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000);
        dead = free && ageMs >= 1000;
    }
    ::close(fd);
    return dead && QFile::remove(lockPath);
}

FileLock::FileLock(const QString &path) : m_path(QFileInfo(path).absoluteFilePath())
{
    auto it = held.find(m_path);
    if (it == held.end()) {
        auto file = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
        // A dead holder's lock is taken over at once (QLockFile checks its process); a live one that has held
        // it this long has hung: no save or import takes a minute.
        file->setStaleLockTime(60 * 1000);
        // Tried in short steps, so that a lock file left empty by a killed writer is taken over as soon as it
        // is seen to be one.
        const QString lockPath = m_path + QStringLiteral(".lock");
        QElapsedTimer waited;
        waited.start();
        bool locked = false;
        do {
            removeDeadLock(lockPath);
            locked = file->tryLock(int(std::clamp<qint64>(waitMs() - waited.elapsed(), 0, 250)));
        } while (!locked && file->error() == QLockFile::LockFailedError && waited.elapsed() < waitMs());
        if (!locked) {
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
        // A nested transaction reads what the transactions around it have written.
        for (const Transaction *t = current; t; t = t->m_outer) {
            const auto it = t->m_files.constFind(path);
            if (it != t->m_files.constEnd())
                return &it.value();
        }
        return nullptr;
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
    for (const QString &path : std::as_const(m_order)) {
        QString why;
        if (!writeBytes(path, m_files.value(path), &why)) {
            if (ok)
                m_error = why;
            ok = false;
        }
    }
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
    // A short write is followed by one more of the rest: that one fails with the system's reason (a full
    // disk, a size limit), which the error then gives.
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            failed();
            file.cancelWriting();
            return false;
        }
        done += n;
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
