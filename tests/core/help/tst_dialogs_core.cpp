#include "core/help/RtfReader.h"
#include "core/ini/ThresholdRule.h"
#include "core/ini/UserSettings.h"
#include "core/program/xfileExists.h"

#include "../../support/TestFiles.h"

#include "../../support/TestText.h"
#include <QTemporaryDir>
#include <QTest>

using testText::s;

namespace {

QStringList boxes(const ThresholdRule &rule)
{
    return {rule.text(0), rule.text(1), rule.text(2)};
}

void typeText(ThresholdRule &rule, int index, const char *text)
{
    for (const char *c = text; *c; ++c)
        rule.type(index, QChar::fromLatin1(*c));
}
} // namespace

class TestDialogsCore : public QObject
{
    Q_OBJECT

private slots:
    void thresholdRule()
    {
        ThresholdRule rule;
        QCOMPARE(boxes(rule), QStringList({s("500"), s("1000"), s("1000")}));
        // Typing 1500 into the emptied low box: nothing until the fourth digit, then medium and high 3000.
        rule.setText(0, QString());
        typeText(rule, 0, "150");
        QCOMPARE(boxes(rule), QStringList({s("150"), s("1000"), s("1000")}));
        rule.type(0, u'0');
        QCOMPARE(boxes(rule), QStringList({s("1500"), s("3000"), s("3000")}));
        // A letter after a number is taken away again.
        ThresholdRule letters;
        letters.setText(0, s("700"));
        letters.type(0, u'x');
        QCOMPARE(letters.text(0), s("700"));
        // Pasting 400 over the medium box while low is 500: low 399, high 400.
        ThresholdRule paste;
        paste.setText(1, s("400"));
        QCOMPARE(boxes(paste), QStringList({s("399"), s("400"), s("400")}));
        // Typing 400 into the emptied medium box: the first digit sets low to 3, and it stays.
        ThresholdRule typed;
        typed.setText(1, QString());
        typeText(typed, 1, "4");
        QCOMPARE(boxes(typed), QStringList({s("3"), s("4"), s("4")}));
        typeText(typed, 1, "00");
        QCOMPARE(boxes(typed), QStringList({s("3"), s("400"), s("400")}));
        // While one box is empty every character typed into another is taken away: each removal runs the
        // rule again, which fails again, until that box is empty too; later characters go at once.
        ThresholdRule empty;
        empty.setText(2, QString());
        typeText(empty, 0, "9");
        QCOMPARE(empty.text(0), QString());
        typeText(empty, 0, "7");
        QCOMPARE(empty.text(0), QString());
        QCOMPARE(empty.text(1), s("1000"));
        // The high box drives the medium one; a blank does nothing; a pasted text shrinks to a number.
        ThresholdRule high;
        high.setText(2, s("2000"));
        QCOMPARE(boxes(high), QStringList({s("500"), s("2000"), s("2000")}));
        high.setText(0, s(" "));
        QCOMPARE(high.text(0), s(" "));
        ThresholdRule pasted;
        pasted.setText(0, s("12abc"));
        QCOMPARE(pasted.text(0), s("12"));
        pasted.setText(0, s("99999999999")); // out of the 32-bit range
        QCOMPARE(pasted.text(0), s("999999999"));
        QCOMPARE(boxes(pasted), QStringList({s("999999999"), s("1999999998"), s("1999999998")}));
        // Doubling a large low threshold stays in the 32-bit range instead of being cut digit by digit.
        ThresholdRule huge;
        huge.setText(0, s("1500000000"));
        QCOMPARE(boxes(huge), QStringList({s("1500000000"), s("2147483647"), s("2147483647")}));
        ThresholdRule lowest;
        lowest.setText(1, s("-2147483648"));
        QCOMPARE(boxes(lowest), QStringList({s("-2147483648"), s("-2147483648"), s("-2147483648")}));
        // Thousands separators are numbers, as the scan reads them.
        ThresholdRule separated;
        separated.setText(0, s("700,000"));
        QCOMPARE(boxes(separated), QStringList({s("700,000"), s("1400000"), s("1400000")}));
        // Loading different stored medium and high values shows the high one in both.
        ThresholdRule loaded;
        loaded.setText(0, s("200"));
        loaded.setText(1, s("700"));
        loaded.setText(2, s("900"));
        QCOMPARE(boxes(loaded), QStringList({s("200"), s("900"), s("900")}));
        QVERIFY(loaded.runs() < 20);
    }

