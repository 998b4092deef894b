#include "core/scan/ProxyRotation.h"

#include "../../support/TestText.h"

#include <QTest>

using scan::ProxyRotation;
using testText::s;

// An engine's proxies in turn, dropped after blocks, and the engine's suspension.
class TestProxyRotation : public QObject
{
    Q_OBJECT

    static QNetworkProxy proxy(quint16 port, const char *password = "")
    {
        return QNetworkProxy(QNetworkProxy::HttpProxy, s("127.0.0.1"), port, s("u"),
                             QString::fromLatin1(password));
    }

private slots:
    void withoutProxies()
    {
        ProxyRotation rotation;
        QCOMPARE(rotation.next(), -1);
        QCOMPARE(rotation.proxy(-1).type(), QNetworkProxy::NoProxy);
        rotation.answered(-1, true);
        rotation.answered(-1, true);
        rotation.answered(-1, false); // a count ends the run of blocks
        rotation.answered(-1, true);
        rotation.answered(-1, true);
        QVERIFY(!rotation.suspended());
        rotation.answered(-1, true);
        QVERIFY(rotation.suspended());
        QVERIFY(rotation.dropped().isEmpty());
    }

    void inTurnDroppedThenSuspended()
    {
        ProxyRotation rotation({proxy(1, "secret"), proxy(2), proxy(3)});
        QCOMPARE(QList<int>({rotation.next(), rotation.next(), rotation.next(), rotation.next()}),
                 QList<int>({0, 1, 2, 0}));
        // Proxy 1 is blocked three times in a row: dropped, and passed over from then on.
        for (int i = 0; i < 3; ++i)
            rotation.answered(1, true);
        QCOMPARE(rotation.dropped(), QStringList{s("http://u@127.0.0.1:2")});
        QCOMPARE(QList<int>({rotation.next(), rotation.next(), rotation.next()}), QList<int>({2, 0, 2}));
        // An answer through it that was under way when it was dropped does not bring it back.
        rotation.answered(1, false);
        QCOMPARE(rotation.next(), 0);
        QCOMPARE(rotation.next(), 2);
        // Blocks through the others, a count between them: only a run of three counts.
        rotation.answered(0, true);
        rotation.answered(0, true);
        rotation.answered(0, false);
        rotation.answered(0, true);
        QVERIFY(!rotation.suspended());
        for (int i = 0; i < 3; ++i) {
            rotation.answered(0, true);
            rotation.answered(2, true);
        }
        QVERIFY(rotation.suspended());
        QCOMPARE(rotation.dropped().size(), 3);
        QVERIFY(!rotation.dropped().join(u' ').contains(s("secret"))); // reports never show a password
        QCOMPARE(rotation.next(), -1);
    }
};

QTEST_GUILESS_MAIN(TestProxyRotation)
#include "tst_proxy_rotation.moc"
