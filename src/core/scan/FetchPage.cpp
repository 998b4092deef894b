#include "core/scan/FetchPage.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>

namespace scan {

QString FetchPage(const QString &url)
{
    return FetchPage(url, defaultFetchOptions());
}

QString FetchPage(const QString &url, const FetchOptions &options)
{
    // A manager of its own for every fetch: no connection, cookie or cache survives the call.
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    PageDownload download(&manager, url, options);
    QEventLoop loop;
    QObject::connect(&download, &PageDownload::finished, &loop, &QEventLoop::quit);
    download.start();
    if (!download.isFinished())
        loop.exec();
    return download.page();
}

} // namespace scan
