#include "core/ini/IniLines.h"
#include "core/ini/TextFile.h"
#include "core/ini/modINI.h"
#include "core/ini/privateProfile.h"

#include "../../support/TestFiles.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace modINI;
using testFiles::read;

class TestIni : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_serial = 0;

    // A fresh file in the test folder holding bytes (no file at all for a null array).
    QString file(const QByteArray &bytes = QByteArray())
    {
        const QString path = m_dir.filePath(QStringLiteral("f%1.ini").arg(++m_serial));
        if (!bytes.isNull())
            testFiles::write(path, bytes);
        return path;
    }

    static QString s(const char *text) { return QString::fromLatin1(text); }

private slots:
    void lineSplitting()
    {
        QCOMPARE(textFile::splitLines(s("a\r\nb\rc\nd\r\n")), QStringList({s("a"), s("b"), s("c\nd")}));
        QCOMPARE(textFile::splitLines(s("a\r\n\r\nb")), QStringList({s("a"), QString(), s("b")}));
        QCOMPARE(textFile::splitLines(s("\r")), QStringList({QString()}));
        QVERIFY(textFile::splitLines(QString()).isEmpty());
    }

    void readMatching()
    {
        const QString f = file("[engines]\r\ngoogle=http://a?x=1&y=2\r\nMSN =spaced\r\nTeomaX=no\r\n"
                               "Empty=\r\n[Other]\r\nYahoo=other\r\n[Engines]\r\nAltavista=second\r\n");
        // Case-insensitive section and key; the value is everything after the first "=".
        QCOMPARE(ReadINI(s("Engines"), s("Google"), s("d"), f), s("http://a?x=1&y=2"));
        // A space before "=" or a longer key does not match.
        QCOMPARE(ReadINI(s("Engines"), s("MSN"), s("d"), f), s("d"));
        QCOMPARE(ReadINI(s("Engines"), s("Teoma"), s("d"), f), s("d"));
        // An empty value is a value, not the default.
        QCOMPARE(ReadINI(s("Engines"), s("Empty"), s("d"), f), QString());
        // The key search stops at the next header; the first of two equal headers wins.
        QCOMPARE(ReadINI(s("Engines"), s("Yahoo"), s("d"), f), s("d"));
        QCOMPARE(ReadINI(s("Engines"), s("Altavista"), s("d"), f), s("d"));
        QCOMPARE(ReadINI(s("Other"), s("Yahoo"), s("d"), f), s("other"));
        // Missing section, missing file, invalid names.
        QCOMPARE(ReadINI(s("None"), s("Google"), s("d"), f), s("d"));
        QCOMPARE(ReadINI(s("Engines"), s("Google"), s("d"), file()), s("d"));
        QCOMPARE(ReadINI(s("Eng=ines"), s("Google"), s("d"), f), s("d"));
        QCOMPARE(ReadINI(s("Engines"), s("Goo[gle"), s("d"), f), s("d"));
        QCOMPARE(ReadINI(s("Engines]"), s("Google"), s("d"), f), s("d"));
        // A header is matched by prefix: text after its "]" does not matter.
        QCOMPARE(ReadINI(s("S"), s("k"), s("d"), file("[S] ; note\r\nk=v\r\n")), s("v"));
        // A leading space stops a line from being a header or a key until a rewrite trims it.
        const QString spaced = file(" [S]\r\n  k=1  \r\n[T]\r\nx=1\r\n");
        QCOMPARE(ReadINI(s("S"), s("k"), s("d"), spaced), s("d"));
        WriteINI(s("T"), s("x"), s("2"), spaced);
        QCOMPARE(ReadINI(s("S"), s("k"), s("d"), spaced), s("1"));
        // Lines end at CR LF or a lone CR; a lone LF is part of the line.
        const QString endings = file("[S]\rk=a\nb\r\nm=c\r");
        QCOMPARE(ReadINI(s("S"), s("k"), s("d"), endings), s("a\nb"));
        QCOMPARE(ReadINI(s("S"), s("m"), s("d"), endings), s("c"));
    }

    void writeBytes()
    {
        const QByteArray engines = "[Engines]\r\nGoogle=a\r\nMSN=b\r\n";
        // An existing key: that line only is replaced.
        QString f = file(engines);
        WriteINI(s("Engines"), s("msn"), s("c"), f);
        QCOMPARE(read(f), QByteArray("\r\n[Engines]\r\nGoogle=a\r\nmsn=c\r\n"));
        // A new key in the last section: directly under the header, plus the empty slot of the failed search.
        f = file(engines);
        WriteINI(s("Engines"), s("Teoma"), s("t"), f);
        QCOMPARE(read(f), QByteArray("\r\n[Engines]\r\nTeoma=t\r\nGoogle=a\r\nMSN=b\r\n\r\n"));
        // A new key in a middle section: the search stops at the next header and adds nothing.
        f = file("[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
        WriteINI(s("A"), s("z"), s("3"), f);
        QCOMPARE(read(f), QByteArray("\r\n[A]\r\nz=3\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"));
        WriteINI(s("A"), s("w"), s("4"), f);
        QCOMPARE(read(f), QByteArray("\r\n[A]\r\nw=4\r\nz=3\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"));
        // A missing section: two empty lines, the header and the key at the end.
        f = file(engines);
        WriteINI(s("New"), s("k"), s("v"), f);
        QCOMPARE(read(f), QByteArray("\r\n[Engines]\r\nGoogle=a\r\nMSN=b\r\n\r\n\r\n[New]\r\nk=v\r\n"));
        QCOMPARE(ReadINI(s("New"), s("k"), s("d"), f), s("v"));
        // Spaces are trimmed, tabs are not; a line of spaces is written empty and dropped on the next load.
        f = file("[S]\r\n  a=1  \r\n\tb=2\t\r\n   \r\n");
        WriteINI(s("S"), s("c"), s("3"), f);
        QCOMPARE(read(f), QByteArray("\r\n[S]\r\nc=3\r\na=1\r\n\tb=2\t\r\n\r\n\r\n"));
        WriteINI(s("S"), s("c"), s("4"), f);
        QCOMPARE(read(f), QByteArray("\r\n[S]\r\nc=4\r\na=1\r\n\tb=2\t\r\n"));
        // Lines that are neither headers nor keys are kept; lone CRs become CR LF.
        f = file("; comment\r[S]\rnote\rk=1");
        WriteINI(s("S"), s("k"), s("2"), f);
        QCOMPARE(read(f), QByteArray("; comment\r\n\r\n[S]\r\nnote\r\nk=2\r\n"));
        // Nothing is created or written for a missing or blank file, or invalid names.
        f = file();
        WriteINI(s("S"), s("k"), s("v"), f);
        QVERIFY(!QFile::exists(f));
        f = file("\r\n\r\n");
        WriteINI(s("S"), s("k"), s("v"), f);
        QCOMPARE(read(f), QByteArray("\r\n\r\n"));
        f = file(engines);
        WriteINI(s("Engines"), s("a=b"), s("v"), f);
        WriteINI(s("[Engines"), s("a"), s("v"), f);
        QCOMPARE(read(f), engines);
    }

    void latin1RoundTrip()
    {
        QByteArray value;
        for (int b = 1; b <= 255; ++b) {
            if (b != '\r' && b != '\n')
                value += char(b);
        }
        const QString text = QString::fromLatin1(value);
        const QString f = file("[S]\r\n");
        WriteINI(s("S"), s("k"), text, f);
        QCOMPARE(ReadINI(s("S"), s("k"), QString(), f), text);
        const QByteArray expected = "\r\n[S]\r\nk=" + value + "\r\n\r\n"; // + the failed search's slot
        const QByteArray actual = read(f);
        qsizetype at = 0;
        while (at < qMin(actual.size(), expected.size()) && actual.at(at) == expected.at(at))
            ++at;
        QVERIFY2(actual == expected, qPrintable(QStringLiteral("bytes differ at %1 (%2 vs %3 bytes)")
                                                    .arg(at)
                                                    .arg(actual.size())
                                                    .arg(expected.size())));
        // Names with high bytes match themselves in any case.
        WriteINI(QString::fromLatin1("\xc4rger"), QString::fromLatin1("\xe9t\xe9"), s("1"), f);
        QCOMPARE(ReadINI(QString::fromLatin1("\xe4RGER"), QString::fromLatin1("\xc9T\xc9"), s("d"), f),
                 s("1"));
    }

    void lineEndsNeverReachTheFile()
    {
        // No name or value may hold a CR or LF: the writers refuse, and the file stays as it was.
        const QByteArray bytes = "\r\n[S]\r\nk=1\r\n";
        const QString f = file(bytes);
        QVERIFY(!WriteINI(s("S"), s("k"), s("5\r[MSN]"), f));
        QVERIFY(!WriteINI(s("S"), s("k"), s("5\n[MSN]"), f));
        QVERIFY(!WriteINI(s("S"), s("a\rb"), s("1"), f));
        QVERIFY(!WriteINI(s("S\nT"), s("k"), s("1"), f));
        QVERIFY(!privateProfile::WriteString(s("S"), s("k"), s("1\r\n[X]"), f));
        QVERIFY(!privateProfile::WriteString(s("S"), s("k\n"), s("1"), f));
        QVERIFY(!privateProfile::WriteSection(s("S\r"), QString(), f));
        QCOMPARE(read(f), bytes);
        QVERIFY(WriteINI(s("S"), s("k"), s("2"), f));
        QCOMPARE(ReadINI(s("S"), s("k"), QString(), f), s("2"));
    }

    void transactions()
    {
        // Writes inside a transaction are seen by later reads in it, and reach the disk together on commit.
        const QByteArray bytes = "\r\n[S]\r\nk=1\r\n";
        const QString f = file(bytes);
        const QString fresh = file();
        {
            textFile::Transaction transaction;
            QVERIFY(WriteINI(s("S"), s("k"), s("2"), f));
            QVERIFY(privateProfile::WriteString(s("T"), s("x"), s("y"), f));
            QVERIFY(privateProfile::WriteString(s("N"), s("a"), s("b"), fresh));
            QCOMPARE(ReadINI(s("S"), s("k"), QString(), f), s("2"));
            QCOMPARE(ReadINI(s("N"), s("a"), QString(), fresh), s("b"));
            QVERIFY(textFile::exists(fresh));
            QCOMPARE(read(f), bytes); // nothing on disk yet
            QVERIFY(!QFileInfo::exists(fresh));
        } // no commit: nothing written
        QCOMPARE(read(f), bytes);
        QVERIFY(!QFileInfo::exists(fresh));
        {
            textFile::Transaction transaction;
            QVERIFY(WriteINI(s("S"), s("k"), s("3"), f));
            QVERIFY(privateProfile::WriteString(s("T"), s("x"), s("y"), f));
            QVERIFY(transaction.commit());
        }
        QCOMPARE(read(f), QByteArray("\r\n[S]\r\nk=3\r\n[T]\r\nx=y\r\n"));
        // A commit that cannot write leaves the old file.
        const QByteArray now = read(f);
        {
            textFile::Transaction transaction;
            QVERIFY(WriteINI(s("S"), s("k"), QString(4000, u'x'), f));
            testFiles::FileSizeLimit limit(100);
            QVERIFY(!transaction.commit());
        }
        QCOMPARE(read(f), now);
    }

    void blankLinesCostNothing()
    {
        // Millions of blank lines are skipped without being made.
        const QString blank = file(QByteArray(4 * 1024 * 1024, '\r') + "[Engines]\r\nGoogle=G\r\n" +
                                   QByteArray(2 * 1024 * 1024, '\r'));
        QCOMPARE(ReadINI(s("Engines"), s("Google"), QString(), blank), s("G"));
    }

    void readSectionAndSections()
    {
        const QString f = file("[A]\r\n01-02-03=5\r\n12-31-02=7\r\n[Empty]\r\n[B]\r\nk=v\r\nn=m\r\n");
        QCOMPARE(ReadINISection(s("A"), s("d"), f), s("01-02-03=5\r\n12-31-02=7\r\n"));
        QCOMPARE(ReadINISection(s("b"), s("d"), f), s("k=v\r\nn=m"));
        QCOMPARE(ReadINISection(s("Empty"), s("d"), f), QString()); // just the loader's slot before [B]
        QCOMPARE(ReadINISection(s("Last"), s("d"), file("[Last]\r\n")), QString());
        QCOMPARE(ReadINISection(s("None"), s("d"), f), s("d"));
        QCOMPARE(ReadINISection(s("A]"), s("d"), f), s("d"));
        QCOMPARE(ReadINISection(s("A"), s("d"), file()), s("d"));

        QStringList names{s("untouched")};
        GetINISections(names, f);
        QCOMPARE(names, QStringList({s("A"), s("Empty"), s("B")}));
        names = QStringList{s("untouched")};
        GetINISections(names, file("no=header\r\n"));
        QCOMPARE(names, QStringList{s("untouched")});
        GetINISections(names, file());
        QCOMPARE(names, QStringList{s("untouched")});
        // A header without "]" names the rest of its line; text after "]" is not part of the name.
        GetINISections(names, file("[Open\r\nk=v\r\n[Closed] x\r\n[\r\n"));
        QCOMPARE(names, QStringList({s("Open"), s("Closed"), QString()}));
    }

    void bufferPrimitives()
    {
        IniLines lines;
        QVERIFY(LoadINIFile(lines, file("a\r\n[S]\r\nb\r\n")));
        QCOMPARE(lines.count(), 4);
        QCOMPARE(lines.at(2), QString());
        qint32 index = 0;
        // A failed search leaves index at the last non-empty slot and adds one empty slot.
        QVERIFY(!FindINILine(lines, index, s("zzz"), false));
        QCOMPARE(index, 4);
        QCOMPARE(lines.count(), 5);
        // A stop at a header is no match, and adds nothing.
        index = 0;
        QVERIFY(!FindINILine(lines, index, s("b"), true));
        QCOMPARE(index, 3);
        QCOMPARE(lines.count(), 5);
        // Starting past the end.
        index = 5;
        QVERIFY(!FindINILine(lines, index, s("a"), false));
        QCOMPARE(index, 0);
        QCOMPARE(lines.count(), 6);
        qint32 position = 0;
        InsertINILine(lines, s("end"), position);
        QCOMPARE(position, 7);
        position = 1;
        InsertINILine(lines, s("first"), position);
        QCOMPARE(lines.at(1), s("first"));
        QCOMPARE(lines.at(2), s("a"));
        QCOMPARE(lines.at(8), s("end"));
        QVERIFY(IsValidININame(QString()));
        QVERIFY(!IsValidININame(s("a]")));
        QVERIFY(!LoadINIFile(lines, file()));
        QCOMPARE(lines.count(), 0);
    }

    void failedRewriteKeepsFile()
    {
        const QByteArray original = "[S]\r\nk=" + QByteArray(5000, 'x') + "\r\n";
        const QString f = file(original);
        const QStringList before = testFiles::entries(m_dir.path());
        {
            testFiles::FileSizeLimit limit(2000); // the rewrite fails part-way, as on a full disk
            WriteINI(s("S"), s("n"), s("v"), f);
            QVERIFY(!privateProfile::WriteString(s("S"), s("n"), s("v"), f));
            QVERIFY(!privateProfile::WriteSection(s("S"), s("k=") + QString(3000, u'y'), f));
        }
        QCOMPARE(read(f), original);
        QCOMPARE(testFiles::entries(m_dir.path()), before); // no temporary file left behind
        // A folder in place of the file: nothing happens, nothing breaks.
        WriteINI(s("S"), s("k"), s("v"), m_dir.path());
        QVERIFY(!privateProfile::WriteString(s("S"), s("k"), s("v"), m_dir.path()));
    }

    void slotLimit()
    {
        // Exactly at the limit: a header (two slots) and 32,765 keys.
        QByteArray full = "[S]\r\n";
        for (int i = 0; i < MaxSlots - 2; ++i)
            full += "k" + QByteArray::number(i) + "=v\r\n";
        QString f = file(full);
        WriteINI(s("S"), s("k7"), s("changed"), f); // replacing a line keeps the count
        QCOMPARE(ReadINI(s("S"), s("k7"), s("d"), f), s("changed"));
        const QByteArray atLimit = read(f);
        WriteINI(s("S"), s("new"), s("v"), f); // one more slot would not fit: refused
        QCOMPARE(read(f), atLimit);
        QCOMPARE(ReadINI(s("S"), s("k32764"), s("d"), f), s("v"));

        // Beyond the limit: loading stops there, and no write may truncate the file.
        QByteArray beyond = full;
        for (int i = 0; i < 1000; ++i)
            beyond += "x" + QByteArray::number(i) + "=w\r\n";
        f = file(beyond);
        QCOMPARE(ReadINI(s("S"), s("k10"), s("d"), f), s("v"));
        QCOMPARE(ReadINI(s("S"), s("x500"), s("d"), f), s("d"));
        WriteINI(s("S"), s("k10"), s("changed"), f);
        QCOMPARE(read(f), beyond);
    }

    void privateProfileWriters()
    {
        // The file, the section and the key are created when missing.
        QString f = file();
        QVERIFY(privateProfile::WriteString(s("Engines"), s("Google"), s("g"), f));
        QCOMPARE(read(f), QByteArray("[Engines]\r\nGoogle=g\r\n"));
        QVERIFY(privateProfile::WriteString(s("Engines"), s("MSN"), s("m"), f));
        QVERIFY(privateProfile::WriteString(s("Other"), s("x"), s("1"), f));
        QCOMPARE(read(f), QByteArray("[Engines]\r\nGoogle=g\r\nMSN=m\r\n[Other]\r\nx=1\r\n"));
        // An existing key line is replaced by key=value whatever its spacing and case.
        f = file("\r\n[engines]\r\n  google = old \r\nMSN=m\r\n\r\n[Other]\r\nx=1\r\n");
        QVERIFY(privateProfile::WriteString(s("Engines"), s("Google"), s("new"), f));
        QVERIFY(privateProfile::WriteString(s("Engines"), s("Teoma"), s("t"), f));
        QCOMPARE(read(f),
                 QByteArray("\r\n[engines]\r\nGoogle=new\r\nMSN=m\r\nTeoma=t\r\n\r\n[Other]\r\nx=1\r\n"));
        QCOMPARE(ReadINI(s("Engines"), s("Google"), s("d"), f), s("new"));
        QCOMPARE(ReadINI(s("Engines"), s("Teoma"), s("d"), f), s("t"));

        // WriteSection with an empty body empties the section, keeps the others, appends a missing header.
        f = file("[Google]\r\n01-01-05=3\r\n12-31-04=2\r\n[MSN]\r\n01-01-05=1\r\n");
        QVERIFY(privateProfile::WriteSection(s("google"), QString(), f));
        QCOMPARE(read(f), QByteArray("[Google]\r\n[MSN]\r\n01-01-05=1\r\n"));
        QVERIFY(privateProfile::WriteSection(s("Teoma"), QString(), f));
        QCOMPARE(read(f), QByteArray("[Google]\r\n[MSN]\r\n01-01-05=1\r\n[Teoma]\r\n"));
        // WriteINI then finds the emptied and the new section.
        WriteINI(s("Teoma"), s("02-01-05"), s("9"), f);
        QCOMPARE(ReadINI(s("Teoma"), s("02-01-05"), s("d"), f), s("9"));
        QCOMPARE(ReadINISection(s("Google"), s("d"), f), QString());
        // A body replaces the old one; a missing file is created.
        f = file();
        QVERIFY(privateProfile::WriteSection(s("S"), s("a=1") + QChar(0) + s("b=2"), f));
        QCOMPARE(read(f), QByteArray("[S]\r\na=1\r\nb=2\r\n"));
        QVERIFY(privateProfile::WriteSection(s("S"), s("c=3"), f));
        QCOMPARE(read(f), QByteArray("[S]\r\nc=3\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestIni)
#include "tst_ini.moc"
