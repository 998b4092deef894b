#include "core/engines/EngineProbe.h"
#include "core/engines/EngineSet.h"
#include "core/ini/UserSettings.h"
#include "core/ini/modINI.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/ChartData.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/EngineTable.h"
#include "core/scan/KeptPagesReread.h"
#include "core/scan/ParseEngineData.h"
#include "core/scan/ResultsExport.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"
#include "emulator/EngineEmulator.h"
#include "emulator/EnginePages.h"

#include "../../support/TestFiles.h"
#include "../../support/TestText.h"

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <optional>

using testText::s;

namespace {

// Three engines beside the shipped six, one of each kind, against the emulator's UTF-8 and JSON pages.
QByteArray sevenMoreText()
{
    return QByteArrayLiteral("\n[Suche]\nKey=Suche\nHeader=Suche\nCountBefore=\"Ungef\xc3\xa4hr \"\n"
                             "CountAfter=\" Ergebnisse f\xc3\xbcr\"\nZeroPhrase=Keine Ergebnisse f\xc3\xbcr\n"
                             "Separators=.\n"
                             "\n[Regex]\nKey=Regex\nHeader=Regex Engine\nLogText=Regex\n"
                             "Expression=of about <b>([\\d,]+)</b> linking\n"
                             "\n[Api]\nKey=Api\nHeader=Api\nJsonPointer=/total\n"
                             "RequestHeader1=X-Api-Key: ${env:VANTORY_TEST_API_KEY}\n");
}

QByteArray shippedText()
{
    QFile file(QStringLiteral(":/vantory/engines.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestEngines : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    emulator::EngineEmulator *m_emu = nullptr;

    // Scans urls through the engines of results, their addresses read from settingsIni: the request heads
    // the emulator received meanwhile, or nothing when the run did not start or end.
    std::optional<QList<QByteArray>> scanned(scan::ResultsModel &results, const QString &settingsIni,
                                             const QStringList &urls)
    {
        scan::WebLogModel log;
        scan::ScanRun run(&results, &log);
        run.setSettingsFile(settingsIni);
        QSignalSpy finished(&run, &scan::ScanRun::finished);
        const qsizetype before = m_emu->requestHeads().size();
        if (!run.start(urls) || !finished.wait(20000))
            return std::nullopt;
        return m_emu->requestHeads().mid(before);
    }

    QString ini() const { return m_dir.filePath(s("settings.ini")); }

private slots:
    void initTestCase()
    {
        UserSettings::useFolder(m_dir.filePath(s("store")));
        programFolder::setPath(m_dir.path());
        m_emu = new emulator::EngineEmulator(this);
        QVERIFY(m_emu->listen());
        QVERIFY(m_emu->writeSettingsIni(ini()));
        QVERIFY(modINI::WriteINI(s("Engines"), s("Suche"), m_emu->prefix(emulator::UnicodeStyle), ini()));
        // The regular-expression engine reads Google's pages.
        QVERIFY(modINI::WriteINI(s("Engines"), s("Regex"), m_emu->prefix(1), ini()));
        QVERIFY(modINI::WriteINI(s("Engines"), s("Api"), m_emu->prefix(emulator::JsonStyle), ini()));
        qputenv("VANTORY_TEST_API_KEY", "secret-1");
        UserSettings::setValue(UserSettings::FetchRetries, s("0"));
    }

    // The shipped definitions are the six engines as they always were, and the file keeps them when it is
    // written back.
    void shippedDefinitions()
    {
        const engines::EngineSet &six = engines::EngineSet::builtin();
        QCOMPARE(six.count(), 6);
        QCOMPARE(six.keys(),
                 QStringList({s("Google"), s("Altavista"), s("Yahoo"), s("Teoma"), s("MSN"), s("ATW")}));
        QCOMPARE(six.headers(), QStringList({s("Google"), s("Altavista"), s("Yahoo!"), s("Teoma"), s("MSN"),
                                             s("All The Web")}));
        QCOMPARE(six.at(6).suffix, s("&rys=0&_sb_lang=pref&ocjp=1"));
        QCOMPARE(six.at(1).countBefore, s("</b> of "));
        QCOMPARE(six.at(1).checkAfter, s(".  <br><br>"));
        QCOMPARE(six.at(6).checkRemove, QStringList{s("\n")});
        QVERIFY(six.at(5).keepSeparators && !six.at(1).keepSeparators);
        QVERIFY(six.at(3).replaceQuotes && !six.at(2).replaceQuotes);
        QCOMPARE(six.at(4).statusSuffix, s(" on Teoma"));
        // The installed defaults are the built-in file.
        QCOMPARE(testFiles::read(QStringLiteral(VANTORY_SOURCE_DIR "/data/engines.ini")), shippedText());
        // Written and read again: the same definitions, spaces, quotes and line feeds included.
        const engines::LoadResult again = engines::parse(engines::format(six.definitions()), s("x.ini"));
        QVERIFY2(again.messages.isEmpty(), qPrintable(again.messages.join(u'\n')));
        QCOMPARE(engines::format(again.all), engines::format(six.definitions()));
        QCOMPARE(again.set.at(2).countAfter, s(" results</A>"));
        QCOMPARE(again.set.at(6).checkRemove, QStringList{s("\n")});
        engines::Definition odd = six.at(1);
        odd.countBefore = s("\"quoted\"");
        odd.countAfter = s(" a\\b\tc ");
        odd.zeroPhrase = QString::fromUtf8("Ungefähr – 例");
        const engines::LoadResult oddAgain = engines::parse(engines::format({odd}), s("x.ini"));
        QCOMPARE(oddAgain.all.size(), 1);
        QCOMPARE(oddAgain.all.first().countBefore, odd.countBefore);
        QCOMPARE(oddAgain.all.first().countAfter, odd.countAfter);
        QCOMPARE(oddAgain.all.first().zeroPhrase, odd.zeroPhrase);
    }

    // Expressions, JSON pointers, UTF-8 markers, zero phrases without check markers, the blank rules.
    void extraction()
    {
        const engines::LoadResult more = engines::parse(sevenMoreText(), s("e.ini"));
        QVERIFY2(more.messages.isEmpty(), qPrintable(more.messages.join(u'\n')));
        const engines::EngineSet &set = more.set;
        QCOMPARE(set.count(), 3);
        QCOMPARE(set.at(3).kindWord(), s("json"));
        QCOMPARE(set.at(2).kindWord(), s("expression"));

        // Non-ASCII markers match a UTF-8 page; the count's dots are its thousands separators.
        const QString utf8Page = QString::fromLatin1(emulator::enginePage(
            emulator::UnicodeStyle, emulator::PageKind::Results, 1234567, s("http://a"), 300));
        engines::Extraction x = engines::extract(set.at(1), utf8Page);
        QCOMPARE(x.count, s("1.234.567"));
        QCOMPARE(engines::cellText(set.at(1), x.count), s("1234567"));
        QVERIFY(x.countBefore.found() && x.countAfter.found());
        QCOMPARE(engines::pageText(set.at(1), utf8Page).mid(x.countText.start, x.countText.length),
                 s("1.234.567"));
        const QString none = QString::fromLatin1(emulator::enginePage(
            emulator::UnicodeStyle, emulator::PageKind::NoResults, 0, s("http://a"), 300));
        x = engines::extract(set.at(1), none);
        QCOMPARE(x.count, s("0"));
        QVERIFY(x.zero && x.zeroText.found());
        // The same page in Latin-1 holds the same text: it matches too; a page in neither does not.
        const QByteArray latin1 = QString::fromUtf8(utf8Page.toLatin1()).toLatin1();
        QCOMPARE(engines::extract(set.at(1), QString::fromLatin1(latin1)).count, s("1.234.567"));
        QCOMPARE(engines::extract(set.at(1), QString(utf8Page).replace(QChar(0xc3), u'?')).count, QString());

        // The expression's capture, with the ten-character rule of all counts.
        x = engines::extract(set.at(2), s("x of about <b>12,300</b> linking to"));
        QCOMPARE(x.count, s("12,300"));
        QCOMPARE(x.countText.start, qsizetype(14));
        QCOMPARE(engines::extract(set.at(2), s("of about <b>1234567890123</b> linking")).count, QString());
        QVERIFY(!engines::extract(set.at(2), s("nothing")).note.isEmpty());

        // JSON: a number at any depth, ~1 for "/", a string count, anything else no count.
        engines::Definition json = set.at(3);
        QCOMPARE(engines::extract(json, s("{\"total\": 98765432101}")).count, s("98765432101"));
        QCOMPARE(engines::extract(json, s("{\"total\": 0, \"items\": []}")).count, s("0"));
        QCOMPARE(engines::extract(json, s("{\"total\": \"1,234\"}")).count, s("1,234"));
        QCOMPARE(engines::extract(json, s("{\"total\": null}")).count, QString());
        QCOMPARE(engines::extract(json, s("{\"sum\": 5}")).count, QString());
        QVERIFY(engines::extract(json, s("<html>")).note.contains(s("no JSON")));
        json.jsonPointer = s("/results/1/a~1b");
        QCOMPARE(engines::extract(json, s("{\"results\": [{}, {\"a/b\": 42}]}")).count, s("42"));
        // "~01" is "~1" as text: "~1" is read before "~0" would make it "/".
        json.jsonPointer = s("/a~01b");
        QCOMPARE(engines::extract(json, s("{\"a~1b\": 7, \"a/b\": 8}")).count, s("7"));
        json.jsonPointer = s("/results/01/a~1b"); // no leading zeros in an index
        QCOMPARE(engines::extract(json, s("{\"results\": [{}, {\"a/b\": 42}]}")).count, QString());

        // Blanks: kept, removed, or zeros (the spelling of old AllTheWeb pages).
        engines::Definition blanks = engines::EngineSet::builtin().at(6);
        const QString page = s("<span class='ofSoMany'>1 234</span>");
        QCOMPARE(engines::extract(blanks, page).count, s("1234"));
        blanks.spaces = engines::SpaceRule::Zeros;
        QCOMPARE(engines::extract(blanks, page).count, s("10234"));
        blanks.spaces = engines::SpaceRule::Keep;
        QCOMPARE(engines::extract(blanks, page).count, s("1 234"));
        // A definition without a zero phrase never reads a zero, even when its check text is empty.
        engines::Definition noZero = engines::EngineSet::builtin().at(1);
        noZero.zeroPhrase.clear();
        noZero.checkBefore = s("[");
        noZero.checkAfter = s("]");
        QCOMPARE(engines::extract(noZero, s("<html><body>[]</body></html>")).count, QString());
        // The shipped definitions give what ParseEngineData gives, on every page style of the emulator.
        for (int engine = 1; engine <= 6; ++engine) {
            for (auto kind : {emulator::PageKind::Results, emulator::PageKind::NoResults,
                              emulator::PageKind::ChangedLayout}) {
                const QString p =
                    QString::fromLatin1(emulator::enginePage(engine, kind, 4321, s("http://q"), 100));
                QCOMPARE(engines::extract(engines::EngineSet::builtin().at(engine), p).count,
                         scan::ParseEngineData(p, engine));
            }
        }
    }

    // One rule for every kind: a count is a whole number of 1 to 18 digits. Anything else between the
    // markers, at the pointer or in the capture is shown but is no count.
    void countRule()
    {
        const engines::EngineSet set = engines::parse(sevenMoreText(), s("e.ini")).set;
        const engines::Definition &json = set.at(3);
        auto judge = [](const engines::Definition &d, const QString &page) {
            const engines::Extraction x = engines::extract(d, page);
            scan::FetchOutcome ok;
            ok.failure = scan::FetchOutcome::Failure::None;
            ok.httpStatus = 200;
            return std::make_pair(
                x.count,
                scan::statusWord(
                    scan::classifyCell(ok, page, engines::judgedText(d, x.count), false, x.located).status));
        };
        using P = std::pair<QString, QString>;
        QCOMPARE(judge(json, s("{\"total\": 999999999999999999}")), P(s("999999999999999999"), s("ok")));
        QCOMPARE(judge(json, s("{\"total\": 1000000000000000000}")), P(QString(), s("layout")));
        QCOMPARE(judge(json, s("{\"total\": 123456789012345678901234567890}")), P(QString(), s("layout")));
        QCOMPARE(judge(json, s("{\"total\": 1.5e300}")), P(QString(), s("layout")));
        QCOMPARE(judge(json, s("{\"total\": 2.5}")), P(QString(), s("layout")));
        QCOMPARE(judge(json, s("{\"total\": -5}")), P(QString(), s("layout")));
        QCOMPARE(judge(json, s("{\"total\": 1e3}")), P(s("1000"), s("ok")));
        QCOMPARE(judge(json, s("{\"total\": \"-5\"}")), P(s("-5"), s("layout")));
        QVERIFY(engines::extract(json, s("{\"total\": 1.5e300}")).note.contains(s("18 digits")));
        const engines::Definition &regex = set.at(2);
        QCOMPARE(judge(regex, s("of about <b>1,234,567,890</b> linking")), P(s("1,234,567,890"), s("ok")));
        QCOMPARE(judge(regex, s("of about <b>12,345,678,901</b> linking")), P(QString(), s("layout")));
        QCOMPARE(judge(json, s("{\"total\": \"12,345,678,901\"}")), P(QString(), s("layout")));
        const engines::Definition &google = engines::EngineSet::builtin().at(1);
        QCOMPARE(judge(google, s("</b> of <b>-5</b> linking to ")), P(s("-5"), s("layout")));
        QCOMPARE(judge(google, s("</b> of <b>1e5</b> linking to ")), P(s("1e5"), s("layout")));
        QCOMPARE(judge(google, s("</b> of <b>12,300</b> linking to ")), P(s("12,300"), s("ok")));
        qint64 value = 0;
        QVERIFY(scan::isCountText(s("10 234"), &value) && value == 10234);
        QVERIFY(!scan::isCountText(s(",5")) && !scan::isCountText(QString()) && !scan::isCountText(s("5.0")));
    }

    // The HTTP status decides first: an error answer is blocked or an error page whatever its body's length,
    // unless the engine's count stands on it where the definition says.
    void errorStatusDecidesFirst_data()
    {
        QTest::addColumn<int>("http");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("status");
        QTest::newRow("429 short text") << 429 << QByteArray("Too Many Requests") << s("blocked");
        QTest::newRow("503 tiny page") << 503 << QByteArray("<html>error</html>") << s("blocked");
        QTest::newRow("503 digits") << 503 << QByteArray("503") << s("blocked");
        QTest::newRow("502 short") << 502 << QByteArray("Bad Gateway") << s("http-error");
        QTest::newRow("404 short") << 404 << QByteArray("<html>error</html>") << s("http-error");
        QTest::newRow("500 empty") << 500 << QByteArray() << s("http-error");
        QTest::newRow("200 short text") << 200 << QByteArray("Too Many Requests") << s("layout");
    }

    void errorStatusDecidesFirst()
    {
        QFETCH(int, http);
        QFETCH(QByteArray, body);
        QFETCH(QString, status);
        scan::FetchOutcome outcome;
        outcome.failure = scan::FetchOutcome::Failure::None;
        outcome.httpStatus = http;
        const QString page = QString::fromLatin1(body);
        for (int engine = 1; engine <= 6; ++engine) {
            const engines::Definition &d = engines::EngineSet::builtin().at(engine);
            const engines::Extraction x = engines::extract(d, page);
            const scan::CellReport report =
                scan::classifyCell(outcome, page, engines::judgedText(d, x.count), false, x.located);
            QCOMPARE(scan::statusWord(report.status), status);
            // A 502 is tried again, whatever its body.
            QCOMPARE(scan::worthRetrying(outcome, report), http == 502);
        }
        // A real result page served with an error status still gives its count.
        const QString result = QString::fromLatin1(
            emulator::enginePage(1, emulator::PageKind::Results, 4321, s("http://q"), 100));
        const engines::Extraction x = engines::extract(engines::EngineSet::builtin().at(1), result);
        QCOMPARE(scan::classifyCell(outcome, result, x.count, false, x.located).status, scan::CellStatus::Ok);
    }

    // Each bad engine is left out with one message naming the file and the line; the others work.
    void badDefinitions()
    {
        QByteArray text = shippedText();
        text += "\n[NoHeader]\nKey=NoHeader\nCountBefore=a\nCountAfter=b\n" // line +2
                "\n[NoKey]\nHeader=No Key\nCountBefore=a\nCountAfter=b\n"
                "\n[NoMarkers]\nKey=NoMarkers\nHeader=No Markers\nCountBefore=a\n"
                "\n[BadRegex]\nKey=BadRegex\nHeader=Bad Regex\nExpression=(\\d+\n"
                "\n[TwoGroups]\nKey=TwoGroups\nHeader=Two Groups\nExpression=(\\d+)(x)\n"
                "\n[BadPointer]\nKey=BadPointer\nHeader=Bad Pointer\nJsonPointer=total\n"
                "\n[DupKey]\nKey=google\nHeader=Other\nCountBefore=a\nCountAfter=b\n"
                "\n[DupHeader]\nKey=DupHeader\nHeader=YAHOO!\nCountBefore=a\nCountAfter=b\n"
                "\n[Control]\nKey=Control\nHeader=Control\nCountBefore=a\x01\nCountAfter=b\n"
                "\n[Garbage]\nKey=Garbage\nHeader=Garbage\nthis is no field\nCountBefore=a\nCountAfter=b\n"
                "\n[Typo]\nKey=Typo\nHeader=Typo\nCountBefor=a\nCountAfter=b\n"
                "\n[Column]\nKey=Column\nHeader=Total\nCountBefore=a\nCountAfter=b\n"
                "\n[Twice]\nKey=Twice\nHeader=Twice\ncountbefore=a\nCountBefore=b\nCountAfter=b\n"
                "\n[Colon]\nKey=Colon\nHeader=Goo:gle\nCountBefore=a\nCountAfter=b\n"
                "\n[Fine]\nKey=Fine\nHeader=Fine\nCountBefore=a\nCountAfter=b\n";
        const engines::LoadResult r = engines::parse(text, s("/p/engines.ini"));
        QCOMPARE(r.set.count(), 7);
        QCOMPARE(r.set.at(7).key, s("Fine"));
        QCOMPARE(r.messages.size(), 14);
        const QStringList lines = QString::fromLatin1(text).split(u'\n');
        auto lineOf = [&lines](const char *needle) { return lines.indexOf(QString::fromLatin1(needle)) + 1; };
        const std::pair<const char *, const char *> expected[] = {
            {"[NoHeader]", "no Header"},
            {"[NoKey]", "no Key"},
            {"[NoMarkers]", "empty count markers"},
            {"[BadRegex]", "expression is invalid"},
            {"[TwoGroups]", "2 capture groups"},
            {"[BadPointer]", "no JSON pointer"},
            {"[DupKey]", "key google"},
            {"[DupHeader]", "header \"YAHOO!\""},
            {"CountBefore=a\x01", "control character"},
            {"this is no field", "no field"},
            {"CountBefor=a", "no field CountBefor"},
            {"[Column]", "another column"},
            {"CountBefore=b", "CountBefore is given twice"},
            {"[Colon]", "\"Goo:gle\" cannot name"}};
        for (qsizetype i = 0; i < r.messages.size(); ++i) {
            const QString &message = r.messages.at(i);
            QVERIFY2(message.startsWith(s("/p/engines.ini, line %1:").arg(lineOf(expected[i].first))),
                     qPrintable(message));
            QVERIFY2(message.contains(QString::fromLatin1(expected[i].second)), qPrintable(message));
        }
        // More than 32 engines: the rest are left out.
        QByteArray many;
        for (int i = 1; i <= 34; ++i)
            many +=
                QStringLiteral("[E%1]\nKey=E%1\nHeader=E%1\nCountBefore=a\nCountAfter=b\n").arg(i).toLatin1();
        const engines::LoadResult lots = engines::parse(many, s("m.ini"));
        QCOMPARE(lots.set.count(), 32);
        QCOMPARE(lots.messages.size(), 2);
        QVERIFY(lots.messages.first().contains(s("more than 32")));
        // Nothing usable: the shipped six, and a message that says so; binary garbage alike.
        for (const QByteArray &bad :
             {QByteArray("[Only]\nKey=Only\n"), QByteArray("\x00\xff\x13garbage\x7f", 12), QByteArray()}) {
            const engines::LoadResult fallback = engines::parse(bad, s("bad.ini"));
            QVERIFY(fallback.usedDefaults);
            QCOMPARE(fallback.set.keys(), engines::EngineSet::builtin().keys());
            QVERIFY(fallback.messages.last().contains(s("the six shipped engines are used")));
        }
        // A definition whose address is no web address is refused; so is a request header that is none.
        engines::Definition d = engines::EngineSet::builtin().at(1);
        d.address = s("file:///etc/passwd?q=");
        QVERIFY(engines::problem(d).contains(s("http")));
        d = engines::EngineSet::builtin().at(1);
        d.requestHeaders = {{s("Bad Name"), s("x")}};
        QVERIFY(!engines::problem(d).isEmpty());
    }

    // A scan with three more engines: table, log, status texts, save, chart, exports; headers with the
    // environment's key; then Re-read Kept Pages after an edit gives what a fresh scan gives.
    void scanWithMoreEngines()
    {
        const engines::LoadResult loaded = engines::parse(shippedText() + sevenMoreText(), s("e.ini"));
        QCOMPARE(loaded.set.count(), 9);
        scan::ResultsModel results(loaded.set);
        scan::WebLogModel log;
        scan::ScanRun run(&results, &log);
        run.setSettingsFile(ini());
        QSignalSpy finished(&run, &scan::ScanRun::finished);
        QStringList statuses;
        connect(&run, &scan::ScanRun::statusChanged, this,
                [&statuses](const QString &t) { statuses.append(t); });
        m_emu->setCount(emulator::UnicodeStyle, s("http://a.example"), 1234567);
        m_emu->setCount(emulator::JsonStyle, s("http://a.example"), 4321);
        m_emu->setCount(1, s("http://a.example"), 9000);
        QVERIFY(run.start({s("http://a.example")}));
        QVERIFY(finished.wait(20000));
        QCOMPARE(results.cellColumns(), 11);
        QCOMPARE(results.columnCaption(8), s("Suche"));
        QCOMPARE(results.columnCaption(9), s("Regex Engine"));
        QCOMPARE(results.columnCaption(11), s("Change"));
        const int row = 0;
        QCOMPARE(results.cell(row, 8), s("1234567"));
        QCOMPARE(results.cell(row, 9), s("9000")); // commas removed as for the six
        QCOMPARE(results.cell(row, 10), s("4321"));
        QCOMPARE(results.report(row, 9).status, scan::CellStatus::Ok);
        QCOMPARE(results.report(row, 7).status, scan::CellStatus::Ok); // "1.234.567" is a count
        qint64 sum = 0;
        for (int c = 2; c < results.cellColumns(); ++c) {
            qint64 value = 0;
            if (scan::isCountText(results.cell(row, c), &value))
                sum += value;
        }
        QCOMPARE(results.cell(row, 1).toLongLong(), sum);
        QCOMPARE(log.rowCount(), 10);
        QCOMPARE(log.type(9), s("Api"));
        QVERIFY(statuses.contains(s("Scanning http://a.example on Suche")));
        QVERIFY(statuses.contains(s("Scanning http://a.example on Api")));
        // The API key went with the JSON engine's request, and with no other.
        QList<QByteArray> withKey;
        for (const QByteArray &head : m_emu->requestHeads()) {
            if (head.contains("X-Api-Key: secret-1"))
                withKey.append(head);
        }
        QCOMPARE(withKey.size(), 1);
        QVERIFY(withKey.first().contains("/json/"));

        // Exports and saves carry the new engines by header.
        QVERIFY(resultsExport::toCsv(results).startsWith(
            s("Domain Name,Total,Google,Altavista,Yahoo!,Teoma,MSN,All The Web,Suche,Regex "
              "Engine,Api,Profile")));
        const QJsonObject doc =
            QJsonDocument::fromJson(
                resultsExport::toJson(results, resultsExport::engineSummaries(run)).toUtf8())
                .object();
        const QJsonArray cells =
            doc.value(s("rows")).toArray().first().toObject().value(s("cells")).toArray();
        QCOMPARE(cells.size(), 9);
        QCOMPARE(cells.at(8).toObject().value(s("engine")).toString(), s("Api"));
        QCOMPARE(cells.at(8).toObject().value(s("count")).toInteger(), 4321);
        QCOMPARE(doc.value(s("engines")).toArray().at(6).toObject().value(s("key")).toString(), s("Suche"));
        const QString file = saved::searchFile(m_dir.filePath(s("Saved")), s("more"));
        QDir().mkpath(m_dir.filePath(s("Saved")));
        QVERIFY(saved::saveResults(saved::saveRowOf(results, row), file, saved::SaveMode::CreateNew,
                                   QDate(2026, 12, 9))
                    .ok);
        QStringList sections;
        modINI::GetINISections(sections, file);
        QCOMPARE(sections.mid(6), QStringList({s("Suche"), s("Regex Engine"), s("Api")}));
        QCOMPARE(modINI::ReadINI(s("Api"), s("12-09-26"), s("d"), file), s("4321"));
        const chartData::ChartModel chart = chartData::currentResultsChart(results);
        QCOMPARE(chart.categoryLabels.size(), 9);
        QCOMPARE(chart.categoryLabels.last(), s("Api"));

        // An edit of a definition, then the kept pages read again: the cells a fresh scan would give.
        QList<engines::Definition> edited = loaded.set.definitions();
        edited[8].jsonPointer = s("/missing");  // Api: now no count
        edited[0].countBefore = s("</b> of x"); // Google: the layout no longer matches
        const engines::EngineSet changedSet(edited);
        results.setEngines(changedSet);
        const scan::RereadResult reread = scan::rereadKeptPages(results, &log, run.keptPages(), 500, 1000);
        QCOMPARE(reread.pages, 9);
        QCOMPARE(reread.rows, 1);
        scan::ResultsModel fresh(changedSet);
        scan::WebLogModel freshLog;
        scan::ScanRun freshRun(&fresh, &freshLog);
        freshRun.setSettingsFile(ini());
        QSignalSpy freshFinished(&freshRun, &scan::ScanRun::finished);
        QVERIFY(freshRun.start({s("http://a.example")}));
        QVERIFY(freshFinished.wait(20000));
        for (int c = 1; c < results.cellColumns(); ++c)
            QCOMPARE(results.cell(row, c), fresh.cell(0, c));
        for (int e = 1; e <= changedSet.count(); ++e)
            QCOMPARE(results.report(row, e).status, fresh.report(0, e).status);
        QCOMPARE(results.profile(row), fresh.profile(0));
        QCOMPARE(results.report(row, 9).status, scan::CellStatus::Layout);
        QCOMPARE(log.result(9), scan::statusText(scan::CellStatus::Layout));
        // The table keeps cells by key when its engines change: Suche stays, Regex goes.
        QList<engines::Definition> fewer{edited.at(6), edited.at(1)};
        results.setEngines(engines::EngineSet(fewer));
        QCOMPARE(results.cellColumns(), 4);
        QCOMPARE(results.cell(row, 2), s("1234567"));
        QCOMPARE(results.cell(row, 3), fresh.cell(0, 3));
    }

    // Secrets stay with the engine they are for: only VANTORY_ variables, never sent to another origin
    // after a redirect, never a header of their own through a line end, never shown.
    void secretsStayHome()
    {
        // Names outside VANTORY_ are refused when the file is read, with the variable's name.
        const engines::LoadResult foreign = engines::parse(
            "[Leak]\nKey=Leak\nHeader=Leak\nJsonPointer=/total\nRequestHeader1=X-Key: "
            "${env:AWS_SECRET_ACCESS_KEY}\n"
            "\n[Leak2]\nKey=Leak2\nHeader=Leak2\nJsonPointer=/total\nSuffix=&key=${env:HOME}\n",
            s("e.ini"));
        QVERIFY2(foreign.messages.at(0).contains(s("AWS_SECRET_ACCESS_KEY")),
                 qPrintable(foreign.messages.at(0)));
        QVERIFY2(foreign.messages.at(1).contains(s("HOME")), qPrintable(foreign.messages.at(1)));
        QVERIFY(foreign.usedDefaults);
        // At most 32 request headers, said at the 33rd.
        QByteArray many = "[Many]\nKey=Many\nHeader=Many\nJsonPointer=/total\n";
        for (int i = 1; i <= 40; ++i)
            many += "RequestHeader" + QByteArray::number(i) + "=X-H" + QByteArray::number(i) + ": v\n";
        const engines::LoadResult capped = engines::parse(many, s("e.ini"));
        QVERIFY2(capped.messages.first().contains(s("line 37")) && capped.messages.first().contains(s("32")),
                 qPrintable(capped.messages.first()));
        // So are the texts removed from a count, which cost time on every page; and a section left out takes
        // no more of its lines (100,000 of them cost no more than a glance).
        QByteArray removals = "[Cut]\nKey=Cut\nHeader=Cut\nJsonPointer=/total\n";
        for (int i = 1; i <= 100000; ++i)
            removals += "CountRemove" + QByteArray::number(i) + "=x\n";
        const engines::LoadResult cut = engines::parse(removals, s("e.ini"));
        QVERIFY2(cut.messages.first().contains(s("line 37: ")) &&
                     cut.messages.first().contains(s("CountRemove")),
                 qPrintable(cut.messages.first()));
        engines::Definition tooMany = engines::EngineSet::builtin().at(1);
        tooMany.countRemove = QStringList(33, s("x"));
        QVERIFY(!engines::problem(tooMany).isEmpty());

        // A key in the header and one in the query address (the cross-origin engine is asked at "localhost",
        // which the emulator redirects to 127.0.0.1: another origin).
        const engines::LoadResult loaded =
            engines::parse("[Api]\nKey=Api\nHeader=Api\nJsonPointer=/total\nRequestHeader1=X-Api-Key: "
                           "${env:VANTORY_TEST_API_KEY}\n"
                           "RequestHeader2=X-Plain: open\n"
                           "\n[Moved]\nKey=Moved\nHeader=Moved\nJsonPointer=/"
                           "total\nRequestHeader1=X-Api-Key: ${env:VANTORY_TEST_API_KEY}\n"
                           "RequestHeader2=X-Plain: open\n",
                           s("e.ini"));
        QVERIFY2(loaded.messages.isEmpty(), qPrintable(loaded.messages.join(u'\n')));
        const QString settings = m_dir.filePath(s("secrets.ini"));
        const QString api = m_emu->prefix(emulator::JsonStyle);
        QString moved = api;
        moved.replace(s("127.0.0.1"), s("localhost"));
        QVERIFY(testFiles::write(
            settings, (s("[Engines]\r\nApi=") + api + s("\r\nMoved=") + moved + s("\r\n")).toLatin1()));
        QVERIFY(modINI::WriteINI(s("Engines"), s("Api"),
                                 api.left(api.indexOf(u'?')) + s("?token=${env:VANTORY_TEST_TOKEN}&q=link:"),
                                 settings));
        qputenv("VANTORY_TEST_TOKEN", "tok+en/1");
        scan::ResultsModel results(loaded.set);
        scan::WebLogModel log;
        scan::ScanRun run(&results, &log);
        run.setSettingsFile(settings);
        QSignalSpy finished(&run, &scan::ScanRun::finished);
        const int before = int(m_emu->requestHeads().size());
        QVERIFY(run.start({s("http://redirect.example")}));
        QVERIFY(finished.wait(20000));
        const QList<QByteArray> heads = m_emu->requestHeads().mid(before);
        // Api: redirected within its origin, the key goes along; the token went in the address, encoded.
        // Moved: the redirect to another origin went without the key, with the plain header.
        // (Under load the network layer may send a request again on a fresh connection: each kind of request
        // is checked, not counted.)
        int apiAsked = 0, movedAsked = 0, movedRedirected = 0;
        for (const QByteArray &head : heads) {
            const bool key = head.contains("X-Api-Key: secret-1");
            if (head.contains("token=tok%2Ben%2F1")) {
                ++apiAsked;
                QVERIFY2(key, head.constData());
            } else if (head.contains("Host: localhost")) {
                ++movedAsked;
                QVERIFY2(key, head.constData());
            } else if (head.contains("emu-redirected")) {
                ++movedRedirected;
                QVERIFY2(!key && head.contains("X-Plain: open"), head.constData());
            }
        }
        QVERIFY2(apiAsked >= 2 && movedAsked >= 1 && movedRedirected >= 1,
                 heads.join("\n----\n").constData());
        QCOMPARE(results.report(0, 1).status, scan::CellStatus::Ok);
        QCOMPARE(results.report(0, 2).status, scan::CellStatus::Ok);
        // Nothing shown holds a value: reports, the kept page's address, the JSON export.
        const QString shown = results.report(0, 1).detail + results.report(0, 1).finalUrl +
                              run.keptPages()
                                  .newest()
                                  .value(scan::KeptPages::newestKey(s("http://redirect.example"), s("Api")))
                                  ->query +
                              resultsExport::toJson(results, resultsExport::engineSummaries(run));
        QVERIFY2(!shown.contains(s("tok+en")) && !shown.contains(s("tok%2Ben")) &&
                     !shown.contains(s("secret-1")),
                 qPrintable(shown));
        QVERIFY2(shown.contains(s("${env:VANTORY_TEST_TOKEN}")), qPrintable(shown));

        // A line end in a header's value leaves the engine not asked, with the reason.
        qputenv("VANTORY_TEST_API_KEY", "secret-1\r\nX-Injected: yes");
        const int sent = int(m_emu->requestHeads().size());
        QVERIFY(run.start({s("http://b.example")}));
        QVERIFY(finished.wait(20000));
        qputenv("VANTORY_TEST_API_KEY", "secret-1");
        QCOMPARE(int(m_emu->requestHeads().size()), sent);
        QCOMPARE(results.report(0, 1).status, scan::CellStatus::NotAsked);
        QVERIFY2(results.report(0, 1).detail.contains(s("VANTORY_TEST_API_KEY holds a control character")),
                 qPrintable(results.report(0, 1).detail));
        // A variable in the address that is not set: not asked either.
        qunsetenv("VANTORY_TEST_TOKEN");
        QVERIFY(run.start({s("http://b.example")}));
        QVERIFY(finished.wait(20000));
        QCOMPARE(results.report(0, 1).status, scan::CellStatus::NotAsked);
        QVERIFY(results.report(0, 1).detail.contains(s("VANTORY_TEST_TOKEN")));
    }

    // No definition makes a request go anywhere but http or https; a missing variable asks nothing.
    void onlyWebRequests()
    {
        engines::LoadResult loaded = engines::parse(sevenMoreText(), s("e.ini"));
        const QString other = m_dir.filePath(s("other.ini"));
        QVERIFY(testFiles::write(other, "[Engines]\r\nSuche=file:///etc/passwd?\r\nRegex=ftp://127.0.0.1/\r\n"
                                        "Api=gopher://127.0.0.1/\r\n"));
        scan::ResultsModel results(loaded.set);
        scan::WebLogModel log;
        scan::ScanRun run(&results, &log);
        run.setSettingsFile(other);
        QSignalSpy finished(&run, &scan::ScanRun::finished);
        qunsetenv("VANTORY_TEST_API_KEY");
        const int before = m_emu->requestHeads().size();
        QVERIFY(run.start({s("http://b.example")}));
        QVERIFY(finished.wait(20000));
        qputenv("VANTORY_TEST_API_KEY", "secret-1");
        QCOMPARE(m_emu->requestHeads().size(), before);
        QCOMPARE(results.report(0, 1).status, scan::CellStatus::Network);
        QVERIFY(results.report(0, 1).detail.contains(s("Not a web address")));
        QCOMPARE(results.report(0, 2).status, scan::CellStatus::Network);
        QCOMPARE(results.report(0, 3).status, scan::CellStatus::NotAsked);
        QVERIFY(results.report(0, 3).detail.contains(s("VANTORY_TEST_API_KEY")));
        // The variable set, the JSON engine's address still is no web address.
        scan::ResultsModel again(loaded.set);
        scan::WebLogModel againLog;
        scan::ScanRun second(&again, &againLog);
        second.setSettingsFile(other);
        QSignalSpy secondDone(&second, &scan::ScanRun::finished);
        QVERIFY(second.start({s("http://b.example")}));
        QVERIFY(secondDone.wait(20000));
        QCOMPARE(again.report(0, 3).status, scan::CellStatus::Network);
        QCOMPARE(m_emu->requestHeads().size(), before);
    }

    // The probe behind the Test window and --test-engine.
    // The kinds of the paid link APIs: a key in a Bearer header, a key in the query, a POST of a JSON body
    // with Basic credentials; a POST answered by a redirect is not sent again.
    void linkApis()
    {
        const engines::LoadResult loaded = engines::parse(
            "[Bearer]\nKey=Bearer\nHeader=Bearer\nJsonPointer=/metrics/live\n"
            "RequestHeader1=Authorization: Bearer ${env:VANTORY_TEST_API_KEY}\n"
            "\n[Query]\nKey=Query\nHeader=Query\nExpression=(?m)^(\\d+);\n"
            "\n[Post]\nKey=Post\nHeader=Post\nJsonPointer=/tasks/0/result/0/backlinks\nMethod=post\n"
            "Body={\"target\": \"${target}\", \"host\": \"${host}\", \"domain\": \"${domain}\"}\n"
            "Username=emulator-user\nPassword=${env:VANTORY_TEST_API_KEY}\n"
            "\n[Moved]\nKey=Moved\nHeader=Moved\nJsonPointer=/tasks/0/result/0/backlinks\nMethod=POST\n"
            "Body={\"target\": "
            "\"${target}\"}\nUsername=emulator-user\nPassword=${env:VANTORY_TEST_API_KEY}\n",
            s("e.ini"));
        QVERIFY2(loaded.messages.isEmpty(), qPrintable(loaded.messages.join(u'\n')));
        // Written and read again, the definitions are the same.
        const engines::LoadResult again =
            engines::parse(engines::format(loaded.set.definitions()), s("e.ini"));
        QCOMPARE(again.set.at(3).body, loaded.set.at(3).body);
        QCOMPARE(again.set.at(3).method, s("POST"));
        QCOMPARE(again.set.at(3).password, s("${env:VANTORY_TEST_API_KEY}"));
        const QString base = m_emu->baseUrl();
        const QString settings = m_dir.filePath(s("apis.ini"));
        QVERIFY(testFiles::write(
            settings,
            (s("[Engines]\r\nBearer=") + base + s("/api/bearer?target=${target}") + s("\r\nQuery=") + base +
             s("/api/query?key=${env:VANTORY_TEST_API_KEY}&target=${target}") + s("\r\nPost=") + base +
             s("/api/post\r\nMoved=") + base + s("/api/moved\r\n"))
                .toLatin1()));
        qputenv("VANTORY_TEST_API_KEY", "emulator-key");
        const QString target = s("http://www.alice.github.io/a b?x=\"1\"&y");
        scan::ResultsModel results(loaded.set);
        const std::optional<QList<QByteArray>> heads = scanned(results, settings, {target});
        QVERIFY(heads);
        const qint64 count = m_emu->count(emulator::JsonStyle, target);
        QCOMPARE(results.cell(0, 2), QString::number(count));
        QCOMPARE(results.cell(0, 3), QString::number(count / 7));
        QCOMPARE(results.cell(0, 4), QString::number(count));
        QCOMPARE(results.report(0, 3).status, scan::CellStatus::Ok);
        // The redirect is the POST's answer: no count, said in words, and nothing sent after it.
        QVERIFY(!results.report(0, 4).hasCount());
        QVERIFY2(results.report(0, 4).detail.contains(s("not sent again")),
                 qPrintable(results.report(0, 4).detail));
        int posts = 0;
        const QByteArray basic =
            "Authorization: Basic " + QByteArray("emulator-user:emulator-key").toBase64();
        for (const QByteArray &head : *heads) {
            QVERIFY2(!head.startsWith("GET /api/post"), head.constData());
            if (head.startsWith("POST /api/post")) {
                ++posts;
                QVERIFY2(head.contains(basic) && head.contains("Content-Type: application/json"),
                         head.constData());
            }
        }
        QCOMPARE(posts, 1);
        // Nothing shown holds the key.
        for (int e = 1; e <= 4; ++e)
            QVERIFY(
                !(results.report(0, e).detail + results.report(0, e).finalUrl).contains(s("emulator-key")));

        // Placeholders: where they stand, as that place needs.
        engines::Definition post = loaded.set.at(3);
        QCOMPARE(engines::requestBody(post, target).text,
                 s(R"({"target": "http://www.alice.github.io/a b?x=\"1\"&y", "host": "www.alice.github.io", )"
                   R"("domain": "alice.github.io"})"));
        QCOMPARE(scan::queryUrl(s("https://api.example/v1?t=${target}&d=${domain}"), post,
                                s("http://www.example.co.uk/p?q=1")),
                 s("https://api.example/v1?t=http%3A%2F%2Fwww.example.co.uk%2Fp%3Fq%3D1&d=example.co.uk"));
        QCOMPARE(scan::queryUrl(s("https://api.example/v1?q="), loaded.set.at(1), s("http://a.example/&b")),
                 s("https://api.example/v1?q=http://a.example/%26b")); // no placeholder: the target follows

        // Definitions that cannot be sent: each says why.
        auto problemOf = [&](void (*change)(engines::Definition &)) {
            engines::Definition d = loaded.set.at(3);
            change(d);
            return engines::problem(d);
        };
        QVERIFY(problemOf([](engines::Definition &d) {
                    d.body = s(R"({"target": ${target}})");
                }).contains(s("not JSON")));
        QVERIFY(problemOf([](engines::Definition &d) {
                    d.body = s(R"({"target": "${targte}"})");
                }).contains(s("${targte} is no placeholder")));
        QVERIFY(problemOf([](engines::Definition &d) { d.method = s("GET"); }).contains(s("Method=POST")));
        QVERIFY(problemOf([](engines::Definition &d) { d.method = s("PUT"); }).contains(s("GET or POST")));
        QVERIFY(problemOf([](engines::Definition &d) { d.username = s("${env:HOME}"); }).contains(s("HOME")));
        QVERIFY(problemOf([](engines::Definition &d) {
                    d.password = s("hunter2");
                }).contains(s("never written")));

        // Credentials go over https or to this machine only: to another host over http nothing is sent.
        engines::EngineProbe plain;
        QSignalSpy probed(&plain, &engines::EngineProbe::finished);
        const int sent = int(m_emu->requestHeads().size());
        plain.start(post, s("http://192.0.2.1/api/post"), target);
        QVERIFY(probed.wait(10000));
        const auto result = probed.at(0).at(0).value<engines::ProbeResult>();
        QCOMPARE(result.report.status, scan::CellStatus::NotAsked);
        QVERIFY2(result.report.detail.contains(s("only over https")), qPrintable(result.report.detail));
        QCOMPARE(int(m_emu->requestHeads().size()), sent);
        qunsetenv("VANTORY_TEST_API_KEY");
    }

    // Several targets in one POST: one request per batch, every row's cell filled from its answer; a target
    // the answer leaves out, and a batch that failed, say so in each cell.
    void linkApiBatch()
    {
        const QByteArray section =
            "[Batch]\nKey=Batch\nHeader=Batch\nMethod=POST\nBatch=3\n"
            "Body={\"targets\": ${targets}}\nJsonPointer=/results/${index}/root_domains_to_root_domain\n"
            "Username=emulator-user\nPassword=${env:VANTORY_TEST_BATCH_KEY}\n";
        const engines::LoadResult loaded = engines::parse(section, s("e.ini"));
        QVERIFY2(loaded.messages.isEmpty(), qPrintable(loaded.messages.join(u'\n')));
        QCOMPARE(engines::parse(engines::format(loaded.set.definitions()), s("e.ini")).set.at(1).batch, 3);
        QCOMPARE(engines::requestBody(loaded.set.at(1),
                                      QStringList{s("http://a.example/\"q\""), s("http://b.example")})
                     .text,
                 s("{\"targets\": [\"http://a.example/\\\"q\\\"\", \"http://b.example\"]}"));
        // A batch needs its list and its index.
        engines::Definition wrong = loaded.set.at(1);
        wrong.jsonPointer = s("/results/0/root_domains_to_root_domain");
        QVERIFY(engines::problem(wrong).contains(s("${index}")));
        wrong = loaded.set.at(1);
        wrong.batch = 101;
        QVERIFY(!engines::problem(wrong).isEmpty());

        const QString ini = m_dir.filePath(s("batch.ini"));
        QVERIFY(testFiles::write(
            ini, (s("[Engines]\r\nBatch=") + m_emu->baseUrl() + s("/api/batch\r\n")).toLatin1()));
        const QStringList urls{s("http://b1.example"), s("http://b2.example"), s("http://b3.example"),
                               s("http://b4.example"), s("http://missing.example")};
        auto posts = [&](scan::ResultsModel &results) {
            const std::optional<QList<QByteArray>> heads = scanned(results, ini, urls);
            if (!heads)
                return -1;
            return int(std::count_if(heads->cbegin(), heads->cend(), [](const QByteArray &head) {
                return head.startsWith("POST /api/batch");
            }));
        };
        qputenv("VANTORY_TEST_BATCH_KEY", "emulator-key");
        scan::ResultsModel results(loaded.set);
        QCOMPARE(posts(results), 2); // 3 + 2 targets
        QCOMPARE(results.rowCount(), 5);
        for (int row = 0; row < 5; ++row) {
            const QString url = results.cell(row, 0);
            if (url == s("http://missing.example") || url == s("http://b4.example")) {
                // The second batch's answer holds one figure for two URLs: none is read.
                QVERIFY(!results.report(row, 1).hasCount());
                QVERIFY2(results.report(row, 1).detail.contains(s("holds 1 figures for 2 URLs")),
                         qPrintable(results.report(row, 1).detail));
                continue;
            }
            QVERIFY2(results.cell(row, 2) == QString::number(m_emu->count(emulator::JsonStyle, url) / 7),
                     qPrintable(url + s(": ") + results.report(row, 1).detail));
            QCOMPARE(results.report(row, 1).status, scan::CellStatus::Ok);
        }
        // Wrong credentials: the batch fails, and each of its cells says so.
        qputenv("VANTORY_TEST_BATCH_KEY", "wrong");
        scan::ResultsModel failed(loaded.set);
        QCOMPARE(posts(failed), 2);
        for (int row = 0; row < 5; ++row) {
            QCOMPARE(failed.report(row, 1).status, scan::CellStatus::HttpError);
            QVERIFY(failed.report(row, 1).detail.contains(s("401")));
        }
        // Tried alone (the Test window, --test-engine): a list of one, read at index 0.
        qputenv("VANTORY_TEST_BATCH_KEY", "emulator-key");
        engines::EngineProbe probe;
        QSignalSpy done(&probe, &engines::EngineProbe::finished);
        probe.start(loaded.set.at(1), m_emu->baseUrl() + s("/api/batch"), s("http://b1.example"));
        QVERIFY(done.wait(10000));
        const auto tried = done.first().first().value<engines::ProbeResult>();
        QCOMPARE(tried.cell, QString::number(m_emu->count(emulator::JsonStyle, s("http://b1.example")) / 7));
        QVERIFY(
            engines::requestText(loaded.set.at(1), m_emu->baseUrl() + s("/api/batch"), s("http://b1.example"))
                .endsWith(s("{\"targets\": [\"http://b1.example\"]}")));
        qunsetenv("VANTORY_TEST_BATCH_KEY");
    }

    // The shipped examples of each kind (data/engines/) read without a fault and, pointed at the emulator's
    // routes of their kind, give the linking domains of the URL's registrable domain.
    void linkApiExamples()
    {
        const QString base = m_emu->baseUrl();
        const QList<std::pair<const char *, QString>> examples{
            {"bearer-header.ini", s("https://api.ahrefs.com/v3/site-explorer/backlinks-stats")},
            {"key-in-query.ini", s("https://api.semrush.com/analytics/v1/")},
            {"post-basic.ini", s("https://api.dataforseo.com/v3/backlinks/summary/live")},
            {"batch.ini", s("https://lsapi.seomoz.com/v2/url_metrics")}};
        QList<engines::Definition> definitions;
        QString settings = s("[Engines]\r\n");
        for (const auto &[file, service] : examples) {
            const engines::LoadResult loaded =
                engines::loadFile(s(VANTORY_SOURCE_DIR "/data/engines/") + QLatin1String(file));
            QVERIFY2(loaded.messages.isEmpty(), qPrintable(loaded.messages.join(u'\n')));
            QCOMPARE(loaded.all.size(), 1);
            const engines::Definition &d = loaded.all.first();
            QVERIFY2(d.address.startsWith(service), qPrintable(d.address));
            definitions.append(d);
            const QString route = s("/api/") + (d.batch > 1                  ? s("batch")
                                                : d.isPost()                 ? s("post")
                                                : d.requestHeaders.isEmpty() ? s("query")
                                                                             : s("bearer"));
            settings += d.key + u'=' + base + route + d.address.mid(service.size()) + s("\r\n");
        }
        const QString ini = m_dir.filePath(s("examples.ini"));
        QVERIFY(testFiles::write(ini, settings.toLatin1()));
        qputenv("VANTORY_AHREFS_TOKEN", "emulator-key");
        qputenv("VANTORY_SEMRUSH_KEY", "emulator-key");
        qputenv("VANTORY_DATAFORSEO_LOGIN", "emulator-user");
        qputenv("VANTORY_DATAFORSEO_PASSWORD", "emulator-key");
        qputenv("VANTORY_MOZ_ACCESS_ID", "emulator-user");
        qputenv("VANTORY_MOZ_SECRET_KEY", "emulator-key");
        scan::ResultsModel results{engines::EngineSet(definitions)};
        QVERIFY(scanned(results, ini, {s("http://www.alice.github.io/page")}));
        const qint64 domains = m_emu->count(emulator::JsonStyle, s("alice.github.io")) / 7;
        for (int e = 1; e <= 3; ++e)
            QVERIFY2(results.cell(0, e + 1) == QString::number(domains),
                     qPrintable(results.report(0, e).detail));
        // The batch service is asked for the URL itself.
        const qint64 mozDomains = m_emu->count(emulator::JsonStyle, s("http://www.alice.github.io/page")) / 7;
        QVERIFY2(results.cell(0, 5) == QString::number(mozDomains), qPrintable(results.report(0, 4).detail));
        for (const char *name :
             {"VANTORY_AHREFS_TOKEN", "VANTORY_SEMRUSH_KEY", "VANTORY_DATAFORSEO_LOGIN",
              "VANTORY_DATAFORSEO_PASSWORD", "VANTORY_MOZ_ACCESS_ID", "VANTORY_MOZ_SECRET_KEY"})
            qunsetenv(name);
    }

    void probe()
    {
        const engines::Definition google = engines::EngineSet::builtin().at(1);
        engines::EngineProbe probe;
        QSignalSpy done(&probe, &engines::EngineProbe::finished);
        m_emu->setCount(1, s("http://p.example"), 1230);
        probe.start(google, m_emu->prefix(1), s("http://p.example"));
        QVERIFY(done.wait(10000));
        const auto result = done.first().first().value<engines::ProbeResult>();
        QCOMPARE(result.extraction.count, s("1,230"));
        QCOMPARE(result.cell, s("1230"));
        QCOMPARE(result.report.status, scan::CellStatus::Ok);
        QVERIFY(result.query.endsWith(s("q=link:http://p.example")));
        const engines::ProbeResult fromFile =
            engines::judgePage(google, s("<p>nothing</p>"), engines::fileOutcome(14));
        QCOMPARE(fromFile.report.status, scan::CellStatus::Layout);
    }
};

Q_DECLARE_METATYPE(engines::ProbeResult)

QTEST_GUILESS_MAIN(TestEngines)
#include "tst_engines.moc"
