#pragma once

#include <QList>
#include <QPair>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// One search engine as data: where its query address is kept, how it is shown, and how its result count is
// cut out of its page. The six shipped engines are such definitions too (engines.ini in the defaults).
namespace engines {

// How the count is found: between two text markers, as the one capture group of a regular expression, or at
// a JSON pointer of an engine that answers JSON.
enum class Kind
{
    Markers,
    Expression,
    Json
};

// What happens to blanks inside a count that was read: kept, dropped ("1 234" -> "1234"), or each made a
// zero ("1 234" -> "10234").
enum class SpaceRule
{
    Keep,
    Remove,
    Zeros
};

struct Definition
{
    QString section; // the section name in the file (a label for messages)
    int line = 0;    // the line of the section's header, 0 when not from a file

    QString key;          // key of the query address in section "Engines" of settings.ini
    QString header;       // results-table column header, also the saved-search section name
    QString logText;      // text of the engine's rows in the web-result log
    QString statusSuffix; // appended to "Scanning URL" in the status bar
    QString suffix;       // appended to every query address after the target
    QString address;      // the default query address (what Reset writes into settings.ini)

    bool replaceQuotes = false; // every double quote of the page becomes a single quote before the search
    QString countBefore, countAfter;
    QString checkBefore, checkAfter;
    QString zeroPhrase;      // the check text of the engine's page for a query without results
    QStringList countRemove; // texts removed from the count, in order
    QStringList checkRemove; // texts removed from the check text, in order
    QString separators = QStringLiteral(","); // thousands separators of a count
    bool keepSeparators = false;              // the cell shows the separators (else they are removed)
    SpaceRule spaces = SpaceRule::Keep;
    QString expression;  // a regular expression with one capture group, instead of the count markers
    bool json = false;   // the engine answers JSON: the count is at jsonPointer
    QString jsonPointer; // a JSON pointer (RFC 6901), instead of the count markers; empty: the whole answer
    QList<QPair<QString, QString>>
        requestHeaders; // sent with each query; ${env:VANTORY_...} read at request time
    // The request: "GET" (the query address alone) or "POST" with body, a template whose placeholders are
    // filled for each target (see Placeholders.h), sent as bodyType. username and password (either may be
    // ${env:VANTORY_...}) are sent as HTTP Basic credentials, over https or to this machine only.
    QString method = QStringLiteral("GET");
    QString body;
    QString bodyType = QStringLiteral("application/json");
    QString username;
    QString password;
    // Up to this many targets in one POST: the body lists them as ${targets} (a JSON array) and the JSON
    // pointer finds each one's figure at ${index} (0 for the first). 1: one target a request.
    int batch = 1;
    bool isPost() const { return method == QLatin1String("POST"); }
    bool hasCredentials() const { return !username.isEmpty() || !password.isEmpty(); }
    bool jsonBody() const { return isJsonType(bodyType); }
    static bool isJsonType(QStringView type)
    {
        return type.startsWith(QLatin1String("application/json"), Qt::CaseInsensitive);
    }
    bool enabled = true;
    // "webgraph": the count is the URL's linking domains in a web graph release (release, or the newest
    // imported when empty); no request is sent. Empty: a result page is fetched.
    QString source;
    QString release;

    bool isWebGraph() const { return source == QLatin1String("webgraph"); }

    // The expression, compiled once (set by problem()).
    mutable QRegularExpression compiled;

