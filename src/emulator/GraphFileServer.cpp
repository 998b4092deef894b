#include "emulator/GraphFileServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

constexpr qint64 Piece = 256 * 1024;

// One answer, written as the socket takes it.
class Transfer : public QObject
{
public:
    Transfer(QTcpSocket *socket, const QString &path, qint64 from, qint64 stopAt, bool stall)
        : QObject(socket), m_socket(socket), m_file(path), m_stopAt(stopAt), m_stall(stall)
    {
        if (m_file.open(QIODevice::ReadOnly))
            m_file.seek(from);
        m_sent = 0;
        connect(socket, &QTcpSocket::bytesWritten, this, &Transfer::more);
        more();
    }

private:
    void more()
    {
        if (m_socket->bytesToWrite() > Piece)
            return;
        const qint64 room = m_stopAt < 0 ? Piece : std::min(Piece, m_stopAt - m_sent);
        const QByteArray piece = room > 0 ? m_file.read(room) : QByteArray();
        if (piece.isEmpty()) {
            disconnect(m_socket, nullptr, this, nullptr);
            if (m_stall)
                return;                     // the connection stays open, silent
            m_socket->disconnectFromHost(); // the end of the body, or a dropped connection
            return;
        }
        m_sent += piece.size();
        m_socket->write(piece);
    }

    QTcpSocket *m_socket;
    QFile m_file;
    qint64 m_stopAt;
    bool m_stall;
    qint64 m_sent = 0;
};

} // namespace

GraphFileServer::GraphFileServer(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &GraphFileServer::accept);
}

bool GraphFileServer::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 GraphFileServer::port() const
{
    return m_server->serverPort();
}

QString GraphFileServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void GraphFileServer::dropAfter(const QString &suffix, qint64 bytes, int times)
{
    m_drops.insert(suffix, {bytes, times});
}

void GraphFileServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            if (socket->property("answered").toBool())
                return;
            QByteArray head = socket->property("head").toByteArray() + socket->readAll();
            if (!head.contains("\r\n\r\n")) {
                socket->setProperty("head", head.size() < 16384 ? head : QByteArray());
                return;
            }
            socket->setProperty("answered", true);
            ++m_requests;
            const QList<QByteArray> first = head.left(head.indexOf("\r\n")).split(' ');
            const QString path = QString::fromLatin1(first.value(1)).section(u'?', 0, 0);
            const QString file = QDir(m_folder).filePath(path.mid(1));
            if (first.value(0) != "GET" || path.contains(QLatin1String("..")) || !QFileInfo(file).isFile()) {
                socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
                return;
            }
            const qint64 size = QFileInfo(file).size();
            static const QRegularExpression range(QStringLiteral("\r\nRange: bytes=(\\d+)-\r\n"),
                                                  QRegularExpression::CaseInsensitiveOption);
            const auto match = range.match(QString::fromLatin1(head));
            qint64 from = 0;
            if (match.hasMatch()) {
                ++m_rangeRequests;
                from = m_ignoreRange ? 0 : std::min(size, match.captured(1).toLongLong());
            }
            qint64 lie = 0, stopAt = -1;
            for (auto it = m_drops.begin(); it != m_drops.end(); ++it) {
                if (path.endsWith(it.key()) && it->second > 0) {
                    --it->second;
                    stopAt = std::max<qint64>(0, it->first - from);
                }
            }
            bool stall = false;
            for (auto it = m_stalls.cbegin(); it != m_stalls.cend(); ++it) {
                if (path.endsWith(it.key())) {
                    stopAt = std::max<qint64>(0, it.value() - from);
                    stall = true;
                }
            }
            for (auto it = m_lengthLie.cbegin(); it != m_lengthLie.cend(); ++it) {
                if (path.endsWith(it.key()))
                    lie = it.value();
            }
            QByteArray answer = from > 0 ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
            answer +=
                "Content-Type: application/octet-stream\r\nAccept-Ranges: bytes\r\nConnection: close\r\n";
            answer += "Content-Length: " + QByteArray::number(size - from + lie) + "\r\n";
            if (from > 0)
                answer += "Content-Range: bytes " + QByteArray::number(from) + '-' +
                          QByteArray::number(size - 1) + '/' + QByteArray::number(size + lie) + "\r\n";
            socket->write(answer + "\r\n");
            new Transfer(socket, file, from, stopAt, stall);
        });
    }
}
