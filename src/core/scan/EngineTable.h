#pragma once

#include "core/engines/EngineSet.h"
#include "core/scan/PageDownload.h"

#include <QString>
#include <QStringList>

#include <optional>

// The engine table: query addresses in settings.ini, query URLs, and the six shipped engines by number.
namespace scan {

inline constexpr int EngineCount = 6; // the shipped engines

enum EngineNumber : int
{
    Google = 1,
    AltaVista = 2,
    Yahoo = 3,
    Teoma = 4,
    MSN = 5,
    AllTheWeb = 6
};

// The shipped six, by number 1..6 (their definitions are built into the program; engines::EngineSet holds
// the engines in use).
QString engineKey(int number);
QString engineLogText(int number);
QString engineStatusSuffix(int number);
QString engineCaption(int number);
QString defaultPrefix(int number);

// The section of settings.ini that holds the query prefixes.
QString enginesSection();

// settings.ini inside the program folder.
QString settingsFile(const QString &programFolder);

// The engine's prefix as settings.ini holds it now (read afresh on every call), empty when missing.
QString readPrefix(int number, const QString &settingsIni);
QString readPrefix(const QString &key, const QString &settingsIni);

// The target as the value of the prefix's query parameter: its own "%", "&", "#", "+", blanks and control
// characters are percent-encoded, so the engine is asked about the whole target and nothing of it becomes a
// parameter or fragment of its own. Everything else stays as written; the fetch sends non-ASCII characters
// percent-encoded from UTF-8.
QString queryTarget(const QString &target);

// The query URL: prefix + queryTarget(target) + the engine's suffix (AllTheWeb's among the six). When the
// prefix, the suffix or a POST's body holds ${target}, ${host} or ${domain}, those are filled (percent-
// encoded in the address) instead and nothing is appended.
QString queryUrl(const QString &prefix, int number, const QString &target);
QString queryUrl(const QString &prefix, const engines::Definition &engine, const QString &target);

// The engine's request on top of base: its headers, method, body type and credentials.
FetchOptions engineRequestOptions(const engines::Definition &engine, FetchOptions base);

// Reads the prefix from settings.ini and forms the query URL.
QString queryUrlFromSettings(int number, const QString &target, const QString &settingsIni);

// The prefixes of a set of engines in settings.ini, read in one load of the file and read again only when the
// file has changed (another modification time, size or file). A scan asks for them once per URL, so a prefix
// changed while a scan runs takes effect from the next URL on.
class EnginePrefixes
{
public:
    void setFile(const QString &settingsIni, const engines::EngineSet &set = engines::EngineSet::builtin());
    // Reads the file when it has changed since the last read (or was never read); false when it did not.
    bool refresh();
    QString prefix(int number) const { return m_prefixes.value(number - 1); }
    int reads() const { return m_reads; } // how often the file was read since setFile() (tests)

private:
    QString m_file;
    engines::EngineSet m_set;
    QStringList m_prefixes;
    struct Stamp
    {
        bool exists = false;
        qint64 size = 0, inode = 0, device = 0, seconds = 0, nanoseconds = 0;
        bool operator==(const Stamp &) const = default;
    };
    std::optional<Stamp> m_stamp;
    int m_reads = 0;
};

// Writes the default prefixes (the engines' addresses), one write per engine in table order, all or none.
// False when any write failed.
bool resetPrefixes(const QString &settingsIni, const engines::EngineSet &set = engines::EngineSet::builtin());

} // namespace scan
