#include "cli/ScanSession.h"

#include "core/program/ProgramFolder.h"

#include "cli/StandardOutput.h"

#include "core/ini/TextFile.h"
#include "core/ini/UserSettings.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/PageDownload.h"
#include "core/scan/ResultsExport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>

#include <unistd.h>

namespace cli {

namespace {

bool parseThreshold(const QString &text, std::optional<int> *value)
{
    int n = 0;
    if (!UserSettings::thresholdNumber(text, &n))
        return false;
    *value = n;
    return true;
}

// Progress on standard error: a bar with the URLs done and the time left on a terminal, else a line per URL.
class Progress
{
public:
    explicit Progress(int urls) : m_urls(urls), m_terminal(::isatty(STDERR_FILENO) == 1) { m_clock.start(); }

    void urlDone(int done, const QString &url, const QString &total)
    {
        if (!m_terminal) {
            err() << '[' << done << '/' << m_urls << "] " << resultsExport::printable(url) << ": "
                  << (total.isEmpty() ? QStringLiteral("no count from any engine")
                                      : total + QStringLiteral(" links"))
                  << Qt::endl;
            return;
        }
        constexpr int Width = 30;
        const int filled = m_urls > 0 ? int(qint64(Width) * done / m_urls) : Width;
        const qint64 leftMs = done > 0 ? m_clock.elapsed() * (m_urls - done) / done : 0;
        const qint64 leftS = (leftMs + 999) / 1000;
        err() << '\r' << '[' << QString(filled, u'#') << QString(Width - filled, u'.') << "] " << done << '/'
              << m_urls << " URLs, about "
              << (leftS >= 60 ? QString::number(leftS / 60) + QStringLiteral(" min ") : QString())
              << leftS % 60 << " s left   ";
        err().flush();
    }

