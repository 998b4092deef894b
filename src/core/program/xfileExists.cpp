#include "core/program/xfileExists.h"

#include <QDir>
#include <QFileInfo>

namespace xfileExists {

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    const QString wanted = info.fileName();
    if (wanted.isEmpty())
        return false;
    // The folder's listing of normal files, matched without regard to case.
    const QFileInfoList entries = info.absoluteDir().entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (entry.fileName().compare(wanted, Qt::CaseInsensitive) == 0 && !entry.isHidden() && entry.isFile())
            return true;
    }
    return false;
}

} // namespace xfileExists
