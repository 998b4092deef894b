#include "core/engines/EngineDefinition.h"

#include <algorithm>

#include "core/engines/Placeholders.h"
#include "core/engines/Variables.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringDecoder>

#include <cmath>

namespace engines {

namespace {

constexpr qsizetype MaxCountLength = 10;
constexpr qint64 MaxCount = 999'999'999'999'999'999; // MaxCountDigits nines

bool isAscii(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            return false;
    }
    return true;
}

bool needsUtf8(const Definition &d)
{
    if (!isAscii(d.countBefore) || !isAscii(d.countAfter) || !isAscii(d.checkBefore) ||
        !isAscii(d.checkAfter) || !isAscii(d.zeroPhrase) || !isAscii(d.expression) || !isAscii(d.separators))
        return true;
    for (const QString &t : d.countRemove + d.checkRemove) {
        if (!isAscii(t))
            return true;
    }
    return false;
}

// The page's bytes as UTF-8 text, or nothing when they are not valid UTF-8.
bool decodeUtf8(const QString &latin1Page, QString *text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder(latin1Page.toLatin1());
    if (decoder.hasError())
        return false;
    *text = std::move(decoded);
    return true;
}

// The value at the pointer, or an undefined value.
QJsonValue resolve(const QJsonDocument &document, const QString &pointer)
{
    QJsonValue value = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    if (pointer.isEmpty())
        return value;
    const QStringList tokens = pointer.mid(1).split(u'/');
    for (QString token : tokens) {
        token.replace(QLatin1String("~1"), QLatin1String("/"))
            .replace(QLatin1String("~0"), QLatin1String("~"));
        if (value.isObject()) {
            const QJsonObject object = value.toObject();
            if (!object.contains(token))
                return QJsonValue(QJsonValue::Undefined);
            value = object.value(token);
        } else if (value.isArray()) {
            bool ok = false;
            const int index = token.toInt(&ok);
            const QJsonArray array = value.toArray();
            if (!ok || index < 0 || index >= array.size() || (token.size() > 1 && token.startsWith(u'0')))
                return QJsonValue(QJsonValue::Undefined);
            value = array.at(index);
        } else {
            return QJsonValue(QJsonValue::Undefined);
        }
    }
    return value;
}

// The JSON value as count text: a whole number in decimal, any other number as written in C ("1.5e+300"), a
// string as it stands. counted: the value is a number that is a count.
QString jsonCount(const QJsonValue &value, bool *counted)
{
    *counted = false;
    if (value.isDouble()) {
        // Whole numbers up to 2^63 are read exactly (never through a double); others are no count.
        const qint64 whole = value.toInteger(-1);
        if (whole >= 0 && whole <= MaxCount) {
            *counted = true;
            return QString::number(whole);
        }
        return QString::number(value.toDouble(), 'g', 15);
    }
    if (value.isString())
        return value.toString();
    return QString();
}

// The place of the pointer's last name on the raw page ("total": ...), for highlighting.
Span jsonSpan(const QString &text, const QString &pointer)
{
    const QString last = pointer.section(u'/', -1);
    if (last.isEmpty())
        return Span();
    const qsizetype at = text.indexOf(u'"' + last + u'"');
    if (at < 0)
        return Span();
    qsizetype end = text.indexOf(u':', at);
    if (end < 0)
        return Span();
    ++end;
    while (end < text.size() && text.at(end).isSpace())
        ++end;
    qsizetype stop = end;
    while (stop < text.size() && text.at(stop) != u',' && text.at(stop) != u'}' && text.at(stop) != u']' &&
           text.at(stop) != u'\n')
        ++stop;
    return Span{end, stop - end};
}

} // namespace

Kind Definition::kind() const
{
    if (!expression.isEmpty())
        return Kind::Expression;
    if (json)
        return Kind::Json;
    return Kind::Markers;
}

QString Definition::kindWord() const
{
    if (isWebGraph())
        return QStringLiteral("webgraph");
    switch (kind()) {
    case Kind::Expression:
        return QStringLiteral("expression");
    case Kind::Json:
        return QStringLiteral("json");
    case Kind::Markers:
        break;
    }
    return QStringLiteral("markers");
}

