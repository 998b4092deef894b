#include "emulator/ProxyServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>
#include <QtEndian>

namespace emulator {

// One client of the proxy: the handshake or the request, then bytes relayed both ways until either side
// closes.
class ProxyConnection : public QObject
{
public:
    ProxyConnection(ProxyServer *server, QTcpSocket *client)
        : QObject(server), m_server(server), m_client(client)
    {
        client->setParent(this);
        connect(client, &QTcpSocket::readyRead, this, &ProxyConnection::clientData);
        connect(client, &QTcpSocket::disconnected, this, &ProxyConnection::close);
    }

private:
    enum class State
    {
        Greeting,
        Credentials,
        Request,
        Relaying
    };

    void close()
    {
        if (m_closing)
            return;
        m_closing = true;
        if (m_upstream)
            m_upstream->disconnectFromHost();
        m_client->disconnectFromHost();
        deleteLater();
    }

    void reply(const QByteArray &bytes, bool thenClose)
    {
        m_client->write(bytes);
        if (thenClose) {
            m_client->flush();
            close();
        }
    }

    void openUpstream(const QString &host, quint16 port, const QByteArray &first)
    {
        m_upstream = new QTcpSocket(this);
        m_state = State::Relaying;
        connect(m_upstream, &QTcpSocket::connected, this, [this, first] {
            if (m_server->m_kind == ProxyServer::Kind::Socks5)
                m_client->write(QByteArray("\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x00", 10));
            m_server->m_requests.fetchAndAddRelaxed(1);
            m_upstream->write(first + m_in);
            m_in.clear();
        });
        connect(m_upstream, &QTcpSocket::readyRead, this, [this] { m_client->write(m_upstream->readAll()); });
        connect(m_upstream, &QTcpSocket::disconnected, this, [this] {
            m_client->write(m_upstream->readAll());
            m_client->flush();
            close();
        });
        connect(m_upstream, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
            if (m_server->m_kind == ProxyServer::Kind::Socks5 &&
                m_upstream->state() != QAbstractSocket::ConnectedState)
                m_client->write(QByteArray("\x05\x05\x00\x01\x00\x00\x00\x00\x00\x00", 10));
            else if (m_upstream->state() != QAbstractSocket::ConnectedState)
                m_client->write("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            m_client->flush();
            close();
        });
        m_upstream->connectToHost(host, port);
    }

    void clientData()
    {
        m_in += m_client->readAll();
        if (m_state == State::Relaying) {
            if (m_upstream && m_upstream->state() == QAbstractSocket::ConnectedState) {
                m_upstream->write(m_in);
                m_in.clear();
            }
            return;
        }
        if (m_server->m_kind == ProxyServer::Kind::Http)
            httpRequest();
        else
            socks();
    }

    void httpRequest()
    {
        const qsizetype end = m_in.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = m_in.left(end);
        m_in.remove(0, end + 4);
        QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        const QUrl url(QString::fromLatin1(requestLine.value(1)));
        if (requestLine.size() != 3 || !url.isValid() || url.host().isEmpty()) {
            reply("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", true);
            return;
        }
        QByteArray path = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
        if (path.isEmpty())
            path = "/";
        QByteArray forwarded = requestLine.at(0) + ' ' + path + " HTTP/1.1\r\n";
        bool authorised = m_server->m_user.isEmpty();
        const QByteArray expected =
            "Basic " + (m_server->m_user + u':' + m_server->m_password).toUtf8().toBase64();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const QByteArray lower = line.toLower();
            if (lower.startsWith("proxy-authorization:")) {
                authorised = authorised || line.mid(20).trimmed() == expected;
                continue;
            }
            if (lower.startsWith("proxy-connection:") || lower.startsWith("connection:"))
                continue;
            forwarded += line + "\r\n";
        }
        if (!authorised) {
            reply("HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"test\"\r\n"
                  "Content-Length: 0\r\nConnection: close\r\n\r\n",
                  true);
            return;
        }
        forwarded += "Connection: close\r\n\r\n";
        openUpstream(url.host(), quint16(url.port(80)), forwarded);
    }

