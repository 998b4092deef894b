#include "emulator/EnginePages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace emulator {

namespace {

const QStringList &slugs()
{
    static const QStringList list{QStringLiteral("google"), QStringLiteral("altavista"),
                                  QStringLiteral("yahoo"),  QStringLiteral("teoma"),
                                  QStringLiteral("msn"),    QStringLiteral("alltheweb"),
                                  QStringLiteral("suche"),  QStringLiteral("json")};
    return list;
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString padding(int bytes)
{
    static const QString item =
        QStringLiteral("<p class=\"g\"><a href=\"http://www.example.com/page\">A page that links here</a><br>"
                       "<font size=-1>Some text of the page, cut short by the engine ...</font></p>\n");
    QString text;
    text.reserve(bytes + int(item.size()));
    while (text.size() < bytes)
        text += item;
    text.truncate(bytes);
    return text;
}

QString resultsBody(int engine, qint64 count, const QString &t)
{
    const QString c = formatCount(engine, count);
    switch (engine) {
    case 1:
        return count >= 100
                   ? QStringLiteral("<table><tr><td><font size=-1>Results <b>1</b> - <b>10</b> of about "
                                    "<b>%1</b> linking to <b>%2</b>.  (<b>0.21</b> seconds)</font>"
                                    "</td></tr></table>\n")
                         .arg(c, t)
                   : QStringLiteral("<table><tr><td><font size=-1>Results <b>1</b> - <b>%1</b> of "
                                    "<b>%1</b> linking to <b>%2</b>.  (<b>0.08</b> seconds)</font>"
                                    "</td></tr></table>\n")
                         .arg(c, t);
    case 2:
        return QStringLiteral("<table class=\"res\"><tr><td><a class=\"lbl\">AltaVista found %1 results</A>"
                              "</td></tr></table>\n")
            .arg(c);
    case 3:
        return QStringLiteral("<div id=\"info\"><p>1 - 10 of about <strong>%1</strong> for "
                              "<strong>link:%2</strong></p></div>\n")
            .arg(c, t);
    case 4:
        return QStringLiteral("<span class=\"resultsCount\">Showing 1-10 of about %1:</span>"
                              "<span class=\"term\">link:%2</span>\n")
            .arg(c, t);
    case 5:
        return QStringLiteral(
                   "<h5 id=\"count\">Page 1 of about %1 containing <strong>link:%2</strong></h5>\n")
            .arg(c, t);
    case UnicodeStyle:
        return QStringLiteral(
                   "<div id=\"stats\">Ungef\u00e4hr %1 Ergebnisse f\u00fcr \u00ablink:%2\u00bb</div>\n")
            .arg(c, t);
    default:
        return QStringLiteral(
                   "<div class=\"resultsHeader\">Results 1 - 10 of <span class=\"ofSoMany\">%1</span>"
                   " for <b>link:%2</b></div>\n")
            .arg(c, t);
    }
}

QString noResultsBody(int engine, const QString &t)
{
    switch (engine) {
    case 1:
        return QStringLiteral("<p>Your search - <b>link:%1</b> - did not match any documents.  <br><br>"
                              "Suggestions:<ul><li>Make sure all words are spelled correctly.</ul></p>\n")
            .arg(t);
    case 2:
        return QStringLiteral("<span class=m><span class=y>We found 0 results. </span></span>"
                              "<p>Try a different search.</p>\n");
    case 3:
        return QStringLiteral("<div class=\"zero\"><big>We didn't find any Web pages matching the following "
                              "criteria:<ul><li>link:%1</li></ul></big></div>\n")
            .arg(t);
    case 4:
        return QStringLiteral("<div class=\"noResultsLine\">We found no matches for your search "
                              "<span class=\"term\">link:%1</span></div>\n")
            .arg(t);
    case 5:
        return QStringLiteral("<table><tr><td><img src=\"/i/warn.gif\" alt=\"\"></td><td><span class=\"h1\">"
                              "Sorry, no results were found containing <span class=\"h1 blue\">link:%1</span>"
                              "</span></td></tr></table>\n")
            .arg(t);
    case UnicodeStyle:
        return QStringLiteral("<div id=\"stats\">Keine Ergebnisse f\u00fcr \u00ablink:%1\u00bb \u2013 bitte "
                              "pr\u00fcfen Sie die Schreibweise.</div>\n")
            .arg(t);
    default:
        return QStringLiteral("<div class=\"noResults\"><p>No Web pages\nfound that match your query.</p>"
                              "<p>link:%1</p></div>\n")
            .arg(t);
    }
}

} // namespace

QString engineSlug(int engine)
{
    return (engine >= 1 && engine <= StyleCount) ? slugs().at(engine - 1) : QString();
}

int engineFromSlug(const QString &slug)
{
    return int(slugs().indexOf(slug.toLower())) + 1;
}

qint64 defaultCount(int engine, const QString &target)
{
    // FNV-1a: the same count for the same engine and target in every run.
    quint32 hash = 2166136261u;
    const QByteArray bytes = QByteArray::number(engine) + ':' + target.toUtf8();
    for (const char byte : bytes) {
        hash ^= quint8(byte);
        hash *= 16777619u;
    }
    return qint64(hash % 250000u);
}

QString formatCount(int engine, qint64 count)
{
    QString digits = QString::number(count);
    const QChar separator = engine == 6 ? u' ' : engine == UnicodeStyle ? u'.' : u',';
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, separator);
    return digits;
}

