#include "core/scan/EngineTable.h"
#include "core/scan/FetchPage.h"
#include "core/scan/ParseEngineData.h"
#include "emulator/EngineEmulator.h"
#include "emulator/EnginePages.h"

#include "../../support/TestText.h"
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTest>
#include <QThread>
#include <QTimer>

using testText::s;

using emulator::EngineEmulator;
using emulator::Mode;
using namespace scan;

namespace {
} // namespace

class TestScanFetch : public QObject
{
    Q_OBJECT

private:
    EngineEmulator *m_emu = nullptr;

    QString query(int engine, const QString &target) const { return m_emu->prefix(engine) + target; }

private slots:
    void init()
    {
        m_emu = new EngineEmulator(this);
        QVERIFY(m_emu->listen());
    }

    void cleanup()
    {
        // Nothing of a fetch outlives it: every connection the client opened is closed again.
        QTRY_COMPARE(m_emu->openConnections(), 0);
        delete m_emu;
        m_emu = nullptr;
    }

    void wholePages()
    {
        const QString target = s("http://www.example.com");
        m_emu->setCount(1, target, 12300);
        const QString page = FetchPage(query(1, target));
        QCOMPARE(page, QString::fromLatin1(emulator::enginePage(1, emulator::PageKind::Results, 12300, target,
                                                                m_emu->settings().padding)));
        QCOMPARE(ParseEngineData(page, 1), s("12,300"));
        // One GET with the agent "Mozilla", the query as given.
        const QByteArray head = m_emu->requestHeads().constLast();
        QVERIFY2(head.startsWith("GET /google/search?hl=en&ie=UTF-8&q=link:http://www.example.com HTTP/1.1"),
                 head.constData());
        QVERIFY(head.contains("\r\nUser-Agent: Mozilla\r\n"));
        QVERIFY(!head.contains("Cookie"));
        // No header of the program's own beyond the agent: no cache directives.
        QVERIFY2(!head.toLower().contains("pragma") && !head.toLower().contains("cache-control"),
                 head.constData());

        // A target's own "&", "#", "+" and blanks reach the engine as part of the target; non-ASCII text is
        // sent percent-encoded from UTF-8.
        const QString tricky = QString::fromUtf8("http://x.example/?a=1&b=2+3 c#top/bücher");
        m_emu->setCount(2, tricky, 4321);
        QCOMPARE(ParseEngineData(FetchPage(m_emu->prefix(2) + queryTarget(tricky)), 2), s("4,321"));
        QVERIFY2(
            m_emu->requestHeads().constLast().startsWith(
                "GET /altavista/web/results?q=link:http://x.example/?a=1%26b=2%2B3%20c%23top/b%C3%BCcher "),
            m_emu->requestHeads().constLast().constData());

        // Exact bodies: every byte 0x01-0xFF, a page shorter than one read, an empty body.
        QByteArray bytes;
        for (int i = 0; i < 600; ++i)
            bytes += char(1 + i % 255);
        m_emu->setPage(s("six-hundred"), bytes);
        QCOMPARE(FetchPage(query(2, s("six-hundred"))), QString::fromLatin1(bytes));
        m_emu->setPage(s("short"), "tiny page");
        QCOMPARE(FetchPage(query(2, s("short"))), s("tiny page"));
        m_emu->setPage(s("empty"), QByteArray());
        QCOMPARE(FetchPage(query(2, s("empty"))), QString());
    }

