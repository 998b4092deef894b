#include "core/scan/CellReport.h"

#include "core/engines/EngineDefinition.h"

#include <QStringList>
#include <QUrl>

#include <array>
#include <utility>

namespace scan {

namespace {

// Phrases of the engines' block and captcha pages.
constexpr std::array<const char *, 8> BlockPhrases{
    "captcha",         "unusual traffic", "automated queries", "automated requests",
    "are you a robot", "not a robot",     "sorry/index",       "access denied",
};

QString size(qint64 bytes)
{
    return bytes < 10 * 1024 ? QStringLiteral("%1 bytes").arg(bytes)
                             : QStringLiteral("%1 KiB").arg((bytes + 512) / 1024);
}

// By status, in the order of the enum: the word of --json and the words of the log's "Result" column.
constexpr std::array<std::pair<const char *, const char *>, 10> StatusNames{{
    {"not-asked", "Not asked"},
    {"ok", "Count read"},
    {"zero", "No results"},
    {"layout", "Page layout not recognised"},
    {"blocked", "Blocked by the engine"},
    {"http-error", "Error page"},
    {"network", "No connection"},
    {"timeout", "Timed out"},
    {"too-large", "Page too large"},
    {"proxy", "Proxy failed"},
}};

} // namespace

QString statusWord(CellStatus status)
{
    return QString::fromLatin1(StatusNames.at(std::size_t(status)).first);
}

QString statusText(CellStatus status)
{
    // Made once: every log row shows one of them.
    static const QStringList texts = [] {
        QStringList list;
        for (const auto &names : StatusNames)
            list.append(QString::fromLatin1(names.second));
        return list;
    }();
    return texts.at(qsizetype(status));
}

QString shortReason(const CellReport &report)
{
    switch (report.status) {
    case CellStatus::Timeout:
        return QStringLiteral("timed out");
    case CellStatus::Blocked:
        return QStringLiteral("blocked");
    case CellStatus::Layout:
        return QStringLiteral("page not recognised");
    case CellStatus::HttpError:
        return report.http >= 200 && report.http < 300 ? QStringLiteral("unreadable answer")
                                                       : QStringLiteral("HTTP %1").arg(report.http);
    case CellStatus::Network:
        return QStringLiteral("no connection");
    case CellStatus::TooLarge:
        return QStringLiteral("page too large");
    case CellStatus::NotAsked:
        return QStringLiteral("not asked");
    case CellStatus::Proxy:
        return QStringLiteral("proxy failed");
    case CellStatus::Ok:
    case CellStatus::Zero:
        break;
    }
    return QString();
}

bool showsBlockNotice(const QString &page)
{
    for (const char *phrase : BlockPhrases) {
        if (page.contains(QLatin1String(phrase), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

CellReport notAsked(const QString &reason)
{
    CellReport report;
    report.status = CellStatus::NotAsked;
    report.detail = reason;
    return report;
}

bool isCountText(const QString &text, qint64 *value)
{
    qint64 number = 0;
    int digits = 0;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            if (++digits > engines::MaxCountDigits)
                return false;
            number = number * 10 + (c.unicode() - u'0');
        } else if ((c != u',' && c != u' ') || digits == 0) {
            return false;
        }
    }
    if (digits == 0)
        return false;
    if (value)
        *value = number;
    return true;
}

// The report from the answer alone.
static CellReport classifyAnswer(const FetchOutcome &outcome, const QString &page, const QString &count,
                                 bool prefixEmpty, bool located);

CellReport classifyCell(const FetchOutcome &outcome, const QString &page, const QString &count,
                        bool prefixEmpty, bool located)
{
    CellReport report = classifyAnswer(outcome, page, count, prefixEmpty, located);
    // Where the answer came from, when the engine sent the request elsewhere.
    if (!outcome.finalUrl.isEmpty() && !outcome.requestedUrl.isEmpty() &&
        QUrl(outcome.finalUrl) != QUrl(outcome.requestedUrl, QUrl::TolerantMode))
        report.detail += QStringLiteral("; redirected to ") + outcome.finalUrl;
    return report;
}

static CellReport classifyAnswer(const FetchOutcome &outcome, const QString &page, const QString &count,
                                 bool prefixEmpty, bool located)
{
    using Failure = FetchOutcome::Failure;
    CellReport report;
    report.http = outcome.httpStatus;
    report.bytes = outcome.bytes;
    report.ms = outcome.ms;
    // The final address only when the engine sent the request elsewhere (the detail says so too).
    if (!outcome.finalUrl.isEmpty() && outcome.finalUrl != outcome.requestedUrl)
        report.finalUrl = outcome.finalUrl;
    const int http = outcome.httpStatus;
    const bool success = http >= 200 && http < 300;
    const QString facts =
        (http > 0 ? QStringLiteral("HTTP %1, %2, %3 ms").arg(http).arg(size(outcome.bytes)).arg(outcome.ms)
                  : QStringLiteral("%1, %2 ms").arg(size(outcome.bytes)).arg(outcome.ms)) +
        (outcome.proxy.isEmpty() ? QString() : QStringLiteral(", via ") + outcome.proxy);

    // An error status decides first: what an error page holds between markers that are not both on it is
    // a leftover of the page, not a count ("Too Many Requests", "503").
    const bool errorStatus = http >= 400;
    const bool countRead = !count.isEmpty() && (located || !errorStatus);
    if (countRead && !isCountText(count)) {
        // A short piece of page text between the markers: the cell shows it, but it is no count.
        report.status = CellStatus::Layout;
        report.detail =
            QStringLiteral("Page layout not recognised: \"%1\" is no count (%2)").arg(count, facts);
        return report;
    }
    if (countRead) {
        report.status = count == QLatin1String("0") ? CellStatus::Zero : CellStatus::Ok;
        report.detail = facts;
        if (http > 0 && !success)
            report.detail += QStringLiteral("; read from an error page");
        else if (outcome.failure != Failure::None)
            report.detail += QStringLiteral("; read from a partial page");
        return report;
    }
    if (prefixEmpty && (outcome.failure == Failure::NotRequested || outcome.failure == Failure::Network)) {
        report.status = CellStatus::NotAsked;
        report.detail = QStringLiteral("No address for this engine in settings.ini");
        return report;
    }
    switch (outcome.failure) {
    case Failure::Aborted:
        report.status = CellStatus::NotAsked;
        report.detail = QStringLiteral("The scan was stopped");
        return report;
    case Failure::NotRequested:
        if (!outcome.errorText.isEmpty()) { // the request could not be made: a variable it needs
            report.status = CellStatus::NotAsked;
            report.detail = QStringLiteral("Not asked: ") + outcome.errorText;
            return report;
        }
        report.status = CellStatus::Network;
        report.detail = QStringLiteral("Not a web address: nothing was sent");
        return report;
    case Failure::Timeout:
        report.status = CellStatus::Timeout;
        report.detail = QStringLiteral("Timed out after %1 s (%2)").arg(outcome.timeoutSeconds).arg(facts);
        return report;
    case Failure::TooLarge:
        report.status = CellStatus::TooLarge;
        report.detail = QStringLiteral("The page was cut at %1 without a count").arg(size(outcome.bytes));
        return report;
    case Failure::Proxy:
        report.status = CellStatus::Proxy;
        report.detail = QStringLiteral("The proxy %1 failed: %2")
                            .arg(outcome.proxy, outcome.errorText.isEmpty() ? QStringLiteral("no answer")
                                                                            : outcome.errorText);
        return report;
    case Failure::Undecodable:
        report.status = CellStatus::HttpError;
        report.detail =
            QStringLiteral("The answer's compressed body could not be read (%1, %2)")
                .arg(outcome.errorText.isEmpty() ? QStringLiteral("no gzip") : outcome.errorText.trimmed(),
                     facts);
        return report;
    case Failure::Network:
        if (http == 0) {
            report.status = CellStatus::Network;
            report.detail = outcome.errorText.isEmpty() ? QStringLiteral("No connection") : outcome.errorText;
            return report;
        }
        break; // a status arrived: judged by it below
    case Failure::None:
        break;
    }
    if (http == 403 || http == 429 || http == 503 || showsBlockNotice(page) ||
        showsBlockNotice(outcome.finalUrl)) {
        report.status = CellStatus::Blocked;
        report.detail = http > 0 && !success
                            ? QStringLiteral("Blocked by the engine: HTTP %1").arg(http)
                            : QStringLiteral("Blocked by the engine: a captcha or block page");
        return report;
    }
    if (!success) {
        report.status = CellStatus::HttpError;
        report.detail = QStringLiteral("The engine answered HTTP %1 (%2)").arg(http).arg(size(outcome.bytes));
        if (http >= 300 && http < 400 && !outcome.errorText.isEmpty())
            report.detail += QStringLiteral(": ") + outcome.errorText; // a redirect that was not followed
        return report;
    }
    if (outcome.failure == Failure::Network) {
        report.status = CellStatus::Network;
        report.detail = QStringLiteral("The connection broke after %1").arg(size(outcome.bytes));
        return report;
    }
    report.status = CellStatus::Layout;
    report.detail = QStringLiteral("Page layout not recognised (%1)").arg(facts);
    return report;
}

bool worthRetrying(const FetchOutcome &outcome, const CellReport &report)
{
    if (report.hasCount())
        return false;
    if (report.status == CellStatus::Network)
        return outcome.failure == FetchOutcome::Failure::Network;
    if (report.status == CellStatus::Proxy)
        return true; // the next try goes through the next proxy
    return report.status == CellStatus::HttpError && (report.http == 502 || report.http == 504);
}

} // namespace scan
