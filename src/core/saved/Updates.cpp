#include "core/saved/Updates.h"

#include "core/saved/SavedSearch.h"
#include "core/scan/ResultsExport.h"
#include "core/scan/ResultsModel.h"

#include <QFileInfo>
#include <QHash>

#include <cmath>

namespace updates {

namespace {

std::optional<qint64> countOf(const QString &value)
{
    bool ok = false;
    const qint64 n = resultsExport::plainCount(value).toLongLong(&ok);
    return ok && !value.isEmpty() ? std::optional<qint64>(n) : std::nullopt;
}

// True when now is at least percent below before.
bool dropped(qint64 before, qint64 now, int percent)
{
    return percent > 0 && before > 0 && double(before - now) * 100.0 >= double(before) * double(percent);
}

} // namespace

QString Alert::kindWord() const
{
    return kind == Kind::Drop ? QStringLiteral("drop") : QStringLiteral("failures");
}

QString Alert::line() const
{
    QString text = QStringLiteral("ALERT %1: %2 (%3), ").arg(kindWord(), name, url);
    if (kind == Kind::Drop) {
        const qint64 before = oldValue.toLongLong();
        const qint64 now = newValue.toLongLong();
        const long percent = before > 0 ? std::lround(100.0 * double(now - before) / double(before)) : 0;
        text += QStringLiteral("%1 %2 -> %3 (%4%)").arg(engine, oldValue, newValue).arg(percent);
    } else {
        text += QStringLiteral("%1 gave no count in %2 updates in a row").arg(engine, oldValue);
    }
    return resultsExport::printable(text + QStringLiteral(" on ") + date);
}

QJsonObject Alert::json() const
{
    return QJsonObject{{QStringLiteral("kind"), kindWord()}, {QStringLiteral("name"), name},
                       {QStringLiteral("url"), url},         {QStringLiteral("engine"), engine},
                       {QStringLiteral("old"), oldValue},    {QStringLiteral("new"), newValue},
                       {QStringLiteral("date"), date},       {QStringLiteral("text"), line()}};
}

QProcessEnvironment Alert::environment(const QProcessEnvironment &base) const
{
    QProcessEnvironment env = base;
    env.insert(QStringLiteral("VANTORY_ALERT_KIND"), kindWord());
    env.insert(QStringLiteral("VANTORY_ALERT_NAME"), name);
    env.insert(QStringLiteral("VANTORY_ALERT_URL"), url);
    env.insert(QStringLiteral("VANTORY_ALERT_ENGINE"), engine);
    env.insert(QStringLiteral("VANTORY_ALERT_OLD"), oldValue);
    env.insert(QStringLiteral("VANTORY_ALERT_NEW"), newValue);
    env.insert(QStringLiteral("VANTORY_ALERT_DATE"), date);
    env.insert(QStringLiteral("VANTORY_ALERT_TEXT"), line());
    return env;
}

QList<Alert> dropsFor(const QString &name, const QString &url, const QString &file, const QDate &date,
                      const Rules &rules)
{
    QList<Alert> alerts;
    saved::History history;
    if (!saved::readHistory(file, history))
        return alerts;
    const int at = int(history.dates.indexOf(saved::dateKey(date)));
    if (at < 0)
        return alerts;
    Alert base;
    base.name = name;
    base.url = url;
    base.date = date.toString(Qt::ISODate);
    // The save before this one: the next older date (dates stand newest first).
    if (at + 1 < history.dates.size() && rules.dropPercent > 0) {
        const QStringList &now = history.values.at(at);
        const QStringList &before = history.values.at(at + 1);
        qint64 totalNow = 0, totalBefore = 0;
        for (qsizetype s = 0; s < history.sections.size(); ++s) {
            const auto n = countOf(now.value(s));
            const auto b = countOf(before.value(s));
            totalNow += n.value_or(0);
            totalBefore += b.value_or(0);
            // A count that came back after a gap, or went missing, is no drop: failures say the latter.
            if (n && b && dropped(*b, *n, rules.dropPercent)) {
                Alert alert = base;
                alert.engine = history.sections.at(s);
                alert.oldValue = QString::number(*b);
                alert.newValue = QString::number(*n);
                alerts.append(alert);
            }
        }
        if (dropped(totalBefore, totalNow, rules.dropPercent)) {
            Alert alert = base;
            alert.engine = QStringLiteral("Total");
            alert.oldValue = QString::number(totalBefore);
            alert.newValue = QString::number(totalNow);
            alerts.prepend(alert);
        }
    }
    return alerts;
}

bool UpdateResult::allSaved() const
{
    return std::all_of(saves.cbegin(), saves.cend(), [](const SaveOutcome &s) { return s.ok; });
}

QStringList urlsOf(const QList<UserSettings::Watched> &watched)
{
    QStringList urls;
    for (const UserSettings::Watched &w : watched) {
        if (!urls.contains(w.url))
            urls.append(w.url);
    }
    return urls;
}

int StoredFailureCounts::count(const QString &name, const QString &engineKey) const
{
    return UserSettings::updateFailures(m_folder, name, engineKey);
}

bool StoredFailureCounts::setCount(const QString &name, const QString &engineKey, int failures)
{
    return UserSettings::setUpdateFailures(m_folder, name, engineKey, failures);
}

QString StoredFailureCounts::error() const
{
    return UserSettings::lastWriteError();
}

UpdateResult saveAll(const scan::ResultsModel &results, const QList<UserSettings::Watched> &watched,
                     const QString &savedFolder, const QDate &date, const Rules &rules, FailureCounts &counts)
{
    UpdateResult result;
    QHash<QString, int> rowOf;
    for (int row = results.rowCount() - 1; row >= 0; --row)
        rowOf.insert(results.cell(row, 0), row);
    for (const UserSettings::Watched &w : watched) {
        const auto it = rowOf.constFind(w.url);
        if (it == rowOf.constEnd())
            continue;
        SaveOutcome outcome;
        outcome.name = w.name;
        outcome.file = saved::searchFile(savedFolder, w.name);
        const saved::SaveRow text = saved::countedSaveRowOf(results, *it, &outcome.gaps);
        if (outcome.gaps == results.engineCount()) {
            // Nothing to write; the date still counts against the engines that keep failing.
            outcome.ok = true;
        } else {
            const saved::SaveResult saved = saved::saveResults(
                text, outcome.file,
                QFileInfo::exists(outcome.file) ? saved::SaveMode::Append : saved::SaveMode::CreateNew, date);
            outcome.ok = saved.ok;
            outcome.error = saved.error;
        }
        if (outcome.ok && outcome.gaps < results.engineCount())
            result.alerts += dropsFor(w.name, w.url, outcome.file, date, rules);
        // Failures in a row, per engine; a count ends the run.
        for (int e = 1; e <= results.engineCount(); ++e) {
            const engines::Definition &engine = results.engines().at(e);
            const int failures = results.report(*it, e).hasCount() ? 0 : counts.count(w.name, engine.key) + 1;
            if (!counts.setCount(w.name, engine.key, failures) && result.storeError.isEmpty())
                result.storeError = counts.error();
            // Once when the run reaches the limit, not on every later day of it.
            if (failures == std::max(1, rules.failures)) {
                Alert alert;
                alert.kind = Alert::Kind::Failures;
                alert.name = w.name;
                alert.url = w.url;
                alert.engine = engine.header;
                alert.oldValue = QString::number(failures);
                alert.date = date.toString(Qt::ISODate);
                result.alerts.append(alert);
            }
        }
        result.saves.append(outcome);
    }
    return result;
}

} // namespace updates
