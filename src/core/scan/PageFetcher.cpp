#include "core/scan/PageFetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>

namespace scan {

PageFetcher::PageFetcher(QObject *parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)), m_options(defaultFetchOptions())
{
    m_manager->setProxy(QNetworkProxy::NoProxy);
}

PageFetcher::~PageFetcher()
{
    // Downloads go before the manager whose replies they hold.
    const QList<PageDownload *> downloads = findChildren<PageDownload *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(downloads);
}

PageDownload *PageFetcher::fetch(const QString &url, const QString &requestBody)
{
    auto *download = new PageDownload(m_manager, url, m_options, this, requestBody);
    download->start();
    return download;
}

} // namespace scan