namespace {

// A JSON answer: the total and a list of linking pages.
QByteArray jsonPage(PageKind kind, qint64 count, const QString &target, int paddingBytes)
{
    QJsonArray items;
    qint64 bytes = 0;
    for (int i = 0; bytes < paddingBytes; ++i) {
        const QString url = QStringLiteral("http://www.example.com/page%1").arg(i);
        items.append(QJsonObject{{QStringLiteral("url"), url},
                                 {QStringLiteral("title"), QStringLiteral("A page that links here")}});
        bytes += url.size() + 50;
    }
    QJsonObject answer{{QStringLiteral("query"), QStringLiteral("link:") + target}};
    switch (kind) {
    case PageKind::Results:
        answer.insert(QStringLiteral("total"), double(count));
        break;
    case PageKind::NoResults:
        answer.insert(QStringLiteral("total"), 0);
        break;
    case PageKind::ChangedLayout:
        answer.insert(QStringLiteral("results"), QJsonObject{{QStringLiteral("estimated"), double(count)}});
        break;
    }
    answer.insert(QStringLiteral("items"), items);
    return QJsonDocument(answer).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

QByteArray contentType(int engine)
{
    if (engine == JsonStyle)
        return QByteArrayLiteral("application/json");
    if (engine == UnicodeStyle)
        return QByteArrayLiteral("text/html; charset=UTF-8");
    return QByteArrayLiteral("text/html; charset=ISO-8859-1");
}

QByteArray enginePage(int engine, PageKind kind, qint64 count, const QString &target, int paddingBytes)
{
    if (engine == JsonStyle)
        return jsonPage(kind, count, target, paddingBytes);
    const QString t = escaped(target);
    QString body;
    switch (kind) {
    case PageKind::Results:
        body = resultsBody(engine, count, t);
        break;
    case PageKind::NoResults:
        body = noResultsBody(engine, t);
        break;
    case PageKind::ChangedLayout:
        body = QStringLiteral("<div class=\"summary\">About %1 pages link to %2</div>\n")
                   .arg(formatCount(engine, count), t);
        break;
    }
    const QString page = QStringLiteral("<html><head><title>%1 - link:%2</title></head>\n<body>\n")
                             .arg(engineSlug(engine), t) +
                         body + padding(paddingBytes) + QStringLiteral("</body></html>\n");
    return engine == UnicodeStyle ? page.toUtf8() : page.toLatin1();
}

} // namespace emulator
