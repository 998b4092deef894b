#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace programFolder {

namespace {
QString &overridden()
{
    static QString folder;
    return folder;
}
} // namespace

QString path()
{
    if (!overridden().isEmpty())
        return overridden();
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

void setPath(const QString &folder)
{
    overridden() = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

QString settingsIni()
{
    return QDir(path()).filePath(QStringLiteral("settings.ini"));
}

QString listsFolder()
{
    return QDir(path()).filePath(QStringLiteral("Lists"));
}

QString savedFolder()
{
    return QDir(path()).filePath(QStringLiteral("Saved"));
}

} // namespace programFolder
