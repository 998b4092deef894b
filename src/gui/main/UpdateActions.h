#pragma once

#include "core/ini/UserSettings.h"

#include <QObject>
#include <QStringList>

class QWidget;
namespace scan {
class ResultsModel;
class ScanRun;
} // namespace scan

// Scan > "Update Saved Searches": a scan of every watched saved search's URL; when it completes, each row
// appended to its saved search and the alerts shown in the Scan Report and as the Change column's colour.
class UpdateController : public QObject
{
    Q_OBJECT

public:
    UpdateController(scan::ResultsModel *results, scan::ScanRun *run, QObject *parent = nullptr);

    // Takes the watched searches for the next run; false (the user told why) when none is watched.
    bool prepare(QWidget *parent);
    QStringList urls() const;

signals:
    // What the update did, for the Scan Report: the saves, then one line per alert.
    void reported(const QString &lines);

private:
    void finished();

    scan::ResultsModel *m_results;
    scan::ScanRun *m_run;
    QList<UserSettings::Watched> m_watched;
    bool m_pending = false;
    bool m_stopped = false;
};
