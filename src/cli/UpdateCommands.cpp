#include "cli/UpdateCommands.h"

#include "cli/StandardOutput.h"

#include "core/net/DesktopNotification.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/ResultsExport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>
#include <QUrl>

#include <algorithm>

#include <signal.h>
#include <unistd.h>

namespace cli {

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

} // namespace

int watchCommand(const QString &name, const QString &url)
{
    QString why;
    if (!saved::isValidSearchName(name, &why)) {
        err() << "vantory-scan: " << why << Qt::endl;
        return 2;
    }
    if (url.isEmpty()) {
        bool found = false;
        if (!UserSettings::unwatch(programFolder::path(), name, &found)) {
            err() << "vantory-scan: " << UserSettings::lastWriteError() << Qt::endl;
            return 1;
        }
        if (!found) {
            err() << "vantory-scan: the saved search " << name << " is not watched" << Qt::endl;
            return 2;
        }
        err() << "No longer watched: " << name << Qt::endl;
        return 0;
    }
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || url.trimmed() != url || url.contains(u'\n') || url.contains(u'\r')) {
        err() << "vantory-scan: \"" << resultsExport::printable(url) << "\" is no URL" << Qt::endl;
        return 2;
    }
    if (!UserSettings::watch(programFolder::path(), name, url)) {
        err() << "vantory-scan: " << UserSettings::lastWriteError() << Qt::endl;
        return 1;
    }
    err() << "Watched: " << name << " = " << url << Qt::endl;
    return 0;
}

int listWatched()
{
    QString out;
    for (const UserSettings::Watched &w : UserSettings::watchedSearches(programFolder::path())) {
        const auto last = saved::lastSave(saved::searchFile(programFolder::savedFolder(), w.name));
        out += resultsExport::printable(w.name) + u'\t' + resultsExport::printable(w.url) + u'\t' +
               (last ? last->date.toString(Qt::ISODate) : QStringLiteral("-")) + u'\n';
    }
    standardOutput::print(out);
    return 0;
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