    Kind kind() const;
    // "markers", "expression", "json" or "webgraph".
    QString kindWord() const;
};

// Why the definition cannot be used, or empty when it can. Also compiles the expression into the cache that
// extract() uses.
QString problem(const Definition &definition);

// True for a header name and value that may be sent: a token as name, a value without control characters.
bool isValidHeaderName(const QString &name);

// The request headers as the definition gives them, ${env:NAME} still in place: the page download puts the
// values in when it makes the request.
QList<QPair<QByteArray, QByteArray>> requestHeaders(const Definition &definition);

// Why the engine cannot be asked now, or empty: a variable of its headers, suffix, body or credentials that
// may not be read, is not set, or holds what a header cannot.
QString requestProblem(const Definition &definition);

// The body of a POST for target: the template with its placeholders filled (escaped inside JSON strings for
// a JSON body, percent-encoded for a form); problem says why it cannot be sent (a JSON body that is not
// JSON once filled).
struct RequestBody
{
    QString text;
    QString problem;
};
RequestBody requestBody(const Definition &definition, const QString &target);
// The body of a batch: ${targets} is the targets as a JSON array, the other placeholders stand for the first.
RequestBody requestBody(const Definition &definition, const QStringList &targets);
// The definition that reads the figure of the batch's index-th target.
Definition forBatchIndex(const Definition &definition, int index);
// How many entries a batch's answer holds where its pointer reads them (the array before ${index}), or -1
// when the page is no JSON with an array there. An answer with fewer entries than targets cannot be read
// by position: which target is missing is unknown.
int batchAnswerSize(const Definition &definition, const QString &page);
inline constexpr int MaxBatch = 100;

// A piece of the page text: start and length, start -1 when not found.
struct Span
{
    qsizetype start = -1;
    qsizetype length = 0;
    bool found() const { return start >= 0; }
};

// A count is a whole number of 1 to 18 digits, whatever the kind of extraction: digits with the definition's
// thousands separators and space rule from page text, a whole JSON number in that range, or a JSON string
// read like page text. Anything else (a fraction, a sign, an exponent, more digits) is no count. Text cut
// from a page (by markers or an expression) is in addition at most ten characters, unless it is a written
// number of at most ten digits: longer text is a leftover of a page whose markers no longer match.
constexpr int MaxCountDigits = 18;

struct Extraction
{
    QString count;     // the result: the count text, "0" for a recognised no-results page, or empty
    QString raw;       // the text between the count markers (or the capture, or the JSON value) as found
    QString check;     // the check text (after its removals)
    bool zero = false; // the check text (or the page) showed the zero phrase
    // The count stood where the definition says (both count markers on the page, the expression matched, the
    // JSON value exists), or the zero phrase was seen: not a leftover of a page of another kind.
    bool located = false;
    QString note; // why nothing was found, in words (for the Test page and --test-engine)
    // Where on pageText() the pieces stand (for highlighting).
    Span countBefore, countText, countAfter;
    Span checkBefore, checkText, checkAfter;
    Span zeroText; // the zero phrase, when it was looked for in the whole page
};

// The page as the definition searches it: the bytes (given as Latin-1 text, one character per byte) decoded
// as UTF-8 when the definition holds non-ASCII text and the page is valid UTF-8, else as they are; double
// quotes replaced by single ones when the definition says so.
QString pageText(const Definition &definition, const QString &page);

// Cuts the count out of the page.
Extraction extract(const Definition &definition, const QString &page);

// The count as the results cell shows it: the thousands separators removed unless the definition keeps them.
QString cellText(const Definition &definition, const QString &count);

// The count as the status of its cell judges it: the definition's own thousands separators dropped, except
// the comma and the blank, which the judgement reads itself (so the six engines are judged as always).
QString judgedText(const Definition &definition, const QString &count);

// The text between the first occurrence of before and the first occurrence of after behind it, and where it
// stands. When before is missing, the text loses its first length(before) - 1 characters instead of becoming
// empty; when after is missing, the whole rest is kept.
QString between(const QString &text, const QString &before, const QString &after, Span *beforeSpan = nullptr,
                Span *textSpan = nullptr, Span *afterSpan = nullptr);

// True for a count written with thousands separators: a first group of one to three digits, then groups of
// three, each after one of the separators (one kind throughout), ten digits at most ("123,456,789").
bool isGroupedNumber(const QString &count, const QString &separators);

// True for a JSON pointer: empty (the whole document) or "/"-separated tokens, "~" only as "~0" or "~1".
bool isJsonPointer(const QString &pointer);

} // namespace engines
