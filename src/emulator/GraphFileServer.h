#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QTcpServer;

// A loopback HTTP server of web graph release files: GET of "/PATH" answers the file PATH under its folder
// with Content-Length, and a "Range: bytes=N-" request with 206 and Content-Range, streamed a piece at a time
// (any size, little memory). Faults for tests: a connection dropped after some bytes, Range ignored, a
// Content-Length that lies.
class GraphFileServer : public QObject
{
    Q_OBJECT

public:
    explicit GraphFileServer(const QString &folder, QObject *parent = nullptr);
    bool listen(quint16 port = 0);
    quint16 port() const;
    // "http://127.0.0.1:PORT"
    QString baseUrl() const;

    // The next `times` answers of a file whose path ends with suffix stop after `bytes` bytes of body.
    void dropAfter(const QString &suffix, qint64 bytes, int times = 1);
    // Answers of a file whose path ends with suffix stop after `bytes` bytes of body and keep the connection
    // open, sending nothing more (an import that hangs there, to be stopped or killed).
    void stallAfter(const QString &suffix, qint64 bytes) { m_stalls.insert(suffix, bytes); }
    // Range requests get the whole file with 200.
    void setIgnoreRange(bool ignore) { m_ignoreRange = ignore; }
    // Answers of a file whose path ends with suffix announce `extra` bytes more (or fewer) than they send.
    void setLengthLie(const QString &suffix, qint64 extra) { m_lengthLie.insert(suffix, extra); }
    int requests() const { return m_requests; }
    int rangeRequests() const { return m_rangeRequests; }

private:
    void accept();

    QString m_folder;
    QTcpServer *m_server;
    QHash<QString, std::pair<qint64, int>> m_drops;
    QHash<QString, qint64> m_lengthLie;
    QHash<QString, qint64> m_stalls;
    bool m_ignoreRange = false;
    int m_requests = 0;
    int m_rangeRequests = 0;
};
