#include "core/webgraph/ReleaseCatalog.h"

#include "core/webgraph/ReleaseIndex.h"
#include "core/webgraph/ReleaseStore.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace webgraph {

QString sourceOrDefault(const QString &stored)
{
    return stored.trimmed().isEmpty() ? QString::fromLatin1(DefaultSource) : stored.trimmed();
}

bool isAddress(const QString &source)
{
    return source.startsWith(QLatin1String("http://")) || source.startsWith(QLatin1String("https://"));
}

QString sourceProblem(const QString &typed)
{
    const QString source = typed.trimmed();
    if (source.isEmpty())
        return QString();
    if (isAddress(source)) {
        const QUrl url(source, QUrl::StrictMode);
        return url.isValid() && !url.host().isEmpty()
                   ? QString()
                   : QStringLiteral("\"%1\" is no web address (as https://data.commoncrawl.org/projects/"
                                    "hyperlinkgraph).")
                         .arg(source);
    }
    return QFileInfo(source).isDir() ? QString()
                                     : QStringLiteral("The web graph source must be an http or https address "
                                                      "or a folder that exists; \"%1\" is neither.")
                                           .arg(source);
}

QList<ImportedRelease> importedReleaseList(const QString &folder)
{
    QList<ImportedRelease> list;
    for (const QString &release : importedReleases(folder)) {
        const QString file = indexFile(folder, release);
        ReleaseIndex index;
        QString why;
        if (!index.open(file, &why))
            continue;
        ImportedRelease entry;
        entry.release = release;
        entry.date = releaseDate(release);
        entry.kept = index.domains();
        entry.limited = index.fact(QStringLiteral("limited")) == QLatin1String("yes");
        entry.domains =
            entry.limited ? index.fact(QStringLiteral("releaseDomains")).toULongLong() : entry.kept;
        entry.links = index.links();
        entry.diskBytes = QFileInfo(file).size();
        list.append(entry);
    }
    return list;
}

QString byteSize(qint64 bytes)
{
    return bytes >= 1000000000 ? QStringLiteral("%1 GB").arg(double(bytes) / 1e9, 0, 'f', 2)
                               : QStringLiteral("%1 MB").arg(double(bytes) / 1e6, 0, 'f', 1);
}

QString progressText(qint64 done, qint64 known, qint64 elapsedMs)
{
    const double seconds = std::max(0.001, double(elapsedMs) / 1000);
    const double rate = double(done) / seconds;
    if (known <= 0)
        return QStringLiteral("%1 read, %2/s").arg(byteSize(done), byteSize(qint64(rate)));
    QString text =
        QStringLiteral("%1 of %2, %3/s").arg(byteSize(done), byteSize(known), byteSize(qint64(rate)));
    if (rate > 0 && done > 0)
        text +=
            QStringLiteral(", about %1 s left").arg(qint64(double(std::max<qint64>(0, known - done)) / rate));
    return text;
}

QString importAdvice(const QString &message)
{
    const auto has = [&message](const char *text) { return message.contains(QLatin1String(text)); };
    if (has("Another import of"))
        return QStringLiteral("Wait until it has finished, then look again.");
    if (has("could not be downloaded") || has("the connection broke") || has("server resumed"))
        return QStringLiteral("Check the network connection and the source address (Options, Updates), then "
                              "import again: a download that broke resumes where it stopped.");
    if (has("HTTP 4") || has("The source has no") || has("cannot be read ("))
        return QStringLiteral(
            "The source does not have this release: choose another one, or check the source "
            "address (Options, Updates).");
    if (has("could not be written") || has("cannot be written") || has("cannot be made") ||
        has("is the disk full"))
        return QStringLiteral(
            "Free some disk space (a release needs about 17 bytes per domain for its index and "
            "some more while it is imported) or check that the folder can be written, then "
            "import again.");
    if (has(" at byte ") || has("gzip") || has("longer than the") || has("could not be downloaded whole"))
        return QStringLiteral("A file of the release arrived damaged or cut short. Import again (it is read "
                              "anew); if it fails the same way, the copy at the source is damaged.");
    if (has(" line "))
        return QStringLiteral(
            "The release's files are not in the published format, so this release cannot be "
            "imported. Nothing was changed.");
    return QString();
}

OfferedReleases::OfferedReleases(QObject *parent) : QObject(parent) {}

OfferedReleases::~OfferedReleases()
{
    // An answer stopped now says nothing more (its end would reach an object half gone).
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void OfferedReleases::ask(const QString &source)
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
    if (!isAddress(source)) {
        QStringList offered;
        for (const QString &name :
             QDir(source).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed)) {
            if (isReleaseName(name) && QFileInfo::exists(QDir(source).filePath(releaseFiles(name).first())))
                offered.append(name);
        }
        std::stable_sort(offered.begin(), offered.end(),
                         [](const QString &a, const QString &b) { return releaseDate(a) > releaseDate(b); });
        const QString problem =
            QDir(source).exists() ? QString() : QStringLiteral("the folder %1 does not exist").arg(source);
        QTimer::singleShot(0, this, [this, offered, problem] { emit listed(offered, problem); });
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    const QString list = source == QLatin1String(DefaultSource)
                             ? QString::fromLatin1(ReleaseList)
                             : source + (source.endsWith(u'/') ? QString() : QStringLiteral("/")) +
                                   QStringLiteral("graphinfo.json");
    QNetworkRequest request{QUrl(list)};
    request.setTransferTimeout(30000);
    m_reply = m_network->get(request);
    QNetworkReply *reply = m_reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const QStringList offered = releasesOfList(reply->read(16 << 20));
        const QString problem = !offered.isEmpty() ? QString()
                                : reply->error() != QNetworkReply::NoError
                                    ? reply->errorString()
                                    : QStringLiteral("the list could not be read");
        emit listed(offered, problem);
    });
}

} // namespace webgraph