    void socks()
    {
        if (m_state == State::Greeting) {
            if (m_in.size() < 2 || m_in.size() < 2 + quint8(m_in.at(1)))
                return;
            const QByteArray methods = m_in.mid(2, quint8(m_in.at(1)));
            m_in.remove(0, 2 + methods.size());
            const char wanted = m_server->m_user.isEmpty() ? '\x00' : '\x02';
            if (!methods.contains(wanted)) {
                reply(QByteArray("\x05\xff", 2), true);
                return;
            }
            m_client->write(QByteArray("\x05", 1) + wanted);
            m_state = wanted == '\x02' ? State::Credentials : State::Request;
        }
        if (m_state == State::Credentials) {
            if (m_in.size() < 2)
                return;
            const int userLength = quint8(m_in.at(1));
            if (m_in.size() < 3 + userLength ||
                m_in.size() < 3 + userLength + quint8(m_in.at(2 + userLength)))
                return;
            const QByteArray user = m_in.mid(2, userLength);
            const QByteArray password = m_in.mid(3 + userLength, quint8(m_in.at(2 + userLength)));
            m_in.remove(0, 3 + userLength + password.size());
            if (user != m_server->m_user.toUtf8() || password != m_server->m_password.toUtf8()) {
                reply(QByteArray("\x01\x01", 2), true);
                return;
            }
            m_client->write(QByteArray("\x01\x00", 2));
            m_state = State::Request;
        }
        if (m_state == State::Request) {
            if (m_in.size() < 5)
                return;
            const char type = m_in.at(3);
            const qsizetype addressLength = type == '\x01' ? 4 : type == '\x04' ? 16 : 1 + quint8(m_in.at(4));
            if (m_in.size() < 4 + addressLength + 2)
                return;
            QString host;
            if (type == '\x01')
                host = QHostAddress(qFromBigEndian<quint32>(m_in.constData() + 4)).toString();
            else if (type == '\x03')
                host = QString::fromLatin1(m_in.mid(5, addressLength - 1));
            else
                host = QHostAddress(reinterpret_cast<const quint8 *>(m_in.constData() + 4)).toString();
            const quint16 port = qFromBigEndian<quint16>(m_in.constData() + 4 + addressLength);
            const char command = m_in.at(1);
            m_in.remove(0, 4 + addressLength + 2);
            if (command != '\x01') {
                reply(QByteArray("\x05\x07\x00\x01\x00\x00\x00\x00\x00\x00", 10), true);
                return;
            }
            if (m_server->refusing()) {
                reply(QByteArray("\x05\x02\x00\x01\x00\x00\x00\x00\x00\x00", 10), true);
                return;
            }
            openUpstream(host, port, QByteArray());
        }
    }

    ProxyServer *m_server;
    QTcpSocket *m_client;
    QPointer<QTcpSocket> m_upstream;
    QByteArray m_in;
    State m_state = State::Greeting;
    bool m_closing = false;
};

ProxyServer::ProxyServer(Kind kind, QObject *parent) : QTcpServer(parent), m_kind(kind) {}

void ProxyServer::setCredentials(const QString &user, const QString &password)
{
    m_user = user;
    m_password = password;
}

QString ProxyServer::address() const
{
    const QString credentials = m_user.isEmpty() ? QString() : m_user + u':' + m_password + u'@';
    return (m_kind == Kind::Http ? QStringLiteral("http://") : QStringLiteral("socks5://")) + credentials +
           QStringLiteral("127.0.0.1:") + QString::number(serverPort());
}

void ProxyServer::incomingConnection(qintptr handle)
{
    auto *socket = new QTcpSocket;
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    new ProxyConnection(this, socket);
}

ProxyThread::ProxyThread(ProxyServer::Kind kind, const QString &user, const QString &password)
    : m_thread(new QThread)
{
    m_thread->setObjectName(QStringLiteral("test proxy"));
    m_thread->start();
    m_server = new ProxyServer(kind);
    m_server->setCredentials(user, password);
    m_server->moveToThread(m_thread);
    QMetaObject::invokeMethod(
        m_server,
        [this] {
            m_server->listen(QHostAddress::LocalHost);
            m_address = m_server->address();
        },
        Qt::BlockingQueuedConnection);
}

ProxyThread::~ProxyThread()
{
    QMetaObject::invokeMethod(
        m_server, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

QString deadProxyAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:") + QString::number(port);
}

} // namespace emulator
