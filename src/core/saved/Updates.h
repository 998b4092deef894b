#pragma once

#include "core/ini/UserSettings.h"

#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QProcessEnvironment>
#include <QString>

namespace scan {
class ResultsModel;
}

// Keeping every watched saved search up to date: one scan of their URLs, then each row appended to its saved
// search, and the alerts that the new saves raise.
namespace updates {

// What a drop or a failing engine looks like to the user.
struct Alert
{
    enum class Kind
    {
        Drop,    // the total or an engine's count fell by at least the percentage since the previous save
        Failures // an engine gave no count in the last N updates
    };
    Kind kind = Kind::Drop;
    QString name;   // the saved search
    QString url;    // its URL
    QString engine; // the engine's header, or "Total"
    QString oldValue, newValue;
    QString date; // the save's date, YYYY-MM-DD

    QString kindWord() const; // "drop" or "failures"
    // "ALERT drop: example (http://www.example.com), Google 1500 -> 700 (-53%) on 2026-12-09"
    QString line() const;
    QJsonObject json() const;
    // VANTORY_ALERT_KIND, _NAME, _URL, _ENGINE, _OLD, _NEW, _DATE, _TEXT.
    QProcessEnvironment environment(const QProcessEnvironment &base) const;
};

struct Rules
{
    int dropPercent = 0; // 0: no drop alerts
    int failures = 3;    // updates in a row without a count
    static Rules stored() { return {UserSettings::alertDropPercent(), UserSettings::alertFailures()}; }
};

// The drops of a saved search's file after a save on date: its total and counts on that date against the
// save before it. A count that is missing on either date is no drop (failures say that).
QList<Alert> dropsFor(const QString &name, const QString &url, const QString &file, const QDate &date,
                      const Rules &rules);

struct SaveOutcome
{
    QString name;
    QString file;
    bool ok = false;
    int gaps = 0; // engines without a count, left as gaps
    QString error;
};

struct UpdateResult
{
    QList<SaveOutcome> saves;
    QList<Alert> alerts;
    QString storeError; // the settings store could not keep the runs of failures (why), else empty
    bool allSaved() const;
};

// After a scan of the watched searches' URLs (rows of results in any order): appends each URL's row to its
// saved search (made when missing), each save all or nothing, gaps for cells without a count, and collects
// the alerts: drops, and engines without a count in rules.failures updates in a row (counted per saved
// search and engine in the settings store). Rows of URLs that are not watched are left alone.
// How many updates in a row gave an engine no count for a saved search, kept between updates.
class FailureCounts
{
public:
    virtual ~FailureCounts() = default;
    virtual int count(const QString &name, const QString &engineKey) const = 0;
    // False when it could not be kept (error() says why).
    virtual bool setCount(const QString &name, const QString &engineKey, int failures) = 0;
    virtual QString error() const = 0;
};

// The counts of a program folder's saved searches in the settings store.
class StoredFailureCounts : public FailureCounts
{
public:
    explicit StoredFailureCounts(QString programFolder) : m_folder(std::move(programFolder)) {}
    int count(const QString &name, const QString &engineKey) const override;
    bool setCount(const QString &name, const QString &engineKey, int failures) override;
    QString error() const override;

private:
    QString m_folder;
};

// A failure alert is raised when an engine's run of updates without a count reaches rules.failures, and
// again only after the engine has given a count and failed that many times again.
UpdateResult saveAll(const scan::ResultsModel &results, const QList<UserSettings::Watched> &watched,
                     const QString &savedFolder, const QDate &date, const Rules &rules,
                     FailureCounts &failures);

// The URLs to scan for the watched searches, each once, in the order of the list.
QStringList urlsOf(const QList<UserSettings::Watched> &watched);

} // namespace updates
