#include "core/net/URLEncode.h"
#include "core/scan/EngineTable.h"
#include "core/scan/WebResults.h"

#include "../../support/TestFiles.h"

#include "../../support/TestText.h"
#include <QTemporaryDir>
#include <QTest>

using testText::s;

using xurlEncode::URLEncode;

namespace {
} // namespace

class TestWebCore : public QObject
{
    Q_OBJECT

private slots:
    void urlEncode()
    {
        QCOMPARE(URLEncode(s("http://www.example.com/a b")), s("http%3A%2F%2Fwww.example.com%2Fa%20b"));
        // "%" first, so an encoded blank is encoded again.
        QCOMPARE(URLEncode(s("a%20b")), s("a%2520b"));
        QCOMPARE(URLEncode(s(" <>#{}|\\^~[]`;/?:@=&$\n\r")),
                 s("%20%3C%3E%23%7B%7D%7C%5C%5E%7E%5B%5D%60%3B%2F%3F%3A%40%3D%26%24%0A%0D"));
        const QString kept = s("AZaz09.-_+,!'()*\"") + QString::fromUtf8("é€");
        QCOMPARE(URLEncode(kept), kept);
        QCOMPARE(URLEncode(QString()), QString());
    }

    void logRowAddresses()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(s("settings.ini"));
        testFiles::write(
            ini, "[Engines]\r\nGoogle=G?q=\r\nAltavista=A?q=\r\nYahoo=Y?p=\r\nTeoma=T?q=\r\nMSN=M?q=\r\n"
                 "ATW=W?q=\r\n");
        const QString target = s("http://www.example.com/a b");
        QCOMPARE(webResults::logRowAddress(s("Home Page"), target, ini), target); // unchanged
        QCOMPARE(webResults::logRowAddress(s("MSN"), target, ini),
                 s("M?q=http%3A%2F%2Fwww.example.com%2Fa%20b"));
        const QList<std::pair<const char *, const char *>> kinds{{"Google", "G?q="},
                                                                 {"AltaVista", "A?q="},
                                                                 {"Yahoo", "Y?p="},
                                                                 {"Teoma", "T?q="},
                                                                 {"AllTheWeb", "W?q="}};
        for (const auto &[type, prefix] : kinds)
            QCOMPARE(webResults::logRowAddress(s(type), s("x"), ini),
                     s(prefix) + s("x")); // no AllTheWeb suffix
        // Texts compared exactly.
        for (const char *other : {"msn", "Altavista", "All The Web", "Yahoo!", ""})
            QCOMPARE(webResults::logRowAddress(s(other), target, ini), QString());
        // The prefix is read every time.
        testFiles::write(ini, "[Engines]\r\nMSN=N?q=\r\n");
        QCOMPARE(webResults::logRowAddress(s("MSN"), s("x"), ini), s("N?q=x"));
        QCOMPARE(webResults::logRowAddress(s("Google"), s("x"), ini), s("x"));
    }

    void browserAddresses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("url");
        QTest::newRow("host and port") << s("localhost:8080/x") << s("http://localhost:8080/x");
        QTest::newRow("www and port") << s("www.example.net:8080") << s("http://www.example.net:8080");
        QTest::newRow("bare host") << s("example.org") << s("http://example.org");
        QTest::newRow("loopback and port") << s("127.0.0.1:9/p?q=1") << s("http://127.0.0.1:9/p?q=1");
        QTest::newRow("http kept") << s("http://a.example/b") << s("http://a.example/b");
        QTest::newRow("https kept") << s(" HTTPS://a.example/ ") << s("https://a.example/");
        QTest::newRow("about") << s("about:blank") << s("about:blank");
        QTest::newRow("file") << s("file:///tmp/x.html") << s("file:///tmp/x.html");
        QTest::newRow("empty") << s("  ") << QString();
    }

    void browserAddresses()
    {
        QFETCH(QString, typed);
        QFETCH(QString, url);
        QCOMPARE(webResults::browserAddress(typed).toString(), url);
    }
};

QTEST_GUILESS_MAIN(TestWebCore)
#include "tst_web_core.moc"
