#include "core/scan/WebResults.h"

#include "core/net/URLEncode.h"
#include "core/scan/EngineTable.h"

namespace webResults {

QString logRowAddress(const QString &type, const QString &target, const QString &settingsIni,
                      const engines::EngineSet &set)
{
    if (type == QLatin1String("Home Page"))
        return target;
    if (const int engine = set.numberOfLogText(type))
        return scan::readPrefix(set.at(engine).key, settingsIni) + xurlEncode::URLEncode(target);
    return QString();
}

QUrl browserAddress(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return QUrl();
    static const QStringList Schemes{QStringLiteral("http"),  QStringLiteral("https"), QStringLiteral("file"),
                                     QStringLiteral("about"), QStringLiteral("data"),  QStringLiteral("ftp")};
    const QUrl url(text, QUrl::TolerantMode);
    if (url.isValid() && Schemes.contains(url.scheme().toLower()))
        return url;
    // "host:port/path" parses as the scheme "host": read it, like a bare host name, as an http address.
    return QUrl::fromUserInput(QStringLiteral("http://") + text);
}

} // namespace webResults
