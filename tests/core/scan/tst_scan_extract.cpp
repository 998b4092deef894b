#include "core/ini/modINI.h"
#include "core/scan/EngineTable.h"
#include "core/scan/ParseEngineData.h"
#include "emulator/EnginePages.h"

#include "../../support/TestFiles.h"

#include "../../support/TestText.h"
#include <QTemporaryDir>
#include <QTest>

using testText::s;

using namespace scan;

namespace {
} // namespace

class TestScanExtract : public QObject
{
    Q_OBJECT

private slots:
    void getBetween_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("past");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both found") << s("abc[12]def") << s("[") << s("]") << s("12");
        QTest::newRow("first occurrences") << s("a[1]b[2]") << s("[") << s("]") << s("1");
        QTest::newRow("past right after before") << s("x[]y") << s("[") << s("]") << QString();
        QTest::newRow("before missing drops len-1") << s("abcdef") << s("XY") << s("Z") << s("bcdef");
        QTest::newRow("before missing, past found") << s("abc]def") << s("XYZ") << s("]") << s("c");
        QTest::newRow("before longer than text") << s("ab") << s("XYZW") << s("Q") << s("ab");
        QTest::newRow("before one char missing") << s("abc") << s("X") << s("Q") << s("abc");
        QTest::newRow("past missing keeps rest") << s("abc[12") << s("[") << s("]") << s("12");
        QTest::newRow("past before the marker is not used") << s("]a[b]") << s("[") << s("]") << s("b");
        QTest::newRow("case-sensitive") << s("A[1]") << s("a[") << s("]") << s("[1");
        QTest::newRow("empty before") << s("ab]c") << QString() << s("]") << s("ab");
        QTest::newRow("empty past") << s("a[bc") << s("[") << QString() << QString();
        QTest::newRow("empty text") << QString() << s("[") << s("]") << QString();
    }

    void getBetween()
    {
        QFETCH(QString, text);
        QFETCH(QString, before);
        QFETCH(QString, past);
        QFETCH(QString, expected);
        QCOMPARE(GetBetween(text, before, past), expected);
    }

    void parseEngineData_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("expected");
        QTest::newRow("google about")
            << 1 << s("x</b> of about <b>12,300</b> linking to <b>u</b>") << s("12,300");
        QTest::newRow("google plain") << 1 << s("<b>7</b> of <b>7</b> linking to y") << s("7");
        QTest::newRow("google zero")
            << 1 << s("Your search - <b>link:u</b> - did not match any documents.  <br><br>") << s("0");
        QTest::newRow("google zero one space")
            << 1 << s("<b>u</b> - did not match any documents. <br><br>") << QString();
        QTest::newRow("google 11 chars") << 1 << s("</b> of <b>12345678901</b> linking to ") << QString();
        QTest::newRow("google 10 chars")
            << 1 << s("</b> of <b>99,999,999</b> linking to ") << s("99,999,999");
        // Big counts with separators are numbers, not leftovers: up to ten digits, any length.
        QTest::newRow("google 123,456,789")
            << 1 << s("</b> of about <b>123,456,789</b> linking to ") << s("123,456,789");
        QTest::newRow("msn 2,147,483,647")
            << 5 << s("1-10 of about 2,147,483,647 containing ") << s("2,147,483,647");
        QTest::newRow("altavista 11 digits")
            << 2 << s("AltaVista found 12,345,678,901 results</A>") << QString();
        QTest::newRow("yahoo leftover of digits and commas")
            << 3 << s("of about <strong>1,2,3,4,5,6x</strong>") << QString();
        QTest::newRow("teoma blanks are no separators")
            << 4 << s("1-10 of about 123 456 789:</span>") << QString();
        QTest::newRow("yahoo leading comma") << 3 << s("of about <strong>,123,456,789</strong>") << QString();
        QTest::newRow("google commas that group nothing")
            << 1 << s("x</b> of about <b>12,30,,,,,,,,,,,,,0</b> linking to <b>u</b>") << QString();
        QTest::newRow("atw mixed separators")
            << 6 << s("<span class=\"ofSoMany\">1 300,612,300</span>") << QString();
        QTest::newRow("msn groups of four")
            << 5 << s("1-10 of about 1234,5678,9012 containing ") << QString();
        QTest::newRow("atw 123 456 789")
            << 6 << s("<span class=\"ofSoMany\">123 456 789</span>") << s("123456789");
        QTest::newRow("google quotes kept") << 1 << s("</b> of <b>\"5\"</b> linking to ") << s("\"5\"");
        QTest::newRow("altavista") << 2 << s("AltaVista found 1,234 results</A>") << s("1,234");
        QTest::newRow("altavista case")
            << 2 << s("<p>Results: altavista found 1,234 results</A>") << QString();
        QTest::newRow("altavista zero")
            << 2 << s("<span class=m><span class=y>We found 0 results. </span>") << s("0");
        QTest::newRow("yahoo quotes replaced")
            << 3 << s("<div class=\"a\">of about <strong>4,321</strong></div>") << s("4,321");
        QTest::newRow("yahoo zero")
            << 3 << s("<big>We didn't find any Web pages matching the following criteria:<ul><li>x")
            << s("0");
        QTest::newRow("teoma") << 4 << s("<span class=\"c\">1-10 of about 88:</span>") << s("88");
        QTest::newRow("teoma zero")
            << 4 << s("<div class=\"noResultsLine\">We found no matches for your search <span class=\"t\">")
            << s("0");
        QTest::newRow("msn") << 5 << s("Page 1 of about 2,000 containing x") << s("2,000");
        QTest::newRow("msn zero") << 5
                                  << s("</td><td><span class=\"h1\">Sorry, no results were found containing "
                                       "<span class=\"h1 blue\">x</span>")
                                  << s("0");
        QTest::newRow("atw spaces dropped") << 6 << s("<span class=\"ofSoMany\">1 234</span>") << s("1234");
        QTest::newRow("atw big") << 6 << s("<span class=\"ofSoMany\">12 345 678</span>") << s("12345678");
        QTest::newRow("atw zero across a line feed")
            << 6 << s("<div class=\"noResults\"><p>No Web pages\nfound that match your query.</p>") << s("0");
        QTest::newRow("atw zero with a space")
            << 6 << s("<div class=\"noResults\"><p>No Web pages found that match your query.</p>")
            << QString();
        QTest::newRow("short leftover returned") << 2 << s("abc") << s("abc");
        QTest::newRow("empty page") << 3 << QString() << QString();
        QTest::newRow("engine 0") << 0 << s("AltaVista found 1 results</A>") << QString();
        QTest::newRow("engine 7") << 7 << s("AltaVista found 1 results</A>") << QString();
        QTest::newRow("engine -1") << -1 << s("x") << QString();
    }

    void parseEngineData()
    {
        QFETCH(int, engine);
        QFETCH(QString, page);
        QFETCH(QString, expected);
        QCOMPARE(ParseEngineData(page, engine), expected);
    }

    // The emulator's pages are what the scan tests rely on: each engine's results, no-results and
    // changed-layout page must read as a count, "0" and nothing, through the real markers.
    void emulatorPagesParse()
    {
        for (int engine = 1; engine <= EngineCount; ++engine) {
            for (const qint64 count : {qint64(3), qint64(42), qint64(1234), qint64(9876543)}) {
                const QString page = QString::fromLatin1(emulator::enginePage(
                    engine, emulator::PageKind::Results, count, s("http://a.b/?x=\"1\""), 4096));
                QString expected = emulator::formatCount(engine, count);
                if (engine == 6)
                    expected.remove(u' ');
                QCOMPARE(ParseEngineData(page, engine), expected);
            }
            const QString none = QString::fromLatin1(
                emulator::enginePage(engine, emulator::PageKind::NoResults, 0, s("http://a.b"), 512));
            QCOMPARE(ParseEngineData(none, engine), s("0"));
            const QString changed = QString::fromLatin1(
                emulator::enginePage(engine, emulator::PageKind::ChangedLayout, 77, s("http://a.b"), 512));
            QCOMPARE(ParseEngineData(changed, engine), QString());
        }
    }

    void engineTable()
    {
        QCOMPARE(engines::EngineSet::builtin().count(), 6);
        const QStringList keys{s("Google"), s("Altavista"), s("Yahoo"), s("Teoma"), s("MSN"), s("ATW")};
        const QStringList logs{s("Google"), s("AltaVista"), s("Yahoo"), s("Teoma"), s("MSN"), s("AllTheWeb")};
        const QStringList captions{s("Google"), s("Altavista"), s("Yahoo!"),
                                   s("Teoma"),  s("MSN"),       s("All The Web")};
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(engineKey(n), keys.at(n - 1));
            QCOMPARE(engineLogText(n), logs.at(n - 1));
            QCOMPARE(engineCaption(n), captions.at(n - 1));
            QVERIFY(defaultPrefix(n).startsWith(s("http://")));
        }
        QCOMPARE(engineStatusSuffix(3), s(" on Yahoo!"));
        QCOMPARE(engineStatusSuffix(6), s(" on All The Web"));
        QVERIFY(defaultPrefix(1).endsWith(s("/search?hl=en&ie=UTF-8&q=link:")));
        QVERIFY(defaultPrefix(4).endsWith(s("/search?q=links:")));
        QVERIFY(defaultPrefix(6).endsWith(s("/search?cat=web&cs=utf8&q=link:")));

        // The target is appended with its own "%", "&", "#", "+", blanks and control characters encoded, so
        // it stays one parameter; AllTheWeb alone gets its suffix, even without a prefix.
        QCOMPARE(queryUrl(defaultPrefix(1), 1, s("http://a b/?x=1&y=2+3#top%20\t")),
                 defaultPrefix(1) + s("http://a%20b/?x=1%26y=2%2B3%23top%2520%09"));
        QCOMPARE(queryUrl(s("p"), 1, QString::fromUtf8("http://例え.テスト/ü")),
                 QString::fromUtf8("phttp://例え.テスト/ü"));
        QCOMPARE(queryUrl(QString(), 6, s("u")), s("u&rys=0&_sb_lang=pref&ocjp=1"));
        QCOMPARE(queryUrl(s("p"), 5, s("u")), s("pu"));
    }

    void prefixesFromSettings()
    {
        QTemporaryDir dir;
        const QString ini = settingsFile(dir.path());
        QCOMPARE(ini, dir.filePath(s("settings.ini")));
        // No file, or no section Engines: six empty prefixes, the query is the target itself.
        QCOMPARE(queryUrlFromSettings(2, s("http://x"), ini), s("http://x"));
        testFiles::write(ini, "[Other]\r\nkeep=1\r\n[Engines]\r\nGoogle=G:\r\n");
        QCOMPARE(queryUrlFromSettings(1, s("t"), ini), s("G:t"));
        QCOMPARE(queryUrlFromSettings(3, s("t"), ini), s("t"));
        // The prefix is read again for every query.
        modINI::WriteINI(s("Engines"), s("Google"), s("H:"), ini);
        QCOMPARE(queryUrlFromSettings(1, s("t"), ini), s("H:t"));
        // Reset writes all six keys and keeps the other sections.
        QVERIFY(resetPrefixes(ini));
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(readPrefix(n, ini), defaultPrefix(n));
        QCOMPARE(modINI::ReadINI(s("Other"), s("keep"), s("d"), ini), s("1"));
        // The shipped settings.ini holds the six defaults.
        const QString shipped = s(VANTORY_SOURCE_DIR "/data/settings.ini");
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(readPrefix(n, shipped), defaultPrefix(n));
    }
};

QTEST_GUILESS_MAIN(TestScanExtract)
#include "tst_scan_extract.moc"
