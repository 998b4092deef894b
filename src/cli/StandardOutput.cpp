#include "cli/StandardOutput.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace standardOutput {

namespace {

int firstError = 0;

} // namespace

bool print(const QString &text)
{
    if (firstError != 0)
        return false;
    const QByteArray bytes = text.toUtf8();
    const char *next = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, next, size_t(std::min<qsizetype>(left, 1 << 20)));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            firstError = written < 0 ? errno : ENOSPC;
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

bool failed()
{
    return firstError != 0;
}

QString error()
{
    return QString::fromLocal8Bit(std::strerror(firstError));
}

} // namespace standardOutput
