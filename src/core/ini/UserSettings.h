#pragma once

#include <QList>
#include <QString>

#include <algorithm>

// The user's options in the per-user settings store: application and organisation "Vantory", group
// "Settings", string values, each read with its default. The key table lives in one place (the .cpp).
class UserSettings
{
public:
    enum Key
    {
        TxtProfile0,
        TxtProfile1,
        TxtProfile2,
        ChkAutoSort,
        ChkClear,
        ShowHelp,
        CmbChart2,
        FetchRetries, // keys of our own, beyond the program's original table
        ParallelEngines,
        EngineInterval,
        EngineJitter,
        FetchTimeout,
        WindowGeometry, // the main window's place and size, and its tables' columns (base64)
        ResultsColumns,
        LogColumns,
        AlertDrop,     // a drop of at least this many percent since the previous save is an alert (0: none)
        AlertFailures, // an engine without a count in this many updates in a row is an alert
        Proxies,       // proxies for every engine, in turn: "http://host:port socks5://user:pw@host:port"
        GraphSource,   // where web graph releases are read from (an address or a folder; empty: the published
                       // one)
        ChartTime,     // 1: history charts put the oldest date on the left and space dates by their distance
        WebLogHeight   // the Website View's log height in pixels (empty: as designed)
    };

    static QString keyName(Key key);
    static QString defaultValue(Key key);

    // The stored text, or the key's default when the key is missing.
    static QString value(Key key);
    // False when the store could not be written (lastWriteError() says why).
    static bool setValue(Key key, const QString &value);
    static bool remove(Key key);

    // The stored text as a whole number; the default's number when it is missing, empty or not a whole
    // number, so that a damaged store never turns into 0 or an error.
    static int intValue(Key key);
    static int thresholdValue(Key key);

    // The one number rule for thresholds, used by the Options dialog, the scan and the command line: an
    // English-locale number ("700,000", "1e3", " 42 "), fractions rounded half to even, within the signed
    // 32-bit range. False for anything else.
    static bool thresholdNumber(const QString &text, int *value);

    // The scan's options. A stored threshold that fails the rule reads as its default.
    static int lowThreshold() { return thresholdValue(TxtProfile0); }
    static int mediumThreshold() { return thresholdValue(TxtProfile1); }
    static bool clearBeforeScan() { return intValue(ChkClear) == 1; }
    static bool autoSort() { return intValue(ChkAutoSort) == 1; }
    static bool chartTimeLeftToRight() { return intValue(ChartTime) == 1; }
    // How often a failed connection or a 502/504 answer is tried again: 0 to 3 (default 1).
    static int fetchRetries() { return std::clamp(intValue(FetchRetries), 0, 3); }
    // "1": the six engines are asked at the same time (one request each); "0": one after another.
    static bool parallelEngines() { return intValue(ParallelEngines) != 0; }
    // The least time between the starts of two requests to one engine, in ms (0 to 10 minutes).
    static int engineIntervalMs() { return std::clamp(intValue(EngineInterval), 0, 600000); }
    // "1": a random extra of up to the interval again.
    static bool engineJitter() { return intValue(EngineJitter) == 1; }
    // Seconds without a byte after which a page is given up (1 to 600, default 30).
    static int fetchTimeoutSeconds() { return std::clamp(intValue(FetchTimeout), 1, 600); }

    // Watched saved searches: each saved search of a program folder may have one URL (the Change column's),
    // which an update keeps up to date. Watches belong to the program folder they were made in (given as its
    // path) and are kept per saved search, so two saved searches may watch one URL. Writes return false when
    // the store could not be written.
    struct Watched
    {
        QString name;
        QString url;
    };
    // Sorted by name.
    static QList<Watched> watchedSearches(const QString &programFolder);
    // The saved search that watches url (the first by name when several do), or empty.
    static QString savedSearchFor(const QString &programFolder, const QString &url);
    // url becomes the one URL of the saved search name.
    static bool watch(const QString &programFolder, const QString &name, const QString &url);
    // Forgets the saved search's URL; found is false when there was none.
    static bool unwatch(const QString &programFolder, const QString &name, bool *found = nullptr);

    // How many updates in a row gave the engine (by key) no count for the saved search.
    static int updateFailures(const QString &programFolder, const QString &name, const QString &engineKey);
    static bool setUpdateFailures(const QString &programFolder, const QString &name, const QString &engineKey,
                                  int failures);

    // Why the last write of the store failed (its file, and the system's words where known), or empty.
    static QString lastWriteError();

    // The alert rules: a drop of at least this many percent (0: off), and failures in a row (at least 1).
    static int alertDropPercent() { return std::clamp(intValue(AlertDrop), 0, 100); }
    static int alertFailures() { return std::clamp(intValue(AlertFailures), 1, 1000); }

    // The proxies of one engine (by key), overriding Proxies; empty when it has none of its own.
    static QString proxiesFor(const QString &engineKey);
    static bool setProxiesFor(const QString &engineKey, const QString &proxies);

    // The file the store lives in (~/.config/Vantory/Vantory.conf).
    static QString storeFile();

    // Makes every later access go to a store of its own under folder (tests and the demo).
    static void useFolder(const QString &folder);
};
