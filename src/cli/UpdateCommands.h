#pragma once

#include "cli/CommandLine.h"

#include "core/saved/Updates.h"

#include <QString>

// The command line's daily job: --update-all, which saved searches are watched (--watch, --watched), and what
// an update's alerts do (standard error, a desktop notification, --on-alert). The commands themselves are
// declared in CommandLine.h.
namespace cli {

// The time all alert commands of one run may take together, in seconds (VANTORY_ALERT_SECONDS changes it);
// one command may take at most AlertCommandSeconds of it.
inline constexpr int AlertRunSeconds = 300;
inline constexpr int AlertCommandSeconds = 60;
int alertRunSeconds();

// Every alert: a line "ALERT ..." on standard error, a desktop notification when a session bus is there, and
// the command onAlert (run by /bin/sh, in a process group of its own) once per alert with the alert in
// VANTORY_ALERT_* variables. A command that runs out of time is stopped with its whole process group; once
// the run's time is used up, the remaining commands are not run. Returns false when an alert command could
// not be run, failed, timed out or was not run.
bool deliverAlerts(const QList<updates::Alert> &alerts, const QString &onAlert);

} // namespace cli