bool isValidHeaderName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool token = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
                           QStringView(u"!#$%&'*+-.^_`|~").contains(c);
        if (!token)
            return false;
    }
    return true;
}

bool isJsonPointer(const QString &pointer)
{
    if (pointer.isEmpty())
        return true;
    if (!pointer.startsWith(u'/'))
        return false;
    for (qsizetype i = 0; i < pointer.size(); ++i) {
        if (pointer.at(i) == u'~' &&
            (i + 1 >= pointer.size() || (pointer.at(i + 1) != u'0' && pointer.at(i + 1) != u'1')))
            return false;
    }
    return true;
}

QString problem(const Definition &d)
{
    if (d.key.isEmpty())
        return QStringLiteral("no Key (the settings.ini key of its query address)");
    if (d.header.isEmpty())
        return QStringLiteral("no Header (its column header)");
    for (const QString &name : {d.key, d.header}) {
        if (name.contains(u'[') || name.contains(u']') || name.contains(u'=') || name.trimmed() != name)
            return QStringLiteral("\"%1\" cannot be a name in an INI file (no [, ], = or outer blanks)")
                .arg(name);
    }
    // A save carries "header:count" lines: a ":" in the header would cut the header short there.
    if (d.header.contains(u':'))
        return QStringLiteral("the header \"%1\" cannot name a saved search's section (no :)").arg(d.header);
    for (const QChar c : d.header) {
        if (c.unicode() > 0xff)
            return QStringLiteral("the header \"%1\" has characters that a saved search cannot hold")
                .arg(d.header);
    }
    for (const QString &column :
         {QStringLiteral("Domain Name"), QStringLiteral("Total"), QStringLiteral("Change")}) {
        if (d.header.compare(column, Qt::CaseInsensitive) == 0)
            return QStringLiteral("the header \"%1\" is the name of another column").arg(d.header);
    }
    if (d.isWebGraph()) {
        // No request: nothing of a page's reading applies.
        const bool releaseName = std::all_of(d.release.cbegin(), d.release.cend(), [](QChar c) {
            return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-';
        });
        if (!releaseName || d.release.size() > 100 || d.release.startsWith(u'-'))
            return QStringLiteral("\"%1\" is no web graph release name").arg(d.release);
        return QString();
    }
    if (!d.expression.isEmpty() && d.json)
        return QStringLiteral("both an Expression and a JsonPointer: give one of them");
    switch (d.kind()) {
    case Kind::Markers:
        if (d.countBefore.isEmpty() || d.countAfter.isEmpty())
            return QStringLiteral("empty count markers (CountBefore and CountAfter are needed)");
        break;
    case Kind::Expression: {
        QRegularExpression expression(d.expression);
        if (!expression.isValid())
            return QStringLiteral("the expression is invalid: %1 at character %2")
                .arg(expression.errorString())
                .arg(expression.patternErrorOffset() + 1);
        if (expression.captureCount() != 1)
            return QStringLiteral("the expression has %1 capture groups; it needs exactly one")
                .arg(expression.captureCount());
        expression.optimize();
        d.compiled = expression;
        break;
    }
    case Kind::Json:
        if (!isJsonPointer(d.jsonPointer))
            return QStringLiteral("\"%1\" is no JSON pointer (it starts with / and uses ~ only as ~0 or ~1)")
                .arg(d.jsonPointer);
        break;
    }
    if (!d.address.isEmpty() && !d.address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
        !d.address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return QStringLiteral("the address is no http or https address");
    if (d.countRemove.size() > MaxRemovals || d.checkRemove.size() > MaxRemovals)
        return QStringLiteral("more than %1 texts to remove from the count or the check text")
            .arg(MaxRemovals);
    if (d.requestHeaders.size() > MaxRequestHeaders)
        return QStringLiteral("%1 request headers: an engine sends at most %2")
            .arg(d.requestHeaders.size())
            .arg(MaxRequestHeaders);
    for (const auto &header : d.requestHeaders) {
        if (!isValidHeaderName(header.first))
            return QStringLiteral("\"%1\" is no request header name").arg(header.first);
    }
    if (d.method != QLatin1String("GET") && d.method != QLatin1String("POST"))
        return QStringLiteral("Method is GET or POST, not \"%1\"").arg(d.method);
    if (!d.body.isEmpty() && !d.isPost())
        return QStringLiteral("a Body is sent only with Method=POST");
    // A password never sits in the file: only the name of the variable that holds it.
    if (!d.password.isEmpty() && !(d.password.startsWith(QLatin1String("${env:")) &&
                                   d.password.endsWith(u'}') && d.password.count(QLatin1String("${")) == 1))
        return QStringLiteral("the Password is given as ${env:VANTORY_NAME}, never written into the file");
    QStringList templates{d.address, d.suffix, d.body, d.username, d.password};
    for (const auto &header : d.requestHeaders)
        templates.append(header.second);
    for (const QString &text : std::as_const(templates)) {
        if (const QString unknown = unknownPlaceholder(text); !unknown.isEmpty())
            return QStringLiteral(
                       "%1 is no placeholder (${target}, ${host}, ${domain}, ${date} or ${env:NAME})")
                .arg(unknown);
    }
    if (d.batch < 1 || d.batch > MaxBatch)
        return QStringLiteral("Batch is 1 to %1, not %2").arg(MaxBatch).arg(d.batch);
    if (d.batch > 1 && (!d.isPost() || !d.body.contains(QLatin1String("${targets}")) ||
                        d.kind() != Kind::Json || !d.jsonPointer.contains(QLatin1String("${index}"))))
        return QStringLiteral(
            "a Batch is a POST whose Body lists ${targets} and whose JsonPointer finds each "
            "one at ${index}");
    if (d.isPost() && d.jsonBody()) {
        if (const RequestBody body = requestBody(d, QStringList{QStringLiteral("http://www.example.com/")});
            !body.problem.isEmpty())
            return body.problem;
    }
    QString refused;
    for (const QString &text : std::as_const(templates)) {
        if (refused.isEmpty())
            refused = refusedVariable(text);
    }
    if (!refused.isEmpty())
        return QStringLiteral("it reads the environment variable %1: a definition may read only variables "
                              "whose names begin with VANTORY_")
            .arg(refused);
    return QString();
}

QList<QPair<QByteArray, QByteArray>> requestHeaders(const Definition &d)
{
    QList<QPair<QByteArray, QByteArray>> headers;
    for (const auto &[name, value] : d.requestHeaders)
        headers.append({name.toLatin1(), value.toUtf8()});
    return headers;
}

QString requestProblem(const Definition &d)
{
    for (const auto &header : d.requestHeaders) {
        const Substitution s = substituteVariables(header.second, Placement::Header);
        if (!s.problem.isEmpty())
            return s.problem;
    }
    for (const QString &credential : {d.username, d.password}) {
        if (const Substitution s = substituteVariables(credential, Placement::Header); !s.problem.isEmpty())
            return s.problem;
    }
    if (d.isPost()) {
        const Placement placement = d.jsonBody() ? Placement::Json : Placement::Header;
        if (const Substitution s = substituteVariables(d.body, placement); !s.problem.isEmpty())
            return s.problem;
    }
    return substituteVariables(d.suffix, Placement::Url).problem;
}

RequestBody requestBody(const Definition &d, const QStringList &targets)
{
    QString list = QStringLiteral("[");
    for (const QString &target : targets)
        list +=
            (list.size() > 1 ? QStringLiteral(", \"") : QStringLiteral("\"")) + jsonEscaped(target) + u'"';
    list += u']';
    Definition filled = d;
    filled.body.replace(QLatin1String("${targets}"), list);
    return requestBody(filled, targets.value(0));
}

int batchAnswerSize(const Definition &d, const QString &page)
{
    const qsizetype at = d.jsonPointer.indexOf(QLatin1String("/${index}"));
    if (at < 0)
        return -1;
    const QJsonDocument document = QJsonDocument::fromJson(page.toLatin1());
    if (document.isNull())
        return -1;
    const QJsonValue list = resolve(document, d.jsonPointer.left(at));
    return list.isArray() ? int(list.toArray().size()) : -1;
}

Definition forBatchIndex(const Definition &d, int index)
{
    Definition one = d;
    one.jsonPointer.replace(QLatin1String("${index}"), QString::number(index));
    return one;
}

RequestBody requestBody(const Definition &d, const QString &target)
{
    RequestBody body;
    const bool form =
        d.bodyType.startsWith(QLatin1String("application/x-www-form-urlencoded"), Qt::CaseInsensitive);
    body.text = fillPlaceholders(d.body, target,
                                 d.jsonBody() ? Encoding::Json
                                 : form       ? Encoding::Url
                                              : Encoding::Text);
    if (d.jsonBody()) {
        QJsonParseError error;
        QJsonDocument::fromJson(body.text.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError)
            body.problem = QStringLiteral("the Body is not JSON once its placeholders are filled (%1 at "
                                          "character %2)")
                               .arg(error.errorString())
                               .arg(error.offset + 1);
    }
    return body;
}

QString between(const QString &text, const QString &before, const QString &after, Span *beforeSpan,
                Span *textSpan, Span *afterSpan)
{
    const qsizetype size = text.size();
    qsizetype start = 0;
    if (!before.isEmpty()) {
        const qsizetype index = text.indexOf(before);
        // 1-based position p and n = length - p - length(before) + 1; s becomes its last n characters.
        const qsizetype position = index < 0 ? 0 : index + 1;
        const qsizetype n = size - position - before.size() + 1;
        if (n >= 0)
            start = size - n;
        if (beforeSpan)
            *beforeSpan = index < 0 ? Span() : Span{index, before.size()};
    }
    // An empty after is found at the first character of a non-empty rest.
    const qsizetype past = after.isEmpty() ? (start < size ? start : -1) : text.indexOf(after, start);
    const qsizetype end = past >= 0 ? past : size;
    if (textSpan)
        *textSpan = Span{start, end - start};
    if (afterSpan)
        *afterSpan = past >= 0 && !after.isEmpty() ? Span{past, after.size()} : Span();
    return text.mid(start, end - start);
}

bool isGroupedNumber(const QString &count, const QString &separators)
{
    const qsizetype n = count.size();
    qsizetype i = 0;
    int digits = 0;
    int group = 0;
    while (i < n && count.at(i) >= u'0' && count.at(i) <= u'9' && group < 4) {
        ++i;
        ++group;
    }
    if (group < 1 || group > 3)
        return false;
    digits += group;
    QChar first;
    while (i < n) {
        const QChar separator = count.at(i);
        if (!separators.contains(separator))
            return false;
        // One kind of separator throughout: "1 300,612,300" is no written number.
        if (first.isNull())
            first = separator;
        else if (separator != first)
            return false;
        ++i;
        group = 0;
        while (i < n && count.at(i) >= u'0' && count.at(i) <= u'9' && group < 4) {
            ++i;
            ++group;
        }
        if (group != 3)
            return false;
        digits += 3;
    }
    return digits <= MaxCountLength;
}

QString pageText(const Definition &d, const QString &page)
{
    QString text;
    if (!((d.kind() == Kind::Json || needsUtf8(d)) && decodeUtf8(page, &text)))
        text = page;
    if (d.replaceQuotes)
        text.replace(u'"', u'\'');
    return text;
}

Extraction extract(const Definition &d, const QString &page)
{
    Extraction x;
    const QString text = pageText(d, page);
    const bool checkMarkers = !d.checkBefore.isEmpty() || !d.checkAfter.isEmpty();
    if (checkMarkers) {
        x.check = between(text, d.checkBefore, d.checkAfter, &x.checkBefore, &x.checkText, &x.checkAfter);
        for (const QString &remove : d.checkRemove)
            x.check.remove(remove);
    }

    bool number = false;  // a JSON number that is a count
    bool refused = false; // a JSON number that is no count (a fraction, negative, too large)
    switch (d.kind()) {
    case Kind::Markers:
        x.raw = between(text, d.countBefore, d.countAfter, &x.countBefore, &x.countText, &x.countAfter);
        x.located = (d.countBefore.isEmpty() || x.countBefore.found()) &&
                    (d.countAfter.isEmpty() || x.countAfter.found());
        break;
    case Kind::Expression: {
        if (d.compiled.pattern() != d.expression || !d.compiled.isValid())
            d.compiled = QRegularExpression(d.expression);
        const QRegularExpressionMatch match = d.compiled.match(text);
        if (match.hasMatch() && match.capturedStart(1) >= 0) {
            x.raw = match.captured(1);
            x.countText = Span{match.capturedStart(1), match.capturedLength(1)};
            x.countBefore = Span{match.capturedStart(0), match.capturedStart(1) - match.capturedStart(0)};
            x.countAfter = Span{match.capturedEnd(1), match.capturedEnd(0) - match.capturedEnd(1)};
            x.located = true;
        } else {
            x.note = QStringLiteral("The expression does not match the page");
        }
        break;
    }
    case Kind::Json: {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(page.toLatin1(), &error);
        if (document.isNull()) {
            x.note = QStringLiteral("The page is no JSON: %1 at byte %2")
                         .arg(error.errorString())
                         .arg(error.offset);
            break;
        }
        const QJsonValue value = resolve(document, d.jsonPointer);
        if (value.isUndefined()) {
            x.note = QStringLiteral("The JSON answer has nothing at %1").arg(d.jsonPointer);
            break;
        }
        x.raw = jsonCount(value, &number);
        x.located = true;
        if (x.raw.isEmpty())
            x.note = QStringLiteral("The value at %1 is no number").arg(d.jsonPointer);
        refused = value.isDouble() && !number;
        if (refused)
            x.note =
                QStringLiteral("The value at %1 is no count: %2 is not a whole number from 0 to %3 digits")
                    .arg(d.jsonPointer, x.raw)
                    .arg(MaxCountDigits);
        x.countText = jsonSpan(text, d.jsonPointer);
        break;
    }
    }

    QString count = x.raw;
    for (const QString &remove : d.countRemove)
        count.remove(remove);
    // A count longer than ten characters is still a count when it is a written number; the limit is there to
    // reject leftovers of a page whose markers no longer match, and those never look like one.
    if (!refused && (number || (!count.isEmpty() && count.size() <= MaxCountLength) ||
                     isGroupedNumber(count, d.separators))) {
        if (d.spaces == SpaceRule::Remove)
            count.remove(u' ');
        else if (d.spaces == SpaceRule::Zeros)
            count.replace(u' ', u'0');
        x.count = count;
        return x;
    }
    if (!d.zeroPhrase.isEmpty()) {
        if (checkMarkers) {
            x.zero = x.check == d.zeroPhrase;
        } else {
            // Without check markers the phrase anywhere on the page marks it.
            const qsizetype at = text.indexOf(d.zeroPhrase);
            x.zero = at >= 0;
            if (x.zero)
                x.zeroText = Span{at, d.zeroPhrase.size()};
        }
    }
    if (x.zero) {
        x.count = QStringLiteral("0");
        x.located = true;
    } else if (x.note.isEmpty())
        x.note = d.kind() == Kind::Markers && !x.raw.isEmpty()
                     ? QStringLiteral("The text between the count markers is no count")
                     : QStringLiteral("No count and no zero phrase on the page");
    return x;
}

QString judgedText(const Definition &d, const QString &count)
{
    QString text = count;
    for (const QChar separator : d.separators) {
        if (separator != u',' && separator != u' ')
            text.remove(separator);
    }
    return text;
}

QString cellText(const Definition &d, const QString &count)
{
    if (d.keepSeparators)
        return count;
    QString cell = count;
    for (const QChar separator : d.separators) {
        if (separator != u' ') // blanks are the space rule's
            cell.remove(separator);
    }
    return cell;
}

} // namespace engines
