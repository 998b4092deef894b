#include "cli/UpdateCommands.h"

#include "cli/StandardOutput.h"

#include "core/net/DesktopNotification.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/ResultsExport.h"

#include <QProcess>
#include <QTextStream>
#include <QUrl>

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
        if (!UserSettings::unwatch(name)) {
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
    UserSettings::watch(name, url);
    err() << "Watched: " << name << " = " << url << Qt::endl;
    return 0;
}

int listWatched()
{
    QString out;
    for (const UserSettings::Watched &w : UserSettings::watchedSearches()) {
        const auto last = saved::lastSave(saved::searchFile(programFolder::savedFolder(), w.name));
        out += resultsExport::printable(w.name) + u'\t' + resultsExport::printable(w.url) + u'\t' +
               (last ? last->date.toString(Qt::ISODate) : QStringLiteral("-")) + u'\n';
    }
    standardOutput::print(out);
    return 0;
}

bool deliverAlerts(const QList<updates::Alert> &alerts, const QString &onAlert)
{
    bool ok = true;
    for (const updates::Alert &alert : alerts) {
        err() << alert.line() << Qt::endl;
        desktopNotification::notify(QStringLiteral("Vantory: %1 of %2").arg(alert.kindWord(), alert.name),
                                    alert.line().mid(6));
        if (onAlert.isEmpty())
            continue;
        QProcess command;
        command.setProcessEnvironment(alert.environment(QProcessEnvironment::systemEnvironment()));
        command.setProcessChannelMode(QProcess::ForwardedChannels);
        command.setInputChannelMode(QProcess::ForwardedInputChannel);
        command.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), onAlert});
        const bool finished = command.waitForStarted(10000) && command.waitForFinished(120000);
        if (!finished || command.exitStatus() != QProcess::NormalExit || command.exitCode() != 0) {
            if (command.state() != QProcess::NotRunning) {
                command.kill();
                command.waitForFinished(5000);
            }
            err() << "vantory-scan: the alert command failed"
                  << (finished ? QStringLiteral(" (exit status %1)").arg(command.exitCode()) : QString())
                  << ": " << resultsExport::printable(onAlert) << Qt::endl;
            ok = false;
        }
    }
    return ok;
}

} // namespace cli
