#include "cli/UpdateCommands.h"

#include "cli/ScanSession.h"
#include "cli/StandardOutput.h"

#include "core/net/DesktopNotification.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/ResultsExport.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>
#include <QUrl>

#include <algorithm>

#include <signal.h>
#include <unistd.h>

namespace cli {

namespace {

// --watch NAME URL makes url the saved search's URL; --watch NAME (no URL) forgets it.
int runWatch(const Invocation &in, const engines::LoadResult &)
{
    const QString name = in.value("watch");
    if (in.positional().size() > 1)
        return fail(2, QStringLiteral("--watch NAME takes one URL, or none to forget it"));
    const QString url = in.positional().value(0);
    if (QString why; !saved::isValidSearchName(name, &why))
        return fail(2, why);
    if (url.isEmpty()) {
        bool found = false;
        if (!UserSettings::unwatch(programFolder::path(), name, &found))
            return fail(1, UserSettings::lastWriteError());
        if (!found)
            return fail(2, QStringLiteral("the saved search %1 is not watched").arg(name));
        err() << "No longer watched: " << name << Qt::endl;
        return 0;
    }
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || url.trimmed() != url || url.contains(u'\n') || url.contains(u'\r'))
        return fail(2, QStringLiteral("\"%1\" is no URL").arg(resultsExport::printable(url)));
    if (!UserSettings::watch(programFolder::path(), name, url))
        return fail(1, UserSettings::lastWriteError());
    err() << "Watched: " << name << " = " << url << Qt::endl;
    return 0;
}

// --watched: one line per watched saved search: name, URL, the newest save's date ("-" for none).
int runWatched(const Invocation &in, const engines::LoadResult &)
{
    if (!in.positional().isEmpty())
        return fail(2, QStringLiteral("--watched takes no argument"));
    QString out;
    for (const UserSettings::Watched &w : UserSettings::watchedSearches(programFolder::path())) {
        const auto last = saved::lastSave(saved::searchFile(programFolder::savedFolder(), w.name));
        out += resultsExport::printable(w.name) + u'\t' + resultsExport::printable(w.url) + u'\t' +
               (last ? last->date.toString(Qt::ISODate) : QStringLiteral("-")) + u'\n';
    }
    standardOutput::print(out);
    return 0;
}

// What an update appends, and the alert rules and command.
struct UpdateRequest
{
    QList<UserSettings::Watched> watched;
    QDate date;
    updates::Rules rules;
    QString onAlert;
};

bool readUpdateRequest(const Invocation &in, UpdateRequest *update, QString *error)
{
    if (!in.positional().isEmpty())
        return *error = QStringLiteral("--update-all takes no URL list; see --help"), false;
    std::optional<int> drop, failures;
    if (!in.number("alert-drop", 0, 100, "a percentage", &drop, error) ||
        !in.number("alert-failures", 1, 1000, "a number", &failures, error))
        return false;
    if (!readSaveDate(in, &update->date, error))
        return false;
    update->rules = updates::Rules::stored();
    update->rules.dropPercent = drop.value_or(update->rules.dropPercent);
    update->rules.failures = failures.value_or(update->rules.failures);
    update->onAlert = in.value("on-alert");
    update->watched = UserSettings::watchedSearches(programFolder::path());
    return true;
}

// Says what each save did; false when one failed.
bool reportSaves(const updates::UpdateResult &updated, const QDate &date)
{
    bool ok = true;
    for (const updates::SaveOutcome &saved : updated.saves) {
        if (!saved.ok) {
            fail(1, resultsExport::printable(saved.error));
            ok = false;
            continue;
        }
        err() << "Saved into " << QDir::toNativeSeparators(saved.file) << " as " << saved::dateKey(date);
        if (saved.gaps > 0)
            err() << " (" << saved.gaps << " engine(s) without a count left as gaps)";
        err() << Qt::endl;
    }
    if (!updated.storeError.isEmpty()) {
        fail(1, updated.storeError);
        ok = false;
    }
    return ok;
}

// --update-all: one scan of the watched saved searches' URLs, each row appended to its saved search, alerts.
int runUpdate(const Invocation &in, const engines::LoadResult &loaded)
{
    ScanRequest request;
    UpdateRequest update;
    QString error;
    if (!readScanRequest(in, loaded.set, &request, &error) || !readUpdateRequest(in, &update, &error))
        return fail(2, error);
    if (update.watched.isEmpty()) {
        err() << "vantory-scan: no saved search is watched (--watch NAME URL adds one)" << Qt::endl;
        return 0;
    }
    ScanSession session(request, programFolder::settingsIni());
    session.run(updates::urlsOf(update.watched));
    updates::StoredFailureCounts counts(programFolder::path());
    const updates::UpdateResult updated = updates::saveAll(
        session.results(), update.watched, programFolder::savedFolder(), update.date, update.rules, counts);
    QList<QJsonObject> alerts;
    for (const updates::Alert &alert : updated.alerts)
        alerts.append(alert.json());
    session.print(alerts);
    bool ok = reportSaves(updated, update.date);
    ok = deliverAlerts(updated.alerts, update.onAlert) && ok;
    if (!session.writePages(&error)) {
        fail(1, error);
        ok = false;
    }
    return !ok ? 1 : !updated.alerts.isEmpty() ? AlertRaised : session.missing() > 0 ? IncompleteScan : 0;
}

} // namespace