    void finish()
    {
        if (m_terminal)
            err() << Qt::endl;
    }

private:
    int m_urls;
    bool m_terminal;
    QElapsedTimer m_clock;
};

// The file name of an engine's kept page: its header's letters and digits.
QString pageName(int row, const QString &header)
{
    QString name;
    for (const QChar c : header.toLower())
        name += c.isLetterOrNumber() ? QString(c) : QString();
    return QStringLiteral("%1-%2.html").arg(row + 1).arg(name);
}

} // namespace

QStringList scanOptions()
{
    return {QStringLiteral("csv"),      QStringLiteral("json"),    QStringLiteral("low"),
            QStringLiteral("medium"),   QStringLiteral("retries"), QStringLiteral("sequential"),
            QStringLiteral("interval"), QStringLiteral("jitter"),  QStringLiteral("timeout"),
            QStringLiteral("engine"),   QStringLiteral("proxy"),   QStringLiteral("keep-pages")};
}

bool readSaveDate(const Invocation &in, QDate *date, QString *error)
{
    *date = in.isSet("date") ? saved::savableDate(in.value("date")) : QDate::currentDate();
    if (date->isValid())
        return true;
    *error = QStringLiteral("--date needs a date as YYYY-MM-DD in the years 2000 to 2099, not \"%1\"")
                 .arg(in.value("date"));
    return false;
}

bool readScanRequest(const Invocation &in, const engines::EngineSet &loaded, ScanRequest *r, QString *error)
{
    if (in.isSet("low") && !parseThreshold(in.value("low"), &r->low))
        return *error = QStringLiteral("--low needs a whole number, not \"%1\"").arg(in.value("low")), false;
    if (in.isSet("medium") && !parseThreshold(in.value("medium"), &r->medium))
        return *error = QStringLiteral("--medium needs a whole number, not \"%1\"").arg(in.value("medium")),
               false;
    if (in.isSet("csv") && in.isSet("json"))
        return *error = QStringLiteral("--csv and --json cannot be used together"), false;
    r->output = in.isSet("json") ? Output::Json : in.isSet("csv") ? Output::Csv : Output::Text;
    if (!in.number("retries", 0, 3, "a number", &r->retries, error) ||
        !in.number("interval", 0, 600000, "milliseconds", &r->intervalMs, error) ||
        !in.number("timeout", 1, 600, "seconds", &r->timeoutSeconds, error))
        return false;
    if (in.isSet("sequential"))
        r->parallel = false;
    if (in.isSet("jitter"))
        r->jitter = true;
    if (in.isSet("proxy")) {
        QList<QNetworkProxy> proxies;
        if (!scan::parseProxies(in.values("proxy"), &proxies, error))
            return false;
        r->proxies = proxies;
    }
    r->engines = loaded;
    if (in.isSet("engine")) {
        QStringList unknown;
        r->engines = loaded.only(in.values("engine"), &unknown);
        if (!unknown.isEmpty())
            return *error = QStringLiteral("no engine in use has the key %1 (--engines lists them)")
                                .arg(unknown.join(QStringLiteral(", "))),
                   false;
    }
    r->keepPages = in.value("keep-pages");
    return true;
}

ScanSession::ScanSession(const ScanRequest &request, const QString &settingsIni)
    : m_request(request), m_results(request.engines), m_run(&m_results, &m_log)
{
    m_log.setKeepRows(false); // the command line shows no log
    m_run.setSettingsFile(settingsIni);
    m_run.setWebGraphFolder(programFolder::webGraphFolder());
    m_run.setThresholds(request.low, request.medium);
    m_run.setRetries(request.retries);
    m_run.setParallel(request.parallel);
    m_run.setPacing(request.intervalMs, request.jitter);
    m_run.setTimeoutSeconds(request.timeoutSeconds);
    m_run.setProxies(request.proxies);
    // Pages are kept only to be written (compressed until then): nothing else of the command line reads them.
    m_run.keptPages().setLimit(request.keepPages.isEmpty() ? 0 : scan::KeptPages::NoLimit);
}

bool ScanSession::run(const QStringList &urls)
{
    Progress progress(int(urls.size()));
    int done = 0;
    QObject context; // the connections of this run end with it
    QObject::connect(&m_run, &scan::ScanRun::rowFinished, &context, [&](int row) {
        progress.urlDone(++done, m_results.cell(row, 0), m_results.cell(row, 1));
    });
    QObject::connect(&m_run, &scan::ScanRun::completed, &context, [&] {
        progress.finish();
        err() << resultsExport::printable(m_run.completionMessage()) << Qt::endl;
    });
    QEventLoop loop;
    QObject::connect(&m_run, &scan::ScanRun::finished, &loop, &QEventLoop::quit);
    m_started = m_run.start(urls);
    if (m_started)
        loop.exec();
    return m_started;
}

void ScanSession::print(const std::optional<QList<QJsonObject>> &alerts)
{
    switch (m_request.output) {
    case Output::Text:
        resultsExport::writeText(m_results, standardOutput::print);
        break;
    case Output::Csv:
        resultsExport::writeCsv(m_results, false, standardOutput::print);
        break;
    case Output::Json:
        standardOutput::print(
            resultsExport::toJson(m_results, resultsExport::engineSummaries(m_run), alerts));
        break;
    }
    if (m_started) {
        for (const QString &line : m_run.summaryLines())
            err() << line << Qt::endl;
    }
}

int ScanSession::missing() const
{
    int missing = 0;
    for (int row = 0; row < m_results.rowCount(); ++row) {
        for (int engine = 1; engine <= m_results.engineCount(); ++engine)
            missing += m_results.report(row, engine).hasCount() ? 0 : 1;
    }
    return missing;
}

bool ScanSession::writePages(QString *error) const
{
    if (m_request.keepPages.isEmpty())
        return true;
    QDir dir(m_request.keepPages);
    if (!dir.mkpath(QStringLiteral(".")))
        return *error = QStringLiteral("cannot create %1").arg(m_request.keepPages), false;
    // Every page as DIR/<row>-<engine>.html (rows as the table shows them, from 1), and an index of them.
    QJsonArray index;
    const QHash<QString, const scan::KeptPage *> newest = m_run.keptPages().newest();
    for (int row = 0; row < m_results.rowCount(); ++row) {
        for (int engine = 1; engine <= m_results.engineCount(); ++engine) {
            const engines::Definition &definition = m_results.engines().at(engine);
            const scan::KeptPage *page =
                newest.value(scan::KeptPages::newestKey(m_results.cell(row, 0), definition.key));
            if (!page)
                continue;
            const QString file = pageName(row, definition.header);
            if (QString why; !textFile::writeBytes(dir.filePath(file), page->body(), &why))
                return *error = QStringLiteral("cannot write %1: %2").arg(dir.filePath(file), why), false;
            index.append(QJsonObject{{QStringLiteral("file"), file},
                                     {QStringLiteral("url"), page->target},
                                     {QStringLiteral("engine"), definition.header},
                                     {QStringLiteral("query"), page->query},
                                     {QStringLiteral("status"), page->http},
                                     {QStringLiteral("count"), page->count},
                                     {QStringLiteral("word"), page->statusWord}});
        }
    }
    const QString indexFile = dir.filePath(QStringLiteral("index.json"));
    if (QString why;
        !textFile::writeBytes(indexFile, QJsonDocument(index).toJson(QJsonDocument::Indented), &why))
        return *error = QStringLiteral("cannot write %1: %2").arg(indexFile, why), false;
    return true;
}

} // namespace cli