    void failuresGiveNothing()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString refused = s("http://127.0.0.1:%1/x").arg(closed.serverPort());
        closed.close();
        QCOMPARE(FetchPage(refused), QString());
        for (const char *bad :
             {"", "not a url", "127.0.0.1/google/search?q=link:x", "www.example.com", "ftp://127.0.0.1/",
              "file:///etc/passwd", "data:text/plain,hello", "http://"}) {
            QCOMPARE(FetchPage(s(bad)), QString());
        }
        QCOMPARE(m_emu->requestCount(), 0);
    }

    void statusRedirectAndProxy()
    {
        // An error status: the body is returned all the same.
        const QString target = s("http://error.example.com");
        QCOMPARE(ParseEngineData(FetchPage(query(5, target)), 5),
                 emulator::formatCount(5, m_emu->count(5, target)));
        // A redirect is followed to the page.
        const QString moved = s("http://redirect.example.com");
        QCOMPARE(ParseEngineData(FetchPage(query(3, moved)), 3),
                 emulator::formatCount(3, m_emu->count(3, moved)));
        // (Under load the network layer may resend a request on a fresh connection; the redirect is what
        // is checked here, one GET per fetch is checked in wholePages.)
        QVERIFY(m_emu->requestHeads().constLast().contains("emu-redirected=1"));
        // The environment names a proxy (see the test's environment); the fetch goes direct all the same.
        QVERIFY(!qEnvironmentVariableIsEmpty("http_proxy"));
        QVERIFY(!FetchPage(query(1, s("x"))).isEmpty());
    }

    void faultyServers()
    {
        const int full = int(emulator::enginePage(4, emulator::PageKind::Results, 0,
                                                  s("http://reset.example.com"), m_emu->settings().padding)
                                 .size());
        // A body that ends early: what was read comes back.
        const QString cut = FetchPage(query(4, s("http://reset.example.com")));
        QVERIFY2(cut.size() > 0 && cut.size() < full, qPrintable(QString::number(cut.size())));
        // Bytes that are not HTTP: no crash, nothing that looks like a page.
        QCOMPARE(ParseEngineData(FetchPage(query(1, s("http://garbage.example.com"))), 1), QString());

        FetchOptions options;
        options.idleTimeoutMs = 300;
        options.bodyLimit = 1024 * 1024;
        // A server that falls silent is given up after the idle time-out, with what it sent.
        QElapsedTimer clock;
        clock.start();
        const QString stalled = FetchPage(query(2, s("http://stall.example.com")), options);
        QCOMPARE(stalled.size(), 100);
        QVERIFY(clock.elapsed() < 20000);
        // A huge body is cut at the limit.
        m_emu->setHugeBodyBytes(64 * 1024 * 1024);
        QCOMPARE(FetchPage(query(6, s("http://huge.example.com")), options).size(), options.bodyLimit);
        // A total time-out ends a server that drips forever-slowly.
        options.totalTimeoutMs = 400;
        m_emu->setDripIntervalMs(100);
        const QString dripped = FetchPage(query(3, s("http://slow.example.com")), options);
        QVERIFY(dripped.size() > 0 && dripped.size() < full);
    }

    void eventLoopServedWhileDownloading()
    {
        m_emu->setDripIntervalMs(5);
        m_emu->setPadding(3000);
        // Events posted before the fetch are served while it downloads (the page arrives a drip at a time,
        // by the same event loop, so the fetch cannot end before they are served).
        bool fetching = true;
        int servedDuring = 0;
        for (int i = 0; i < 3; ++i)
            QTimer::singleShot(0, this, [&] { servedDuring += fetching ? 1 : 0; });
        const QString target = s("http://slow.example.com");
        const QString page = FetchPage(query(1, target));
        fetching = false;
        QCOMPARE(ParseEngineData(page, 1), emulator::formatCount(1, m_emu->count(1, target)));
        QCOMPARE(servedDuring, 3);
    }

    void largePagesArriveWhole()
    {
        // A page of megabytes is read a piece per pass of the event loop, also when all of it arrived while
        // this thread was busy: it comes back whole, byte for byte.
        emulator::EmulatorThread server;
        QByteArray big;
        for (int i = 0; big.size() < 3 * 1024 * 1024; ++i)
            big += "<p>line " + QByteArray::number(i) + "</p>\n";
        const QString target = s("http://big.example.com");
        server.emulator()->setPage(target, big);
        const QString address = server.emulator()->prefix(1) + target;
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy::NoProxy);
        PageDownload download(&manager, address, defaultFetchOptions());
        download.start();
        QThread::msleep(300); // the page arrives while nothing reads it
        QTRY_VERIFY(download.isFinished());
        QCOMPARE(download.body().size(), big.size());
        QVERIFY(download.body() == big);
        QCOMPARE(download.outcome().failure, FetchOutcome::Failure::None);
        QVERIFY(FetchPage(address).toLatin1() == big);
    }

    void asyncDownloadSignalsOnce()
    {
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy::NoProxy);
        int finished = 0;
        PageDownload bad(&manager, s("nonsense"), defaultFetchOptions());
        connect(&bad, &PageDownload::finished, this, [&finished] { ++finished; });
        bad.start();
        QCOMPARE(finished, 0); // never from inside start()
        QTRY_COMPARE(finished, 1);
        PageDownload good(&manager, query(1, s("a")), defaultFetchOptions());
        connect(&good, &PageDownload::finished, this, [&finished] { ++finished; });
        good.start();
        QTRY_COMPARE(finished, 2);
        QVERIFY(!good.page().isEmpty());
        good.abort(); // after the end: no second signal
        PageDownload stopped(&manager, query(1, s("http://stall.example.com")), defaultFetchOptions());
        connect(&stopped, &PageDownload::finished, this, [&finished] { ++finished; });
        stopped.start();
        QTRY_VERIFY(m_emu->requestCount() == 2);
        QTest::qWait(50);
        stopped.abort();
        QTRY_COMPARE(finished, 3);
        QTest::qWait(20);
        QCOMPARE(finished, 3);
    }
};

QTEST_GUILESS_MAIN(TestScanFetch)
#include "tst_scan_fetch.moc"
