#pragma once

#include <QString>

// Why a results cell holds what it holds: for every URL and engine the scan keeps, beside the cell's text, a
// status and the facts of the request (HTTP status, bytes, time, the final address after redirects), so that
// a measurement can always be told from a failure.
namespace scan {

enum class CellStatus
{
    NotAsked,  // no request was made: no address for the engine, the engine suspended, or the run stopped
    Ok,        // a count was read (also from an error page or a partial body: the detail says so)
    Zero,      // the engine's page for a query without results
    Layout,    // a 2xx page without a count or a zero phrase: the page layout is not recognised
    Blocked,   // 403, 429 or 503 without a count, or a page that shows a block notice (captcha, ...)
    HttpError, // any other non-2xx status without a count
    Network,   // refused, name not resolved, broken connection, not HTTP
    Timeout,   // the idle or the total time-out ended the transfer before a count could be read
    TooLarge,  // the body was cut at the size limit and no count was read
    Proxy      // the request failed at its proxy (refused, closed, not found, authentication, time-out)
};

// How one request went, as the page fetcher saw it.
struct FetchOutcome
{
    enum class Failure
    {
        None,
        NotRequested, // the address is no http(s) address: nothing was sent
        Network,
        Timeout,
        TooLarge,
        Aborted,    // ended by the caller (a stop)
        Proxy,      // the proxy refused, closed, timed out or wanted other credentials
        Undecodable // the answer's compressed body could not be inflated (not gzip, or a gzip bomb)
    };
    Failure failure = Failure::NotRequested;
    int httpStatus = 0; // 0 when no status line arrived
    QString errorText;  // the network layer's words for a failure
    qint64 bytes = 0;   // body bytes read
    qint64 ms = 0;      // time taken
    QString finalUrl;   // after redirects
    QString requestedUrl;
    int timeoutSeconds = 0;
    QString proxy; // the proxy the request went through (without its password), empty for none
};

struct CellReport
{
    CellStatus status = CellStatus::NotAsked;
    int http = 0;
    qint64 bytes = 0;
    qint64 ms = 0;
    QString finalUrl;
    QString detail; // in words, for a tooltip, the report and --json

    bool hasCount() const { return status == CellStatus::Ok || status == CellStatus::Zero; }
};

// "ok", "zero", "layout", "blocked", "http-error", "network", "timeout", "too-large", "proxy", "not-asked".
QString statusWord(CellStatus status);
// The status in plain words ("Page layout not recognised"), as the log's "Result" column shows it.
QString statusText(CellStatus status);

// A few words on why a cell has no count, for lists such as "MSN (timed out), Teoma (blocked)".
QString shortReason(const CellReport &report);

// True when a page shows a block notice (a captcha, "unusual traffic", "automated queries", ...): the phrases
// live in one table, matched without regard to case.
bool showsBlockNotice(const QString &page);

// True for the text of a count: a whole number of 1 to 18 decimal digits, with commas and blanks between
// them ("12,345", "10 234"); no sign, point or exponent. value receives the number.
bool isCountText(const QString &text, qint64 *value = nullptr);

// The report of one cell, from how its request went, the page and the count cut from it ("" for none, "0"
// for a recognised no-results page). prefixEmpty: settings.ini has no address for the engine. located: the
// count stood where the engine's definition says (its markers were found); an answer with an HTTP error
// status is judged by its status unless its count was located.
CellReport classifyCell(const FetchOutcome &outcome, const QString &page, const QString &count,
                        bool prefixEmpty, bool located = true);

// The report of a cell whose engine was not asked, with the reason.
CellReport notAsked(const QString &reason);

// True for an answer worth one more try: a failure to connect or to get a status line, or status 502 or 504,
// without a count. Never a time-out, a block or an address that was not sent.
bool worthRetrying(const FetchOutcome &outcome, const CellReport &report);

} // namespace scan
