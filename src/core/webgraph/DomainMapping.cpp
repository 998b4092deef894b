#include "core/webgraph/DomainMapping.h"

#include <QHostAddress>
#include <QUrl>

#include <libpsl.h>

#include <algorithm>

namespace webgraph {

namespace {

// The newest list there is: the one built into libpsl or the system's (Debian's publicsuffix), whichever
// is newer. Read once; the list is constant data.
const psl_ctx_t *suffixList()
{
    static const psl_ctx_t *const list = psl_latest(nullptr);
    return list;
}

// The registrable domain under the ICANN section only: one label more than the longest ICANN suffix.
QByteArray icannRegistrable(const QByteArray &host)
{
    qsizetype start = 0;
    QByteArray previous;
    for (;;) {
        const QByteArray suffix = host.mid(start);
        if (psl_is_public_suffix2(suffixList(), suffix.constData(), PSL_TYPE_ICANN))
            return previous;
        const qsizetype dot = host.indexOf('.', start);
        if (dot < 0)
            return QByteArray();
        previous = suffix;
        start = dot + 1;
    }
}

} // namespace

QString hostOf(const QString &url)
{
    const QUrl parsed = QUrl::fromUserInput(url.trimmed());
    QString host = parsed.host(QUrl::FullyEncoded).toLower();
    while (host.endsWith(u'.'))
        host.chop(1);
    if (host.isEmpty() || !QHostAddress(host).isNull() || host.startsWith(u'['))
        return QString();
    // Internationalized names in their ASCII form ("xn--bcher-kva.de").
    const QByteArray ace = QUrl::toAce(host);
    return ace.isEmpty() ? QString() : QString::fromLatin1(ace).toLower();
}

std::string reversed(const QString &host)
{
    QStringList labels = host.split(u'.');
    std::reverse(labels.begin(), labels.end());
    return labels.join(u'.').toStdString();
}

QString forward(const std::string &node)
{
    return QString::fromStdString(reversed(QString::fromStdString(node)));
}

QString registrableDomain(const QString &host)
{
    const QByteArray bytes = host.toLatin1();
    const char *found = psl_registrable_domain(suffixList(), bytes.constData());
    return found ? QString::fromLatin1(found) : QString();
}

std::vector<std::string> candidateNodes(const QString &url)
{
    std::vector<std::string> nodes;
    const QString host = hostOf(url);
    if (host.isEmpty())
        return nodes;
    const auto add = [&nodes](const QString &domain) {
        if (domain.isEmpty())
            return;
        const std::string node = reversed(domain);
        if (std::find(nodes.begin(), nodes.end(), node) == nodes.end())
            nodes.push_back(node);
    };
    add(registrableDomain(host));
    add(QString::fromLatin1(icannRegistrable(host.toLatin1())));
    add(host);
    return nodes;
}

} // namespace webgraph