    void thresholdNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << s("700") << true << 700;
        QTest::newRow("separators") << s("700,000") << true << 700000;
        QTest::newRow("blanks") << s(" 42 ") << true << 42;
        QTest::newRow("fraction half to even") << s("2.5") << true << 2;
        QTest::newRow("negative") << s("-5") << true << -5;
        QTest::newRow("max") << s("2147483647") << true << 2147483647;
        QTest::newRow("over max") << s("2147483648") << false << 0;
        QTest::newRow("letters") << s("12abc") << false << 0;
        QTest::newRow("empty") << QString() << false << 0;
    }

    void thresholdNumbers()
    {
        // One rule for the dialog, the scan and the command line.
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int n = 0;
        QCOMPARE(UserSettings::thresholdNumber(text, &n), ok);
        if (ok)
            QCOMPARE(n, value);
        QTemporaryDir dir;
        UserSettings::useFolder(dir.path());
        UserSettings::setValue(UserSettings::TxtProfile0, text);
        QCOMPARE(UserSettings::lowThreshold(), ok ? value : 500);
        UserSettings::useFolder(QString());
    }

    void fileExists()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(s("Help.rtf"));
        testFiles::write(file, "{\\rtf1 x}");
        testFiles::write(dir.filePath(s(".hidden")), "x");
        QDir(dir.path()).mkdir(s("folder"));
        QVERIFY(xfileExists::FileExists(file));
        QVERIFY(xfileExists::FileExists(dir.filePath(s("HELP.RTF")))); // case-different name
        QVERIFY(!xfileExists::FileExists(dir.filePath(s("folder"))));
        QVERIFY(!xfileExists::FileExists(dir.filePath(s(".hidden"))));
        QVERIFY(!xfileExists::FileExists(dir.filePath(s("missing.rtf"))));
        QVERIFY(!xfileExists::FileExists(QString()));
        QVERIFY(!xfileExists::FileExists(dir.filePath(s("nowhere/Help.rtf"))));
        QVERIFY(xfileExists::FileExists(dir.path() + s("/folder/../Help.rtf")));
    }

    // RTF as LibreOffice, Word and WordPad write it (tests/data/rtf; the LibreOffice file is
    // `soffice --headless --convert-to rtf libreoffice-features.fodt`).
    void rtfFromRealWriters()
    {
        const auto read = [](const char *name) {
            QFile file(s(VANTORY_TEST_DATA "/rtf/") + QLatin1String(name));
            return file.open(QIODevice::ReadOnly) ? rtf::parse(file.readAll()) : rtf::Document();
        };
        const auto lines = [](const rtf::Document &doc) { return doc.plainText().split(u'\n'); };
        const QString u =
            QString::fromUtf8("\u201cdouble\u201d and \u2018single\u2019 \u2013 en dash \u2014 em dash, "
                              "100 \u20ac, wait\u2026");

        const rtf::Document office = read("libreoffice-features.rtf");
        QVERIFY(office.isRtf);
        const QStringList text = lines(office);
        QCOMPARE(text.value(0), s("Quotes ") + u);
        QCOMPARE(text.value(1), QString::fromUtf8("Čeština: Příliš žluťoučký kůň úpěl ďábelské ódy. Polski: "
                                                  "Zażółć gęślą jaźń."));
        QCOMPARE(text.value(2), QString::fromUtf8("Русский: Съешь же ещё этих мягких французских булок."));
        QCOMPARE(text.value(3), QString::fromUtf8("Ελληνικά: Καλημέρα κόσμε."));
        QCOMPARE(text.value(4), QString::fromUtf8("日本語: 日本語のテキストです。"));
        // Cells apart, rows as lines; list numbers and bullets kept; hidden text hidden; the note at the end.
        QCOMPARE(text.value(5), s("cell 1\tcell 2"));
        QCOMPARE(text.value(6), s("cell 3\tcell 4"));
        QCOMPARE(text.value(7), s(" 1.\tFirst step"));
        QCOMPARE(text.value(8), s(" 2.\tSecond step"));
        QCOMPARE(text.value(9), QString::fromUtf8(" •\tA point"));
        QCOMPARE(text.value(10), s("Shown and shown again."));
        QCOMPARE(text.value(11), s("A claim1 with a note."));
        QCOMPARE(text.value(12), s("The end."));
        QCOMPARE(text.value(13), QString(12, QChar(0x2015)));
        QCOMPARE(text.value(14), s("1\tThe footnote's text."));
        QCOMPARE(text.size(), 15);
        bool raised = false;
        for (const rtf::Run &run : office.paragraphs.at(11).runs)
            raised = raised || (run.text == s("1") && run.vertical == 1);
        QVERIFY(raised);

        // WordPad: the document's code page, and a NUL after the closing brace.
        QCOMPARE(lines(read("wordpad-cp1252.rtf")),
                 QStringList({QString::fromUtf8("“Quoted” – dash — 100 € and so on…"),
                              QString::fromUtf8("Café bold end")}));
        QCOMPARE(lines(read("wordpad-cp1251.rtf")),
                 QStringList({QString::fromUtf8("Съешь же ещё этих мягких французских булок.")}));

        // Word: each font's character set; \bin data skipped whatever bytes it holds; \* inside a group is no
        // destination mark.
        const QStringList word = lines(read("word-charsets.rtf"));
        QCOMPARE(
            word,
            QStringList({QString::fromUtf8("“Word” – 5 € …"), QString::fromUtf8("Příliš žluťoučký kůň"),
                         QString::fromUtf8("Съешь же ещё"), QString::fromUtf8("Καλημέρα κόσμε"),
                         QString::fromUtf8("日本語のテキスト"), s("one\ttwo"), s("three\tfour"),
                         QString::fromUtf8("•\tBulleted"), s("1.\tNumbered"), s("Shown again"), s("Claim1"),
                         s("Picafter"), s("star kept"), QString(12, QChar(0x2015)), s("1 The note.")}));
        QCOMPARE(read("word-charsets.rtf").fonts.value(4), QString::fromUtf8("ＭＳ 明朝"));
        // A double-byte character's second byte may come as it is; an unknown code page reads as
        // Windows-1252.
        QCOMPARE(
            rtf::parse("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 MS;}}\\f0 \\'83e\\'83L ok}").plainText(),
            QString::fromUtf8("テキ ok"));
        QCOMPARE(rtf::parse("{\\rtf1\\ansi\\ansicpg99999 \\'80}").plainText(), QString::fromUtf8("€"));
    }

    void rtfFeatures()
    {
        const rtf::Document doc = rtf::parse(
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
            "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
            "{\\stylesheet{\\s1 Heading;}}{\\info{\\title Secret}{\\author Someone}}{\\*\\unknowndest hidden}"
            "\\pard\\qc\\b\\fs32 Title\\b0\\par"
            "\\pard Plain {\\i italic} {\\ul under\\ulnone line} \\cf1 red\\cf0  {\\f1 mono}\\par\r\n"
            "caf\\'e9 \\u8364?euro \\{braces\\} back\\\\slash\\line next\\tab tab\\par\r\n"
            "{\\pict\\pngblip 89504e47}after picture}");
        QVERIFY(doc.isRtf);
        QCOMPARE(doc.fonts, QStringList({s("Arial"), s("Courier New")}));
        QCOMPARE(doc.colors.size(), 3);
        QVERIFY(doc.colors.at(0).automatic);
        QCOMPARE(doc.colors.at(1).red, 255);
        QCOMPARE(doc.colors.at(2).blue, 255);
        QCOMPARE(doc.paragraphs.size(), 4);
        const rtf::Paragraph &title = doc.paragraphs.at(0);
        QCOMPARE(title.alignment, rtf::Paragraph::Center);
        QCOMPARE(title.runs.first().text, s("Title"));
        QVERIFY(title.runs.first().bold);
        QCOMPARE(title.runs.first().halfPoints, 32);
        const rtf::Paragraph &second = doc.paragraphs.at(1);
        QCOMPARE(second.alignment, rtf::Paragraph::Left);
        QString italic, under, red, mono;
        for (const rtf::Run &run : second.runs) {
            if (run.italic)
                italic += run.text;
            if (run.underline)
                under += run.text;
            if (run.color == 1)
                red += run.text;
            if (run.font == 1)
                mono += run.text;
        }
        QCOMPARE(italic, s("italic"));
        QCOMPARE(under, s("under"));
        QVERIFY(red.startsWith(s("red")));
        QCOMPARE(mono, s("mono"));
        QCOMPARE(doc.paragraphs.at(2).runs.first().text,
                 QString::fromUtf8("café €euro {braces} back\\slash") + QChar(QChar::LineSeparator) +
                     s("next\ttab"));
        QCOMPARE(doc.paragraphs.at(3).runs.first().text, s("after picture"));
        // Nothing of the skipped destinations shows.
        QVERIFY(!doc.plainText().contains(s("Secret")));
        QVERIFY(!doc.plainText().contains(s("hidden")));
        QVERIFY(!doc.plainText().contains(s("Heading")));
        QVERIFY(!doc.plainText().contains(s("89504e47")));

        // What an office suite writes reads too.
        QFile fixture(s(VANTORY_TEST_DATA "/office.rtf"));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const rtf::Document office = rtf::parse(fixture.readAll());
        QVERIFY(office.isRtf);
        QVERIFY(office.plainText().contains(s("Vantory test document")));
        QVERIFY(office.plainText().contains(QString::fromUtf8("Ümlauts and € signs")));
        bool bold = false;
        for (const rtf::Paragraph &p : office.paragraphs) {
            for (const rtf::Run &run : p.runs)
                bold = bold || (run.bold && run.text.contains(s("bold")));
        }
        QVERIFY(bold);
        QVERIFY(!office.plainText().contains(s("\\")));

        // Damaged input: unbalanced groups, a cut escape, deep nesting, huge numbers. A document all the
        // same.
        for (const QByteArray &bad : {QByteArray("{\\rtf1 {{{ open"), QByteArray("}}} close {\\rtf1 x"),
                                      QByteArray("{\\rtf1 \\'4"), QByteArray(5000, '{') + "deep",
                                      QByteArray("{\\rtf1\\fs99999999999999 big\\u-99999999 \\uc99 x}"),
                                      QByteArray("plain text, no rtf"), QByteArray()}) {
            const rtf::Document d = rtf::parse(bad);
            QVERIFY(d.paragraphs.size() >= 1);
        }
        QCOMPARE(rtf::parse(QByteArray(5000, '{') + "deep").plainText(), s("deep"));
        QVERIFY(!rtf::parse("plain text, no rtf").isRtf);
    }
};

QTEST_GUILESS_MAIN(TestDialogsCore)
#include "tst_dialogs_core.moc"
