#include "core/scan/EngineTable.h"

#include "core/engines/Placeholders.h"

#include "core/ini/IniLines.h"
#include "core/ini/TextFile.h"
#include "core/ini/modINI.h"
#include "core/ini/privateProfile.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace scan {

namespace {

const engines::Definition &shipped(int number)
{
    Q_ASSERT(number >= 1 && number <= EngineCount);
    return engines::EngineSet::builtin().at(number);
}

} // namespace

QString engineKey(int number)
{
    return shipped(number).key;
}

QString engineLogText(int number)
{
    return shipped(number).logText;
}

QString engineStatusSuffix(int number)
{
    return shipped(number).statusSuffix;
}

QString engineCaption(int number)
{
    return shipped(number).header;
}

QString defaultPrefix(int number)
{
    return shipped(number).address;
}

QString enginesSection()
{
    return QStringLiteral("Engines");
}

QString settingsFile(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("settings.ini"));
}

QString readPrefix(int number, const QString &settingsIni)
{
    return readPrefix(engineKey(number), settingsIni);
}

QString readPrefix(const QString &key, const QString &settingsIni)
{
    return modINI::ReadINI(enginesSection(), key, QString(), settingsIni);
}

QString queryTarget(const QString &target)
{
    QString out;
    out.reserve(target.size());
    for (const QChar c : target) {
        const char16_t u = c.unicode();
        if (u == u'%' || u == u'&' || u == u'#' || u == u'+' || u == u' ' || u < 0x20 || u == 0x7f)
            out += u'%' + QString::number(u, 16).toUpper().rightJustified(2, u'0');
        else
            out += c;
    }
    return out;
}

QString queryUrl(const QString &prefix, int number, const QString &target)
{
    return queryUrl(prefix, shipped(number), target);
}

QString queryUrl(const QString &prefix, const engines::Definition &engine, const QString &target)
{
    // An address or a body that places the target itself gets it where it says (the address percent-
    // encoded); else the target follows the prefix.
    if (engines::hasPlaceholders(prefix) || engines::hasPlaceholders(engine.suffix) ||
        (engine.isPost() && engines::hasPlaceholders(engine.body)))
        return engines::fillPlaceholders(prefix + engine.suffix, target, engines::Encoding::Url);
    return prefix + queryTarget(target) + engine.suffix;
}

FetchOptions engineRequestOptions(const engines::Definition &engine, FetchOptions base)
{
    base.headers = engines::requestHeaders(engine);
    base.method = engine.method.toLatin1();
    base.contentType = engine.bodyType.toLatin1();
    base.username = engine.username;
    base.password = engine.password;
    return base;
}

QString queryUrlFromSettings(int number, const QString &target, const QString &settingsIni)
{
    return queryUrl(readPrefix(number, settingsIni), number, target);
}

void EnginePrefixes::setFile(const QString &settingsIni, const engines::EngineSet &set)
{
    m_file = settingsIni;
    m_set = set;
    m_prefixes.clear();
    m_stamp.reset();
    m_reads = 0;
}

bool EnginePrefixes::refresh()
{
    Stamp stamp;
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(m_file).constData(), &info) == 0) {
        stamp.exists = true;
        stamp.size = info.st_size;
        stamp.inode = qint64(info.st_ino);
        stamp.device = qint64(info.st_dev);
        stamp.seconds = info.st_mtim.tv_sec;
        stamp.nanoseconds = info.st_mtim.tv_nsec;
    }
    if (m_stamp && *m_stamp == stamp)
        return false;
    m_stamp = stamp;
    ++m_reads;
    modINI::IniLines lines;
    modINI::LoadINIFile(lines, m_file);
    m_prefixes.clear();
    for (const engines::Definition &e : m_set.definitions())
        m_prefixes.append(modINI::ReadINI(lines, enginesSection(), e.key, QString()));
    return true;
}

bool resetPrefixes(const QString &settingsIni, const engines::EngineSet &set)
{
    // The writes land together or not at all.
    textFile::Transaction transaction;
    bool ok = true;
    for (const engines::Definition &e : set.definitions())
        ok = privateProfile::WriteString(enginesSection(), e.key, e.address, settingsIni) && ok;
    return ok && transaction.commit();
}

} // namespace scan
