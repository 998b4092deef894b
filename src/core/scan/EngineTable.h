#pragma once

#include <QString>

#include <array>
#include <optional>

// The six search engines, always the same six in the same order: the order a scan asks them in, the order of
// the engine columns of the results table and the number that selects the extraction rules.
namespace scan {

struct Engine
{
    int number;             // 1..6
    const char *key;        // key in section "Engines" of settings.ini
    const char *logText;    // text of the engine's rows in the web-result log
    const char *statusText; // suffix of the status-bar text while it is asked
    const char *caption;    // results-table column caption, also the saved-search section name
    const char *defaultPrefix;
};

inline constexpr int EngineCount = 6;

enum EngineNumber : int
{
    Google = 1,
    AltaVista = 2,
    Yahoo = 3,
    Teoma = 4,
    MSN = 5,
    AllTheWeb = 6
};

const std::array<Engine, EngineCount> &engines();

// The engine with number 1..6; asserts on other numbers.
const Engine &engine(int number);

QString engineKey(int number);
QString engineLogText(int number);
QString engineStatusSuffix(int number);
QString engineCaption(int number);
QString defaultPrefix(int number);

// The section of settings.ini that holds the query prefixes.
QString enginesSection();

// Appended to AllTheWeb's queries only; not stored in settings.ini.
QString allTheWebSuffix();

// settings.ini inside the program folder.
QString settingsFile(const QString &programFolder);

// The engine's prefix as settings.ini holds it now (read afresh on every call), empty when missing.
QString readPrefix(int number, const QString &settingsIni);

// The target as the value of the prefix's query parameter: its own "%", "&", "#", "+", blanks and control
// characters are percent-encoded, so the engine is asked about the whole target and nothing of it becomes a
// parameter or fragment of its own. Everything else stays as written; the fetch sends non-ASCII characters
// percent-encoded from UTF-8.
QString queryTarget(const QString &target);

// The query URL: prefix + queryTarget(target), + the suffix for AllTheWeb.
QString queryUrl(const QString &prefix, int number, const QString &target);

// Reads the prefix from settings.ini and forms the query URL.
QString queryUrlFromSettings(int number, const QString &target, const QString &settingsIni);

// The six prefixes of settings.ini, read in one load of the file and read again only when the file has
// changed (another modification time, size or file). A scan asks for them once per URL, so a prefix changed
// while a scan runs takes effect from the next URL on.
class EnginePrefixes
{
public:
    void setFile(const QString &settingsIni);
    // Reads the file when it has changed since the last read (or was never read); false when it did not.
    bool refresh();
    const QString &prefix(int number) const { return m_prefixes.at(std::size_t(number - 1)); }
    int reads() const { return m_reads; } // how often the file was read since setFile() (tests)

private:
    QString m_file;
    std::array<QString, EngineCount> m_prefixes;
    struct Stamp
    {
        bool exists = false;
        qint64 size = 0, inode = 0, device = 0, seconds = 0, nanoseconds = 0;
        bool operator==(const Stamp &) const = default;
    };
    std::optional<Stamp> m_stamp;
    int m_reads = 0;
};

// Writes the six default prefixes, one write per engine in table order. False when any write failed.
bool resetPrefixes(const QString &settingsIni);

} // namespace scan