Command updateCommand()
{
    return {"update-all",
            scanOptions() + QStringList{QStringLiteral("date"), QStringLiteral("alert-drop"),
                                        QStringLiteral("alert-failures"), QStringLiteral("on-alert")},
            QStringLiteral(
                "--update-all [--date YYYY-MM-DD] [--alert-drop PCT] [--alert-failures N] [--on-alert CMD] "
                "[--proxy URL ...] [--csv | --json] [the scan's other options]"),
            runUpdate};
}

Command watchCommand()
{
    return {"watch", {}, QStringLiteral("--watch NAME [URL]"), runWatch};
}

Command watchedCommand()
{
    return {"watched", {}, QStringLiteral("--watched"), runWatched};
}

int alertRunSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("VANTORY_ALERT_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : AlertRunSeconds;
}

namespace {

// Stops the command and everything it started: its process group, politely first.
void stopGroup(QProcess &command)
{
    const qint64 pid = command.processId();
    if (pid <= 0)
        return;
    ::kill(-pid_t(pid), SIGTERM);
    if (!command.waitForFinished(2000)) {
        ::kill(-pid_t(pid), SIGKILL);
        command.waitForFinished(5000);
    }
    ::kill(-pid_t(pid), SIGKILL); // what the shell left behind in the background
}

} // namespace

bool deliverAlerts(const QList<updates::Alert> &alerts, const QString &onAlert)
{
    bool ok = true;
    QElapsedTimer clock;
    clock.start();
    const qint64 budgetMs = qint64(alertRunSeconds()) * 1000;
    int skipped = 0;
    for (const updates::Alert &alert : alerts) {
        err() << alert.line() << Qt::endl;
        desktopNotification::notify(QStringLiteral("Vantory: %1 of %2").arg(alert.kindWord(), alert.name),
                                    alert.line().mid(6));
        if (onAlert.isEmpty())
            continue;
        const qint64 left = budgetMs - clock.elapsed();
        if (left <= 0) {
            ++skipped;
            continue;
        }
        const int limitMs = int(std::min<qint64>(left, AlertCommandSeconds * 1000));
        QProcess command;
        command.setProcessEnvironment(alert.environment(QProcessEnvironment::systemEnvironment()));
        command.setProcessChannelMode(QProcess::ForwardedChannels);
        command.setInputChannelMode(QProcess::ForwardedInputChannel);
        command.setChildProcessModifier([] { ::setpgid(0, 0); }); // a group of its own, to be stopped whole
        command.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), onAlert});
        if (!command.waitForStarted(10000)) {
            err() << "vantory-scan: the alert command could not be started: " << command.errorString() << ": "
                  << resultsExport::printable(onAlert) << Qt::endl;
            ok = false;
            continue;
        }
        if (!command.waitForFinished(limitMs)) {
            stopGroup(command);
            err() << "vantory-scan: the alert command timed out after " << (limitMs + 999) / 1000
                  << " s and was stopped: " << resultsExport::printable(onAlert) << Qt::endl;
            ok = false;
            continue;
        }
        if (command.exitStatus() != QProcess::NormalExit || command.exitCode() != 0) {
            err() << "vantory-scan: the alert command failed"
                  << (command.exitStatus() == QProcess::NormalExit
                          ? QStringLiteral(" (exit status %1)").arg(command.exitCode())
                          : QStringLiteral(" (killed by a signal)"))
                  << ": " << resultsExport::printable(onAlert) << Qt::endl;
            ok = false;
        }
    }
    if (skipped > 0) {
        err() << "vantory-scan: " << skipped << " alert command(s) not run: the alert commands of this run "
              << "used their " << budgetMs / 1000 << " s" << Qt::endl;
        ok = false;
    }
    return ok;
}

} // namespace cli
