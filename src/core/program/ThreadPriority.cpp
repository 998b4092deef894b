#include "core/program/ThreadPriority.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/resource.h>

namespace threadPriority {

int lowerThreadsNamed(const QByteArray &prefix, int nice)
{
    int lowered = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const int tid = task.toInt(&ok);
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!ok || !comm.open(QIODevice::ReadOnly) || !comm.readAll().startsWith(prefix))
            continue;
        errno = 0;
        const int now = ::getpriority(PRIO_PROCESS, id_t(tid));
        if ((now == -1 && errno != 0) || now >= nice)
            continue;
        if (::setpriority(PRIO_PROCESS, id_t(tid), nice) == 0)
            ++lowered;
    }
    return lowered;
}

} // namespace threadPriority
