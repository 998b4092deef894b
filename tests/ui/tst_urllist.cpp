#include "ui/UrlListFile.h"

#include "../support/TestFiles.h"

#include "../support/TestText.h"
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
        QVERIFY(loadFile(f, entries));
        QCOMPARE(entries, QStringList({s("kept"), s("http://a"), s("http://b"), s("   "), s("http://a")}));
        // Loading twice lists everything twice.
        QVERIFY(loadFile(f, entries));
        QCOMPARE(entries.size(), 9);
        // Lone LFs and CRs stay inside one entry; an empty file adds nothing.
        testFiles::write(f, "http://a\nhttp://b\rc");
        entries.clear();
        QVERIFY(loadFile(f, entries));
        QCOMPARE(entries, QStringList{s("http://a\nhttp://b\rc")});
        testFiles::write(f, "");
        QVERIFY(loadFile(f, entries));
        QCOMPARE(entries.size(), 1);
        // An unreadable file: false, the list untouched.
        QVERIFY(!loadFile(dir.filePath(s("missing.txt")), entries));
        QVERIFY(!loadFile(dir.path(), entries));
        QCOMPARE(entries.size(), 1);

        // Saving: every entry + CR LF; an empty list gives an empty file; Latin-1 bytes kept.
        const QString out = dir.filePath(s("out.txt"));
        QVERIFY(saveFile(out, {s("http://a"), s("b"), QString::fromLatin1("http://\xe9t\xe9")}));
        QCOMPARE(testFiles::read(out), QByteArray("http://a\r\nb\r\nhttp://\xe9t\xe9\r\n"));
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

    void clipboard()
    {
        QCOMPARE(normaliseClipboardEntry(s("example.com")), s("http://www.example.com"));
        QCOMPARE(normaliseClipboardEntry(s("www.example.com")), s("http://www.example.com"));
        QCOMPARE(normaliseClipboardEntry(s("HTTP://EXAMPLE.COM")), s("HTTP://EXAMPLE.COM"));
        QCOMPARE(normaliseClipboardEntry(s("see http://x")), s("see http://x"));
        QCOMPARE(normaliseClipboardEntry(s("https://example.com")), s("http://www.https://example.com"));
        QCOMPARE(normaliseClipboardEntry(s("WWW.x")), s("http://WWW.x"));
        QCOMPARE(normaliseClipboardEntry(s("  ")), s("http://www.  "));
        QCOMPARE(clipboardEntries(s("a.com\r\n\r\nwww.b.com\nc\r\n")),
                 QStringList({s("http://www.a.com"), s("http://www.b.com\nc")}));
        QVERIFY(clipboardEntries(QString()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUrlList)
#include "tst_urllist.moc"
