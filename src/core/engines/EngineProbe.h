#pragma once

#include "core/engines/EngineDefinition.h"
#include "core/scan/CellReport.h"
#include "core/scan/PageDownload.h"

#include <QObject>
#include <QPointer>

namespace scan {
class PageFetcher;
}

// Trying one engine definition on one page: fetched through that engine for a target URL, or a page the user
// already has (a kept page, a file). What the Options dialog's Test and --test-engine show.
namespace engines {

struct ProbeResult
{
    QString query;           // the address asked (empty for a page from elsewhere)
    QString page;            // the page's bytes, one character per byte
    QString text;            // the page as the definition searches it (pageText)
    Extraction extraction;   // what the definition cut out
    QString cell;            // the count as the results cell would show it
    scan::CellReport report; // the status the scan would give the cell
};

// The request the engine sends for target, as text for a person: method and address, its headers and a
// POST's body, placeholders filled; variables stay "${env:NAME}" and credentials are not shown.
QString requestText(const Definition &definition, const QString &prefix, const QString &target);

// Judges a page that is already there. outcome says how it was fetched (a page from a file: HTTP 200, all
// read).
ProbeResult judgePage(const Definition &definition, const QString &page, const scan::FetchOutcome &outcome,
                      bool prefixEmpty = false);
// The outcome of a page read from a file or a kept page.
scan::FetchOutcome fileOutcome(qint64 bytes);

// Asks the engine for one target URL: query address = prefix + target + suffix, with its request headers.
class EngineProbe : public QObject
{
    Q_OBJECT

public:
    explicit EngineProbe(QObject *parent = nullptr);
    ~EngineProbe() override;

    void setOptions(const scan::FetchOptions &options) { m_options = options; }
    // Starts the request; finished() follows from the event loop. A running probe is abandoned.
    void start(const Definition &definition, const QString &prefix, const QString &target);
    void abort();
    bool isRunning() const { return !m_download.isNull(); }

signals:
    void finished(const engines::ProbeResult &result);

private:
    scan::FetchOptions m_options;
    scan::PageFetcher *m_fetcher = nullptr;
    QPointer<scan::PageDownload> m_download;
    Definition m_definition;
    bool m_prefixEmpty = false;
};

} // namespace engines
