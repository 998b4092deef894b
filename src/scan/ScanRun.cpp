#include "scan/ScanRun.h"

#include "ini/UserSettings.h"
#include "scan/EngineTable.h"
#include "scan/PageFetcher.h"
#include "scan/ParseEngineData.h"
#include "scan/ResultsModel.h"
#include "scan/SortKeys.h"
#include "scan/WebLogModel.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace scan {

qint64 cellValue(const QString &cell)
{
    double number = 0;
    if (cell.isEmpty() || !cellNumber(cell, &number))
        return 0;
    // Cells hold at most ten characters; the bound only keeps absurd exponents from overflowing a sum.
    constexpr double Bound = 1e15;
    const double rounded = std::nearbyint(std::clamp(number, -Bound, Bound)); // halves to even
    return qint64(rounded);
}

ScanRun::ScanRun(ResultsModel *results, WebLogModel *log, QObject *parent)
    : QObject(parent), m_results(results), m_log(log), m_fetcher(new PageFetcher(this))
{
}

ScanRun::~ScanRun()
{
    delete m_download; // aborts a transfer in flight; no signal reaches this object any more
}

void ScanRun::setThresholds(std::optional<int> low, std::optional<int> medium)
{
    m_lowOverride = low;
    m_mediumOverride = medium;
}

bool ScanRun::start(const QStringList &urls)
{
    if (m_running || !m_results || !m_log)
        return false;
    m_results->setSortedMode(false);
    m_low = m_lowOverride.value_or(UserSettings::lowThreshold());
    m_medium = m_mediumOverride.value_or(UserSettings::mediumThreshold());
    if (urls.isEmpty())
        return false;
    if (UserSettings::clearBeforeScan()) {
        m_results->clear();
        m_log->clear();
    }
    m_urls = urls;
    m_prefixes.setFile(m_settingsFile);
    m_running = true;
    m_stopRequested = false;
    m_position = 0;
    m_progress = 0;
    m_grandTotal = 0;
    emit started(int(qMin<qsizetype>(6 * m_urls.size(), std::numeric_limits<int>::max())));
    // The event loop runs once before each URL.
    QTimer::singleShot(0, this, &ScanRun::nextUrl);
    return true;
}

void ScanRun::nextUrl()
{
    if (!m_running)
        return;
    if (m_stopRequested || !m_results || !m_log) {
        m_running = false;
        m_stopRequested = false;
        emit stopped();
        emit finished();
        return;
    }
    const QString &url = m_urls.at(m_position);
    m_prefixes.refresh(); // settings.ini is read again only when it has changed
    m_log->appendRow(QStringLiteral("Home Page"), url);
    m_results->insertResultRow(m_position, url);
    m_engine = 0;
    nextEngine();
}

void ScanRun::nextEngine()
{
    ++m_engine;
    const QString query = queryUrl(m_prefixes.prefix(m_engine), m_engine, m_urls.at(m_position));
    m_download = m_fetcher->fetch(query);
    connect(m_download, &PageDownload::finished, this, &ScanRun::pageArrived);
}

void ScanRun::pageArrived()
{
    PageDownload *download = m_download;
    if (!download || !m_results || !m_log)
        return;
    const QString page = download->page();
    m_download = nullptr;
    download->deleteLater();

    const QString &url = m_urls.at(m_position);
    QString count = ParseEngineData(page, m_engine);
    m_log->appendRow(engineLogText(m_engine), url);
    emit statusChanged(QStringLiteral("Scanning ") + url + engineStatusSuffix(m_engine));
    emit progressChanged(++m_progress);
    if (m_engine != MSN)
        count.remove(u',');
    m_results->setCell(m_position, m_engine + 1, count);

    if (m_engine < EngineCount)
        nextEngine();
    else
        finishRow();
}

void ScanRun::finishRow()
{
    qint64 total = 0;
    for (int column = 2; column < ResultsModel::ColumnCount; ++column)
        total += cellValue(m_results->cell(m_position, column));
    m_grandTotal += total;
    m_results->setCell(m_position, 1, QString::number(total));
    m_results->setProfile(m_position, profileOf(total, m_low, m_medium));
    emit rowFinished(m_position);
    ++m_position;
    if (m_position < m_urls.size())
        QTimer::singleShot(0, this, &ScanRun::nextUrl);
    else
        complete();
}

void ScanRun::complete()
{
    emit statusChanged(QStringLiteral("Search Complete.  Found ") + QString::number(m_grandTotal) +
                       QStringLiteral(" links."));
    m_running = false;
    m_stopRequested = false;
    emit completed(m_grandTotal);
    QPointer<ScanRun> self(this); // a handler may close the window that owns this run
    if (m_results && UserSettings::autoSort())
        m_results->SortListView(2, ResultsModel::NumberMode, true);
    emit chartRequested();
    if (!self)
        return;
    if (m_results && UserSettings::autoSort())
        m_results->SortListView(2, ResultsModel::NumberMode, false);
    emit finished();
}

} // namespace scan
