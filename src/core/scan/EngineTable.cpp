#include "core/scan/EngineTable.h"

#include "core/ini/IniLines.h"
#include "core/ini/TextFile.h"
#include "core/ini/modINI.h"
#include "core/ini/privateProfile.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace scan {

namespace {

constexpr std::array<Engine, EngineCount> Table{{
    {Google, "Google", "Google", " on Google", "Google",
     "http://www.google.com/search?hl=en&ie=UTF-8&q=link:"},
    {AltaVista, "Altavista", "AltaVista", " on AltaVista", "Altavista",
     "http://www.altavista.com/web/results?q=link:"},
    {Yahoo, "Yahoo", "Yahoo", " on Yahoo!", "Yahoo!",
     "http://search.yahoo.com/search?fr=fp-pull-web-t&p=link:"},
    {Teoma, "Teoma", "Teoma", " on Teoma", "Teoma", "http://www.teoma.com/search?q=links:"},
    {MSN, "MSN", "MSN", " on MSN", "MSN", "http://search.msn.com/results.aspx?FORM=SMCRT&q=link:"},
    {AllTheWeb, "ATW", "AllTheWeb", " on All The Web", "All The Web",
     "http://www.alltheweb.com/search?cat=web&cs=utf8&q=link:"},
}};

} // namespace

const std::array<Engine, EngineCount> &engines()
{
    return Table;
}

const Engine &engine(int number)
{
    Q_ASSERT(number >= 1 && number <= EngineCount);
    return Table[std::size_t(number - 1)];
}

QString engineKey(int number)
{
    return QString::fromLatin1(engine(number).key);
}

QString engineLogText(int number)
{
    return QString::fromLatin1(engine(number).logText);
}

QString engineStatusSuffix(int number)
{
    return QString::fromLatin1(engine(number).statusText);
}

QString engineCaption(int number)
{
    return QString::fromLatin1(engine(number).caption);
}

QString defaultPrefix(int number)
{
    return QString::fromLatin1(engine(number).defaultPrefix);
}

QString enginesSection()
{
    return QStringLiteral("Engines");
}

QString allTheWebSuffix()
{
    return QStringLiteral("&rys=0&_sb_lang=pref&ocjp=1");
}

QString settingsFile(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("settings.ini"));
}

QString readPrefix(int number, const QString &settingsIni)
{
    return modINI::ReadINI(enginesSection(), engineKey(number), QString(), settingsIni);
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
    QString url = prefix + queryTarget(target);
    if (number == AllTheWeb)
        url += allTheWebSuffix();
    return url;
}

QString queryUrlFromSettings(int number, const QString &target, const QString &settingsIni)
{
    return queryUrl(readPrefix(number, settingsIni), number, target);
}

void EnginePrefixes::setFile(const QString &settingsIni)
{
    m_file = settingsIni;
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
    for (const Engine &e : Table)
        m_prefixes[std::size_t(e.number - 1)] =
            modINI::ReadINI(lines, enginesSection(), QString::fromLatin1(e.key), QString());
    return true;
}

bool resetPrefixes(const QString &settingsIni)
{
    // The six writes land together or not at all.
    textFile::Transaction transaction;
    bool ok = true;
    for (const Engine &e : Table) {
        ok = privateProfile::WriteString(enginesSection(), QString::fromLatin1(e.key),
                                         QString::fromLatin1(e.defaultPrefix), settingsIni) &&
             ok;
    }
    return ok && transaction.commit();
}

} // namespace scan
