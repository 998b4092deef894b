#include "core/lists/UrlListFile.h"

#include "../../support/TestFiles.h"

#include "../../support/TestText.h"
#include <QTemporaryDir>
#include <QTest>

using testText::s;

using namespace urlList;

namespace {
} // namespace

class TestUrlList : public QObject
{
    Q_OBJECT

private slots:
    void files()
    {
        QTemporaryDir dir;
        const QString f = dir.filePath(s("list.txt"));
        testFiles::write(f, "http://a\r\nhttp://b\r\n   \r\n\r\nhttp://a\r\n");
        QStringList entries{s("kept")};
        QCOMPARE(loadFile(f, entries), LoadStatus::Ok);
        QCOMPARE(entries, QStringList({s("kept"), s("http://a"), s("http://b"), s("http://a")}));
        // Loading twice lists everything twice.
        QCOMPARE(loadFile(f, entries), LoadStatus::Ok);
        QCOMPARE(entries.size(), 7);
        // Lists written by Linux tools (LF), old Macs (CR) and mixtures: one entry per line, blanks and tabs
        // around an entry removed, blank lines skipped; an empty file adds nothing.
        testFiles::write(f, "http://a\nhttp://b\rc\n \t\n\thttp://d \r\n\n");
        entries.clear();
        QCOMPARE(loadFile(f, entries), LoadStatus::Ok);
        QCOMPARE(entries, QStringList({s("http://a"), s("http://b"), s("c"), s("http://d")}));
        testFiles::write(f, "");
        QCOMPARE(loadFile(f, entries), LoadStatus::Ok);
        QCOMPARE(entries.size(), 4);
        // An unreadable file: the list untouched.
        QCOMPARE(loadFile(dir.filePath(s("missing.txt")), entries), LoadStatus::Unreadable);
        QCOMPARE(loadFile(dir.path(), entries), LoadStatus::Unreadable);
        // A line over 64 KiB is no URL: the whole file is refused, and the message names it.
        testFiles::write(f, "http://a\n" + QByteArray(MaxLineLength + 1, 'x') + "\n");
        QCOMPARE(loadFile(f, entries), LoadStatus::LineTooLong);
        QCOMPARE(entries.size(), 4);
        QVERIFY(loadError(LoadStatus::LineTooLong, f).contains(f));
        testFiles::write(f, QByteArray(MaxLineLength, 'x'));
        QCOMPARE(loadFile(f, entries), LoadStatus::Ok);
        QCOMPARE(entries.size(), 5);

        // Saving: every entry + CR LF, as UTF-8; an empty list gives an empty file; nothing typed is lost.
        const QString out = dir.filePath(s("out.txt"));
        const QStringList unicode{s("http://a"), s("b"), QString::fromUtf8("http://例え.テスト"),
                                  QString::fromUtf8("http://bücher.example")};
        QVERIFY(saveFile(out, unicode));
        QCOMPARE(
            testFiles::read(out),
            QByteArray(
                "http://a\r\nb\r\nhttp://\xe4\xbe\x8b\xe3\x81\x88.\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\r\n"
                "http://b\xc3\xbc"
                "cher.example\r\n"));
        entries.clear();
        QCOMPARE(loadFile(out, entries), LoadStatus::Ok);
        QCOMPARE(entries, unicode);
        QVERIFY(saveFile(out, {}));
        QCOMPARE(testFiles::read(out), QByteArray());
        QVERIFY(!saveFile(dir.path(), {s("x")}));
        {
            testFiles::FileSizeLimit limit(4);
            QVERIFY(!saveFile(out, {s("http://too-long-for-the-limit")}));
        }
        QCOMPARE(testFiles::read(out), QByteArray());

        QCOMPARE(withTxtExtension(s("list")), s("list.txt"));
        QCOMPARE(withTxtExtension(s("LIST.TXT")), s("LIST.TXT"));
        QCOMPARE(withTxtExtension(s("list.csv")), s("list.csv.txt"));
        QCOMPARE(withTxtExtension(s("a.Txt")), s("a.Txt"));
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("entry");
        const QString buecher = QString::fromUtf8("http://bücher.example/€");
        QTest::newRow("utf-8") << QByteArray("http://b\xc3\xbc"
                                             "cher.example/\xe2\x82\xac\n")
                               << buecher;
        QTest::newRow("utf-8 with BOM") << QByteArray("\xef\xbb\xbfhttp://b\xc3\xbc"
                                                      "cher.example/\xe2\x82\xac\r\n")
                                        << buecher;
        QTest::newRow("windows-1252") << QByteArray("http://b\xfc"
                                                    "cher.example/\x80\r\n")
                                      << buecher;
        QTest::newRow("utf-16le BOM") << QByteArray::fromHex("fffe68007400740070003a002f002f006200fc00"
                                                             "63006800650072002e006500780061006d0070006c00"
                                                             "65002f00ac200d000a00")
                                      << buecher;
        QTest::newRow("utf-16be BOM")
            << QByteArray::fromHex("feff0068007400740070003a002f002f006200fc006300680065"
                                   "0072002e006500780061006d0070006c0065002f20ac")
            << buecher;
    }

    void encodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, entry);
        QStringList entries;
        QCOMPARE(entriesOfBytes(bytes, entries), LoadStatus::Ok);
        QCOMPARE(entries, QStringList{entry});
    }

    void clipboard()
    {
        QCOMPARE(normaliseClipboardEntry(s("example.com")), s("http://www.example.com"));
        QCOMPARE(normaliseClipboardEntry(s("www.example.com")), s("http://www.example.com"));
        QCOMPARE(normaliseClipboardEntry(s("HTTP://EXAMPLE.COM")), s("HTTP://EXAMPLE.COM"));
        QCOMPARE(normaliseClipboardEntry(s("see http://x")), s("see http://x"));
        QCOMPARE(normaliseClipboardEntry(s("https://secure.example.org")), s("https://secure.example.org"));
        QCOMPARE(normaliseClipboardEntry(s("HTTPS://x.org")), s("HTTPS://x.org"));
        QCOMPARE(normaliseClipboardEntry(s("WWW.x")), s("http://WWW.x"));
        // The X11 clipboard hands over LF text: ten URLs are ten entries.
        QCOMPARE(clipboardEntries(s("a.com\r\n\r\nwww.b.com\nc\n  \n\td.org \r")),
                 QStringList({s("http://www.a.com"), s("http://www.b.com"), s("http://www.c"),
                              s("http://www.d.org")}));
        QVERIFY(clipboardEntries(QString()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUrlList)
#include "tst_urllist.moc"
