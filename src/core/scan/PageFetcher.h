#pragma once

#include "core/scan/PageDownload.h"

#include <QObject>

class QNetworkAccessManager;

namespace scan {

// The program's one network service for engine pages: one manager on a direct connection (no proxy, whatever
// the environment says), asynchronous downloads with the same request rules and limits as FetchPage.
class PageFetcher : public QObject
{
    Q_OBJECT

public:
    explicit PageFetcher(QObject *parent = nullptr);
    ~PageFetcher() override;

    void setOptions(const FetchOptions &options) { m_options = options; }
    const FetchOptions &options() const { return m_options; }

    // Starts a download owned by the fetcher. Connect to its finished() and delete it (deleteLater) after.
    // requestBody: what a POST sends.
    PageDownload *fetch(const QString &url, const QString &requestBody = QString());

private:
    QNetworkAccessManager *m_manager;
    FetchOptions m_options;
};

} // namespace scan
