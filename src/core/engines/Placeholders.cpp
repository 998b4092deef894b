#include "core/engines/Placeholders.h"

#include "core/webgraph/DomainMapping.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace engines {

namespace {

const QString Open = QStringLiteral("${");

bool isPlaceholderName(QStringView name)
{
    return name == u"target" || name == u"host" || name == u"domain" || name == u"date" ||
           name == u"targets" || name == u"index";
}

QString encoded(const QString &value, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Url:
        return QString::fromLatin1(QUrl::toPercentEncoding(value));
    case Encoding::Json:
        return jsonEscaped(value);
    case Encoding::Text:
        break;
    }
    return value;
}

} // namespace

QString unknownPlaceholder(const QString &text)
{
    for (qsizetype at = text.indexOf(Open); at >= 0; at = text.indexOf(Open, at + 2)) {
        const qsizetype end = text.indexOf(u'}', at + 2);
        if (end < 0)
            return text.mid(at);
        const QStringView name = QStringView(text).mid(at + 2, end - at - 2);
        if (!isPlaceholderName(name) && !name.startsWith(u"env:"))
            return text.mid(at, end - at + 1);
    }
    return QString();
}

bool hasPlaceholders(const QString &text)
{
    return text.contains(QLatin1String("${target}")) || text.contains(QLatin1String("${host}")) ||
           text.contains(QLatin1String("${domain}")) || text.contains(QLatin1String("${targets}"));
}

QString targetHost(const QString &target)
{
    return QUrl(target, QUrl::TolerantMode).host().toLower();
}

QString targetDomain(const QString &target)
{
    const QString host = webgraph::hostOf(target);
    if (host.isEmpty())
        return targetHost(target);
    const QString domain = webgraph::registrableDomain(host);
    if (!domain.isEmpty())
        return domain;
    return host.startsWith(QLatin1String("www.")) ? host.mid(4) : host;
}

QString fillPlaceholders(const QString &text, const QString &target, Encoding encoding)
{
    if (!text.contains(Open))
        return text;
    QString out;
    out.reserve(text.size() + target.size());
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(Open); at >= 0; at = text.indexOf(Open, from)) {
        const qsizetype end = text.indexOf(u'}', at + 2);
        if (end < 0)
            break;
        const QStringView name = QStringView(text).mid(at + 2, end - at - 2);
        out += QStringView(text).mid(from, at - from);
        if (name == u"target")
            out += encoded(target, encoding);
        else if (name == u"host")
            out += encoded(targetHost(target), encoding);
        else if (name == u"domain")
            out += encoded(targetDomain(target), encoding);
        else if (name == u"date")
            out += QDate::currentDate().toString(Qt::ISODate);
        else
            out += QStringView(text).mid(at, end - at + 1); // ${env:NAME}: for the request
        from = end + 1;
    }
    out += QStringView(text).mid(from);
    return out;
}

QString jsonEscaped(const QString &text)
{
    // Qt's JSON writer escapes the string; the array's brackets and the string's quotes are cut away.
    const QByteArray written = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(written.mid(2, written.size() - 4));
}

} // namespace engines
