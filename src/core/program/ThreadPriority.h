#pragma once

#include <QByteArray>

// The scheduling priority of this process's threads, by the names the system knows them by (at most 15
// characters: "QNetworkAccessM" for a network manager's thread).
namespace threadPriority {

// Lowers every thread of this process whose name begins with prefix to the nice value given, never raising
// one that is lower already; the number of threads lowered. Where the system does not allow it, nothing
// changes.
int lowerThreadsNamed(const QByteArray &prefix, int nice);

} // namespace threadPriority
