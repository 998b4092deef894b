#pragma once

#include "cli/CommandLine.h"

#include "core/engines/EngineSet.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"

#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QNetworkProxy>
#include <QStringList>

#include <optional>

// A scan on the command line, as a scan of a URL list and an update both run it: the options that shape it,
// the run with its progress on standard error, the table on standard output, the kept pages.
namespace cli {

enum class Output
{
    Text,
    Csv,
    Json
};

// The options every scan takes.
QStringList scanOptions();

struct ScanRequest
{
    std::optional<int> low;
    std::optional<int> medium;
    std::optional<int> retries;
    std::optional<bool> parallel;
    std::optional<int> intervalMs;
    std::optional<bool> jitter;
    std::optional<int> timeoutSeconds;
    Output output = Output::Text;
    QString keepPages; // a folder for the result pages behind the counts
    engines::EngineSet engines;
    std::optional<QList<QNetworkProxy>> proxies; // --proxy, in turn
};

// The date of a save: --date, or today; false with a sentence in error for one a saved search cannot hold.
bool readSaveDate(const Invocation &invocation, QDate *date, QString *error);

// The request the options give, or false with a sentence in error.
bool readScanRequest(const Invocation &invocation, const engines::EngineSet &loaded, ScanRequest *request,
                     QString *error);

class ScanSession
{
public:
    ScanSession(const ScanRequest &request, const QString &settingsIni);

    // Runs the scan of urls to its end, with progress on standard error; false when it did not start.
    bool run(const QStringList &urls);
    // The table as the request asks (alerts go into the JSON document), then the summary per engine.
    void print(const std::optional<QList<QJsonObject>> &alerts = std::nullopt);
    // Cells without a count.
    int missing() const;
    // Writes the kept pages when the request asks for them; false with a sentence in error.
    bool writePages(QString *error) const;

    scan::ResultsModel &results() { return m_results; }
    const scan::ResultsModel &results() const { return m_results; }

private:
    ScanRequest m_request;
    scan::ResultsModel m_results;
    scan::WebLogModel m_log;
    scan::ScanRun m_run;
    bool m_started = false;
};

} // namespace cli
