#include "core/engines/EngineProbe.h"

#include "core/scan/EngineTable.h"
#include "core/scan/PageFetcher.h"

#include <QTimer>

namespace engines {

ProbeResult judgePage(const Definition &definition, const QString &page, const scan::FetchOutcome &outcome,
                      bool prefixEmpty)
{
    ProbeResult result;
    result.query = outcome.requestedUrl;
    result.page = page;
    result.text = pageText(definition, page);
    result.extraction = extract(definition, page);
    result.cell = cellText(definition, result.extraction.count);
    result.report = scan::classifyCell(outcome, page, judgedText(definition, result.extraction.count),
                                       prefixEmpty, result.extraction.located);
    return result;
}

scan::FetchOutcome fileOutcome(qint64 bytes)
{
    scan::FetchOutcome outcome;
    outcome.failure = scan::FetchOutcome::Failure::None;
    outcome.httpStatus = 200;
    outcome.bytes = bytes;
    return outcome;
}

EngineProbe::EngineProbe(QObject *parent)
    : QObject(parent), m_options(scan::defaultFetchOptions()), m_fetcher(new scan::PageFetcher(this))
{
}

EngineProbe::~EngineProbe()
{
    delete m_download;
}

void EngineProbe::abort()
{
    delete m_download; // no finished() from an abandoned request
}

QString requestText(const Definition &definition, const QString &prefix, const QString &target)
{
    QStringList lines{definition.method + u' ' + scan::queryUrl(prefix, definition, target)};
    for (const auto &[name, value] : definition.requestHeaders)
        lines.append(name + QStringLiteral(": ") + value);
    if (definition.hasCredentials())
        lines.append(QStringLiteral("Authorization: Basic (user %1, password %2)")
                         .arg(definition.username, definition.password));
    if (definition.isPost()) {
        lines.append(QStringLiteral("Content-Type: ") + definition.bodyType);
        lines.append(QString());
        lines.append(requestBody(definition, QStringList{target}).text);
    }
    return lines.join(u'\n');
}

void EngineProbe::start(const Definition &definition, const QString &prefix, const QString &target)
{
    abort();
    // A batch engine is tried with one target: a list of one, its figure at index 0.
    m_definition = definition.batch > 1 ? forBatchIndex(definition, 0) : definition;
    m_prefixEmpty = prefix.isEmpty();
    const QString query = scan::queryUrl(prefix, definition, target);
    const scan::FetchOptions options = scan::engineRequestOptions(definition, m_options);
    const QString problem = requestProblem(definition);
    if (!problem.isEmpty()) {
        ProbeResult result;
        result.query = query;
        result.report = scan::notAsked(QStringLiteral("Not asked: ") + problem);
        QTimer::singleShot(0, this, [this, result] { emit finished(result); });
        return;
    }
    m_fetcher->setOptions(options);
    m_download = m_fetcher->fetch(
        query, definition.isPost() ? requestBody(definition, QStringList{target}).text : QString());
    connect(m_download, &scan::PageDownload::finished, this, [this] {
        scan::PageDownload *download = m_download;
        if (!download)
            return;
        m_download = nullptr;
        download->deleteLater();
        scan::FetchOutcome outcome = download->outcome();
        outcome.requestedUrl = download->url();
        const ProbeResult result = judgePage(m_definition, download->page(), outcome, m_prefixEmpty);
        emit finished(result);
    });
}

} // namespace engines
