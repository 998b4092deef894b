#include "core/ini/IniLines.h"
#include "core/ini/modINI.h"
#include "emulator/DemoFolder.h"
#include "emulator/EngineEmulator.h"
#include "emulator/EnginePages.h"
#include "emulator/GraphFileServer.h"
#include "emulator/GraphRelease.h"

#include "../support/TestFiles.h"

#include "../support/TestText.h"
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <sys/resource.h>

using testText::s;

namespace {
} // namespace

// vantory-scan as a user runs it: a real process, against an engine emulator on its own thread.
class TestCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    emulator::EmulatorThread *m_engines = nullptr;

    struct Result
    {
        int code = -1;
        QByteArray out;
        QByteArray err;
    };

    Result run(const QStringList &arguments, const QByteArray &input = QByteArray(),
               const QString &outputFile = QString(), const QString &lockWaitMs = QString())
    {
        QProcess process;
        start(process, arguments, outputFile, lockWaitMs);
        if (!process.waitForStarted(10000))
            return {};
        if (!input.isNull())
            process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000))
            process.kill();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    // vantory-scan with files limited to 1 KiB: a write beyond that fails with "File too large".
    Result runLimited(const QStringList &arguments, const QByteArray &input = QByteArray())
    {
        QProcess limited;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(s("XDG_CONFIG_HOME"), m_dir.filePath(s("config")));
        limited.setProcessEnvironment(env);
        limited.start(s("bash"), QStringList{s("-c"), s("trap - XFSZ; ulimit -f 1; exec \"$0\" \"$@\""),
                                             s(VANTORY_BIN_DIR "/vantory-scan")} +
                                     arguments);
        limited.write(input);
        limited.closeWriteChannel();
        if (!limited.waitForFinished(60000))
            limited.kill();
        return {limited.exitStatus() == QProcess::NormalExit ? limited.exitCode() : -1,
                limited.readAllStandardOutput(), limited.readAllStandardError()};
    }

    void start(QProcess &process, const QStringList &arguments, const QString &outputFile = QString(),
               const QString &lockWaitMs = QString())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(s("XDG_CONFIG_HOME"), m_dir.filePath(s("config"))); // a settings store of its own
        if (!lockWaitMs.isEmpty())
            env.insert(s("VANTORY_LOCK_WAIT_MS"), lockWaitMs);
        process.setProcessEnvironment(env);
        if (!outputFile.isEmpty())
            process.setStandardOutputFile(outputFile);
        process.start(s(VANTORY_BIN_DIR "/vantory-scan"), arguments);
    }

private slots:
    void initTestCase()
    {
        m_engines = new emulator::EmulatorThread;
        QVERIFY(m_engines->isListening());
        QVERIFY(m_engines->emulator()->writeSettingsIni(m_dir.filePath(s("settings.ini"))));
        auto *emu = m_engines->emulator();
        emu->setCount(1, s("http://a.example"), 1234); // the rest of its engines: no results
        for (int e = 2; e <= 6; ++e)
            emu->setMode(e, s("http://a.example"), emulator::Mode::NoResults);
        emu->setCount(5, s("http://b.example"), 5000); // MSN keeps "5,000"
        for (int e : {1, 2, 3, 4, 6})
            emu->setMode(e, s("http://b.example"), emulator::Mode::NoResults);
        testFiles::write(m_dir.filePath(s("list.txt")),
                         "http://a.example\r\nhttp://b.example\r\nhttp://changed.c\r\n");
    }

    void cleanupTestCase() { delete m_engines; }

    // A page that never ends (sent by another thread as fast as it is taken) is cut at the page limit with
    // the status "too-large", and the process's memory stays near the limit, not a gigabyte per engine.
    void endlessPage()
    {
        testFiles::write(m_dir.filePath(s("endless.txt")), "http://endless.example\n");
        const Result r =
            run({s("--program-folder"), m_dir.path(), s("--json"), m_dir.filePath(s("endless.txt"))});
        QCOMPARE(r.code, 3);
        const QJsonArray cells = QJsonDocument::fromJson(r.out)
                                     .object()
                                     .value(s("rows"))
                                     .toArray()
                                     .at(0)
                                     .toObject()
                                     .value(s("cells"))
                                     .toArray();
        QCOMPARE(cells.size(), 6);
        for (const QJsonValue &cell : cells)
            QCOMPARE(cell.toObject().value(s("status")).toString(), s("too-large"));
        rusage children{};
        ::getrusage(RUSAGE_CHILDREN, &children); // the largest of the commands run so far
        QVERIFY2(children.ru_maxrss < 512 * 1024,
                 qPrintable(QString::number(children.ru_maxrss / 1024) + s(" MiB")));
    }

    void csvTable()
    {
        const Result r =
            run({s("--program-folder"), m_dir.path(), s("--csv"), m_dir.filePath(s("list.txt"))});
        QCOMPARE(r.code, 3); // "changed.c" got no count from any engine
        // Sorted by total, descending; profile words; RFC 4180 quoting of "5,000".
        QCOMPARE(QString::fromLatin1(r.out),
                 s("Domain Name,Total,Google,Altavista,Yahoo!,Teoma,MSN,All The Web,Profile\r\n"
                   "http://b.example,5000,0,0,0,0,5000,0,high\r\n"
                   "http://a.example,1234,1234,0,0,0,0,0,high\r\n"
                   "http://changed.c,,,,,,,,unknown\r\n"));
        // Progress on standard error only, ending with the completion message.
        // A line per URL when standard error is no terminal.
        QVERIFY2(r.err.startsWith("[1/3] http://a.example: 1234 links\n[2/3] http://b.example: 5000 links\n"),
                 r.err.constData());
        QVERIFY(
            r.err.contains("Search Complete.  Found 6234 links. No engine gave a count for 1 of 3 URLs.\n"));
        // A summary per engine ends the progress.
        QVERIFY2(r.err.trimmed().endsWith("All The Web: 3 asked, 0 counts, 2 zero, 1 failed (layout 1)"),
                 r.err.constData());

        // The same run as JSON: rows in the CSV's order, every cell with its status and facts.
        const Result j =
            run({s("--program-folder"), m_dir.path(), s("--json"), m_dir.filePath(s("list.txt"))});
        QCOMPARE(j.code, 3);
        const QJsonObject doc = QJsonDocument::fromJson(j.out).object();
        const QJsonArray rows = doc.value(s("rows")).toArray();
        const QStringList csvLines = QString::fromLatin1(r.out).split(s("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), csvLines.size() - 1);
        for (int i = 0; i < rows.size(); ++i) {
            const QJsonObject row = rows.at(i).toObject();
            const QStringList fields = csvLines.at(i + 1).split(u',');
            QCOMPARE(row.value(s("url")).toString(), fields.first());
            // A row without any count has no total: null in JSON, empty in CSV.
            QCOMPARE(row.value(s("total")).isNull() ? QString()
                                                    : QString::number(row.value(s("total")).toInteger()),
                     fields.at(1));
            const QJsonArray cells = row.value(s("cells")).toArray();
            QCOMPARE(cells.size(), 6);
            QCOMPARE(cells.at(0).toObject().value(s("engine")).toString(), s("Google"));
            QCOMPARE(cells.at(5).toObject().value(s("engine")).toString(), s("All The Web"));
        }
        const QJsonObject b = rows.at(0).toObject();
        QCOMPARE(b.value(s("profile")).toString(), s("high"));
        const QJsonObject msn = b.value(s("cells")).toArray().at(4).toObject();
        QCOMPARE(msn.value(s("text")).toString(), s("5,000"));
        QCOMPARE(msn.value(s("status")).toString(), s("ok"));
        QCOMPARE(msn.value(s("http")).toInt(), 200);
        QVERIFY(msn.value(s("bytes")).toInteger() > 0);
        QCOMPARE(b.value(s("cells")).toArray().at(0).toObject().value(s("status")).toString(), s("zero"));
        const QJsonObject changed = rows.at(2).toObject();
        QCOMPARE(changed.value(s("profile")).toString(), s("unknown"));
        QCOMPARE(changed.value(s("cells")).toArray().at(2).toObject().value(s("status")).toString(),
                 s("layout"));
        const QJsonArray engines = doc.value(s("engines")).toArray();
        QCOMPARE(engines.size(), 6);
        QCOMPARE(engines.at(0).toObject().value(s("asked")).toInt(), 3);
        QCOMPARE(engines.at(0).toObject().value(s("ok")).toInt(), 1);
        QCOMPARE(engines.at(0).toObject().value(s("failed")).toInt(), 1);
        QCOMPARE(engines.at(0).toObject().value(s("suspended")).toBool(), false);
    }

    void failedCellsAndSaves()
    {
        // One engine blocked: exit 3, its history keeps a gap for the date; --strict writes nothing.
        const QString url = s("http://gap.example");
        m_engines->emulator()->setCount(1, url, 40);
        m_engines->emulator()->setMode(3, url, emulator::Mode::Blocked);
        testFiles::write(m_dir.filePath(s("gap.txt")), url.toLatin1() + "\n");
        const QStringList base{s("--program-folder"), m_dir.path()};
        const Result first = run(base + QStringList{s("--save"), s("gap"), s("--date"), s("2026-01-01"),
                                                    m_dir.filePath(s("gap.txt"))});
        QCOMPARE(first.code, 3);
        QVERIFY(first.err.contains("left as gaps"));
        QVERIFY(first.err.contains("Yahoo!: 1 asked, 0 counts, 0 zero, 1 failed (blocked 1)"));
        const QString file = m_dir.filePath(s("Saved/gap.vty"));
        const QByteArray saved = testFiles::read(file);
        QVERIFY(saved.contains("[Google]\r\n01-01-26=40\r\n"));
        QVERIFY(!saved.contains("[Yahoo!]"));
        const Result strict = run(base + QStringList{s("--append"), s("gap"), s("--strict"), s("--date"),
                                                     s("2026-01-02"), m_dir.filePath(s("gap.txt"))});
        QCOMPARE(strict.code, 3);
        QCOMPARE(testFiles::read(file), saved);
        QCOMPARE(run(base + QStringList{s("--strict"), m_dir.filePath(s("gap.txt"))}).code, 2);
        QCOMPARE(run(base + QStringList{s("--retries"), s("4"), m_dir.filePath(s("gap.txt"))}).code, 2);
        QCOMPARE(run(base + QStringList{s("--csv"), s("--json"), m_dir.filePath(s("gap.txt"))}).code, 2);
        for (const QStringList &bad :
             {QStringList{s("--interval"), s("-1")}, QStringList{s("--timeout"), s("0")},
              QStringList{s("--timeout"), s("x")}})
            QCOMPARE(run(base + bad + QStringList{m_dir.filePath(s("gap.txt"))}).code, 2);
        // One after another, paced, with a time-out of its own: the same table.
        const Result paced =
            run(base + QStringList{s("--sequential"), s("--interval"), s("20"), s("--jitter"), s("--timeout"),
                                   s("5"), s("--csv"), m_dir.filePath(s("gap.txt"))});
        QCOMPARE(paced.code, 3);
        QCOMPARE(paced.out, run(base + QStringList{s("--csv"), m_dir.filePath(s("gap.txt"))}).out);
        QVERIFY(paced.out.contains("http://gap.example,"));
        // Every engine answering: exit 0.
        m_engines->emulator()->setMode(3, url, emulator::Mode::None);
        QCOMPARE(run(base + QStringList{s("--retries"), s("0"), m_dir.filePath(s("gap.txt"))}).code, 0);
    }

    void thresholdsAndStdin()
    {
        const Result r = run(
            {s("--program-folder"), m_dir.path(), s("--low"), s("2000"), s("--medium"), s("4000"), s("-")},
            "http://a.example\r\nhttp://b.example\r\n");
        QCOMPARE(r.code, 0);
        const QList<QByteArray> lines = r.out.split('\n');
        QVERIFY(lines.at(0).startsWith("Domain Name"));
        QVERIFY(lines.at(1).startsWith("http://b.example") && lines.at(1).trimmed().endsWith("high"));
        QVERIFY(lines.at(2).startsWith("http://a.example") && lines.at(2).trimmed().endsWith("low"));
        // The stored sort option decides the order, as in the window.
        QDir(m_dir.filePath(s("config/Vantory"))).mkpath(s("."));
        testFiles::write(m_dir.filePath(s("config/Vantory/Vantory.conf")),
                         "[Settings]\nchkAutoSort=0\ntxtProfile0=1500\n");
        const Result unsorted = run({s("--program-folder"), m_dir.path(), s("--csv"), s("-")},
                                    "http://a.example\r\nhttp://b.example\r\n");
        QVERIFY(unsorted.out.split('\n').at(1).startsWith("http://a.example,1234"));
        QVERIFY(unsorted.out.split('\n').at(1).trimmed().endsWith(",low")); // 1234 below the stored 1500
        QFile::remove(m_dir.filePath(s("config/Vantory/Vantory.conf")));
        // An empty list: just the header.
        QCOMPARE(run({s("--csv"), s("-")}, "").out,
                 QByteArray("Domain Name,Total,Google,Altavista,Yahoo!,Teoma,MSN,"
                            "All The Web,Profile\r\n"));
    }

    void saveAppendHistory()
    {
        testFiles::write(m_dir.filePath(s("one.txt")), "http://a.example\r\n");
        const QStringList base{s("--program-folder"), m_dir.path()};
        QCOMPARE(run(base + QStringList{s("--save"), s("site"), s("--date"), s("2026-11-28"),
                                        m_dir.filePath(s("one.txt"))})
                     .code,
                 0);
        const QString file = m_dir.filePath(s("Saved/site.vty"));
        QVERIFY(testFiles::read(file).startsWith("\r\n[Google]\r\n11-28-26=1234\r\n"));
        m_engines->emulator()->setCount(1, s("http://a.example"), 1300);
        const Result appended = run(base + QStringList{s("--append"), s("site"), s("--date"), s("2026-12-05"),
                                                       m_dir.filePath(s("one.txt"))});
        QCOMPARE(appended.code, 0);
        QVERIFY(appended.err.contains("Saved into"));
        m_engines->emulator()->setCount(1, s("http://a.example"), 1234);
        const Result history = run(base + QStringList{s("--history"), s("site"), s("--csv")});
        QCOMPARE(history.code, 0);
        QCOMPARE(QString::fromLatin1(history.out),
                 s("Date,Google,Altavista,Yahoo!,Teoma,MSN,All The Web\r\n"
                   "2026-12-05,1300,0,0,0,0,0\r\n2026-11-28,1234,0,0,0,0,0\r\n"));
        const Result json = run(base + QStringList{s("--history"), s("site"), s("--json")});
        QCOMPARE(json.code, 0);
        const QJsonObject document = QJsonDocument::fromJson(json.out).object();
        QCOMPARE(document.value(s("engines")).toArray().first().toString(), s("Google"));
        QCOMPARE(document.value(s("dates")).toArray().at(1).toObject(),
                 QJsonObject({{s("date"), s("2026-11-28")},
                              {s("Google"), 1234},
                              {s("Altavista"), 0},
                              {s("Yahoo!"), 0},
                              {s("Teoma"), 0},
                              {s("MSN"), 0},
                              {s("All The Web"), 0}}));
        const Result text = run(base + QStringList{s("--history"), s("site")});
        QCOMPARE(text.out.split('\n').at(1).simplified(), QByteArray("12-05-26 1300 0 0 0 0 0"));
        // --save onto an existing saved search is refused (its history stays) unless --replace says so.
        const QByteArray kept = testFiles::read(m_dir.filePath(s("Saved/site.vty")));
        const Result again = run(base + QStringList{s("--save"), s("site"), m_dir.filePath(s("one.txt"))});
        QCOMPARE(again.code, 1);
        QVERIFY2(again.err.contains("already exists: --append site adds to it"), again.err.constData());
        QCOMPARE(testFiles::read(m_dir.filePath(s("Saved/site.vty"))), kept);
        QCOMPARE(run(base + QStringList{s("--replace"), m_dir.filePath(s("one.txt"))}).code, 2);
        QCOMPARE(run(base + QStringList{s("--save"), s("replaced"), m_dir.filePath(s("one.txt"))}).code, 0);
        QCOMPARE(run(base + QStringList{s("--save"), s("replaced"), s("--replace"), s("--date"),
                                        s("2026-12-06"), m_dir.filePath(s("one.txt"))})
                     .code,
                 0);
        QCOMPARE(run(base + QStringList{s("--history"), s("replaced"), s("--csv")}).out.count("\r\n"), 2);
        // --append into a saved search that is not there makes it, and says so.
        const Result made =
            run(base + QStringList{s("--append"), s("nothing"), m_dir.filePath(s("one.txt"))});
        QCOMPARE(made.code, 0);
        QVERIFY2(made.err.contains("The saved search nothing did not exist: it was made"),
                 made.err.constData());
        QVERIFY(QFile::exists(m_dir.filePath(s("Saved/nothing.vty"))));
        // Refusals: two URLs, a bad name or date, a save without a URL file.
        QCOMPARE(run(base + QStringList{s("--save"), s("two"), m_dir.filePath(s("list.txt"))}).code, 2);
        QCOMPARE(run(base + QStringList{s("--save"), s("../escape"), m_dir.filePath(s("one.txt"))}).code, 2);
        QCOMPARE(run(base + QStringList{s("--save"), s("x"), s("--date"), s("28.11.2026"),
                                        m_dir.filePath(s("one.txt"))})
                     .code,
                 2);
        QCOMPARE(run(base + QStringList{s("--history"), s("absent")}).code, 1);
        QCOMPARE(run(base + QStringList{s("--history"), s("site"), m_dir.filePath(s("one.txt"))}).code, 2);
        QVERIFY(!QFile::exists(m_dir.filePath(s("escape.vty"))));

        // A save dated before the newest one takes its place among the dates, newest first, in every section.
        m_engines->emulator()->setCount(1, s("http://a.example"), 1250);
        QCOMPARE(run(base + QStringList{s("--append"), s("site"), s("--date"), s("2026-12-01"),
                                        m_dir.filePath(s("one.txt"))})
                     .code,
                 0);
        m_engines->emulator()->setCount(1, s("http://a.example"), 1234);
        QVERIFY2(testFiles::read(file).startsWith("\r\n[Google]\r\n12-05-26=1300\r\n12-01-26=1250\r\n"
                                                  "11-28-26=1234\r\n\r\n[Altavista]\r\n12-05-26=0\r\n"
                                                  "12-01-26=0\r\n11-28-26=0\r\n"),
                 testFiles::read(file).constData());
        // Two-digit years: dates outside 2000-2099 are refused, nothing is written.
        const QByteArray before = testFiles::read(file);
        for (const char *date : {"1999-12-31", "2100-01-01"}) {
            QCOMPARE(run(base + QStringList{s("--append"), s("site"), s("--date"), s(date),
                                            m_dir.filePath(s("one.txt"))})
                         .code,
                     2);
        }
        QCOMPARE(testFiles::read(file), before);
        // A file copied from Windows with its extension in capitals is appended to and printed.
        QVERIFY(QFile::rename(file, m_dir.filePath(s("Saved/site.VTY"))));
        QCOMPARE(run(base + QStringList{s("--append"), s("site"), s("--date"), s("2026-12-06"),
                                        m_dir.filePath(s("one.txt"))})
                     .code,
                 0);
        QVERIFY(!QFile::exists(file));
        QVERIFY(
            run(base + QStringList{s("--history"), s("site"), s("--csv")}).out.contains("2026-12-06,1234"));
    }

    void historyImport()
    {
        // A history built by saves on three days (MSN's counts grouped), exported and imported under a new
        // name: the same file, byte for byte, down to the empty line the last save leaves at its end.
        testFiles::write(m_dir.filePath(s("imp.txt")), "http://imp.example\r\n");
        const QStringList base{s("--program-folder"), m_dir.path()};
        const QString url = s("http://imp.example");
        for (const auto &[date, count] : {std::pair{"2025-12-31", 123}, std::pair{"2026-01-01", 1234567},
                                          std::pair{"2026-01-05", 5000}}) {
            for (int engine = 1; engine <= 6; ++engine)
                m_engines->emulator()->setCount(engine, url, count + engine);
            QVERIFY(run(base + QStringList{QFile::exists(m_dir.filePath(s("Saved/imp.vty"))) ? s("--append")
                                                                                             : s("--save"),
                                           s("imp"), s("--date"), s(date), m_dir.filePath(s("imp.txt"))})
                        .code == 0);
        }
        const QByteArray original = testFiles::read(m_dir.filePath(s("Saved/imp.vty")));
        QVERIFY(original.contains("MSN]\r\n01-05-26=5,005\r\n01-01-26=1,234,572\r\n12-31-25=128\r\n"));
        QVERIFY(original.endsWith("12-31-25=129\r\n\r\n"));
        const Result exported = run(base + QStringList{s("--history"), s("imp"), s("--csv")});
        QVERIFY(exported.out.contains("\r\n2026-01-01,1234568,"));
        testFiles::write(m_dir.filePath(s("imp.csv")), exported.out);
        const Result imported =
            run(base + QStringList{s("--import"), s("copy"), m_dir.filePath(s("imp.csv"))});
        QCOMPARE(imported.code, 0);
        QVERIFY(imported.err.contains("Imported 3 dates"));
        QCOMPARE(testFiles::read(m_dir.filePath(s("Saved/copy.vty"))), original);
        // An existing search needs --merge; merged, a date there is replaced and a new one placed in order.
        QCOMPARE(run(base + QStringList{s("--import"), s("copy"), m_dir.filePath(s("imp.csv"))}).code, 1);
        QCOMPARE(testFiles::read(m_dir.filePath(s("Saved/copy.vty"))), original);
        const QByteArray more = "Date,Google,Extra\n2026-01-01,7,\n2026-01-03,8,9\n";
        QCOMPARE(run(base + QStringList{s("--import"), s("copy"), s("--merge"), s("-")}, more).code, 0);
        const QByteArray merged = testFiles::read(m_dir.filePath(s("Saved/copy.vty")));
        QVERIFY(merged.startsWith(
            "\r\n[Google]\r\n01-05-26=5001\r\n01-03-26=8\r\n01-01-26=7\r\n12-31-25=124\r\n"));
        QVERIFY(merged.endsWith("\r\n[Extra]\r\n01-03-26=9\r\n"));
        QVERIFY(merged.contains("[MSN]\r\n01-05-26=5,005\r\n01-01-26=1,234,572\r\n")); // left as it was
        // Bad rows are reported by line, and nothing is written.
        const QByteArray bad = "Date,Google,MSN\r\n2026-02-01,1,2\r\n,3,4\r\n2026-02-30,1,1\r\n"
                               "2026-02-02,many,1\r\n2026-02-03,1\r\n2026-02-01,5,5\r\n1999-12-31,1,1\r\n";
        const Result refused = run(base + QStringList{s("--import"), s("bad"), s("-")}, bad);
        QCOMPARE(refused.code, 1);
        for (const char *line :
             {"line 3: no date", "line 4: \"2026-02-30\"", "line 5: \"many\" is not a count (Google)",
              "line 6: 2 fields", "line 7: 2026-02-01 comes twice", "line 8: \"1999-12-31\""})
            QVERIFY2(refused.err.contains(line), refused.err.constData());
        QVERIFY(!refused.err.contains("line 2"));
        QVERIFY(!QFile::exists(m_dir.filePath(s("Saved/bad.vty"))));
        QCOMPARE(run(base + QStringList{s("--import"), s("bad"), s("-")}, "Day,Google\n2026-01-01,1\n").code,
                 1);
        QCOMPARE(run(base + QStringList{s("--merge"), s("-")}, "").code, 2);
        // --compare: the one URL's total against the newest save of a saved search; 0 whatever the cells.
        const Result compared =
            run(base + QStringList{s("--compare"), s("imp"), m_dir.filePath(s("imp.txt"))});
        QCOMPARE(compared.code, 0);
        const qint64 newest = 5001 + 5002 + 5003 + 5004 + 5005 + 5006;
        QVERIFY2(compared.out.contains("Change since 2026-01-05 in imp: "), compared.out.constData());
        QVERIFY(compared.out.contains(", saved " + QByteArray::number(newest) + ")"));
        QCOMPARE(run(base + QStringList{s("--compare"), s("absent"), m_dir.filePath(s("imp.txt"))}).code, 1);
        // A URL without any count has no total to compare: said, not shown as a fall to 0.
        testFiles::write(m_dir.filePath(s("changed.txt")), "http://changed.example\n");
        const Result unmeasured =
            run(base + QStringList{s("--compare"), s("imp"), m_dir.filePath(s("changed.txt"))});
        QCOMPARE(unmeasured.code, 3);
        QVERIFY(!unmeasured.out.contains("Change since"));
        QVERIFY2(unmeasured.err.contains("there is no total to compare"), unmeasured.err.constData());
        QCOMPARE(run(base + QStringList{s("--compare"), s("imp"), m_dir.filePath(s("list.txt"))}).code, 2);
    }

    void outputsThatCannotBeWritten()
    {
        // Standard output on a full device: every kind of output fails with one line and exit status 1.
        testFiles::write(m_dir.filePath(s("full.txt")), "http://a.example\r\n");
        const QStringList base{s("--program-folder"), m_dir.path()};
        QVERIFY(run(base + QStringList{s("--save"), s("full"), s("--date"), s("2026-02-01"),
                                       m_dir.filePath(s("full.txt"))})
                    .code == 0);
        const QString list = m_dir.filePath(s("full.txt"));
        for (const QStringList &arguments :
             {QStringList{list}, QStringList{s("--csv"), list}, QStringList{s("--json"), list},
              QStringList{s("--history"), s("full")}, QStringList{s("--history"), s("full"), s("--csv")},
              QStringList{s("--history"), s("full"), s("--json")}, QStringList{s("--where")},
              QStringList{s("--help")}}) {
            const Result r = run(base + arguments, QByteArray(), s("/dev/full"));
            QVERIFY2(r.code == 1, qPrintable(arguments.join(u' ')));
            QVERIFY2(
                r.err.trimmed().endsWith("vantory-scan: cannot write to standard output: No space left on "
                                         "device"),
                r.err.constData());
        }
        // Written to a file that works: exit 0.
        QCOMPARE(run(base + QStringList{s("--history"), s("full"), s("--csv")}, QByteArray(),
                     m_dir.filePath(s("full.csv")))
                     .code,
                 0);
        QVERIFY(testFiles::read(m_dir.filePath(s("full.csv"))).startsWith("Date,Google,"));
    }

    void writersAtOnceKeepEverySave()
    {
        // Pairs of daily jobs appending to one saved search at the same moment: every save is kept.
        testFiles::write(m_dir.filePath(s("pair.txt")), "http://a.example\r\n");
        const QStringList base{s("--program-folder"), m_dir.path()};
        QVERIFY(run(base + QStringList{s("--save"), s("pair"), s("--date"), s("2026-01-01"),
                                       m_dir.filePath(s("pair.txt"))})
                    .code == 0);
        constexpr int Pairs = 12;
        QStringList dates;
        for (int pair = 0; pair < Pairs; ++pair) {
            QProcess first, second;
            const QString a = QDate(2026, 3, 1).addDays(2 * pair).toString(Qt::ISODate);
            const QString b = QDate(2026, 3, 2).addDays(2 * pair).toString(Qt::ISODate);
            start(first, base + QStringList{s("--append"), s("pair"), s("--date"), a,
                                            m_dir.filePath(s("pair.txt"))});
            start(second, base + QStringList{s("--append"), s("pair"), s("--date"), b,
                                             m_dir.filePath(s("pair.txt"))});
            QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
            QCOMPARE(first.exitCode(), 0);
            QCOMPARE(second.exitCode(), 0);
            dates << a << b;
        }
        const QByteArray history = run(base + QStringList{s("--history"), s("pair"), s("--csv")}).out;
        for (const QString &date : std::as_const(dates))
            QVERIFY2(history.contains("\r\n" + date.toLatin1() + ",1234,0,0,0,0,0\r\n"), qPrintable(date));
        QVERIFY(!QFile::exists(m_dir.filePath(s("Saved/pair.vty.lock"))));
        // A writer that holds the file for longer than the wait: the job changes nothing, says so, exit 1.
        const QByteArray before = testFiles::read(m_dir.filePath(s("Saved/pair.vty")));
        QLockFile held(m_dir.filePath(s("Saved/pair.vty.lock")));
        QVERIFY(held.tryLock(0));
        const Result blocked = run(base + QStringList{s("--append"), s("pair"), s("--date"), s("2026-06-01"),
                                                      m_dir.filePath(s("pair.txt"))},
                                   QByteArray(), QString(), s("300"));
        QCOMPARE(blocked.code, 1);
        QVERIFY2(blocked.err.contains("is being written by another program"), blocked.err.constData());
        QCOMPARE(testFiles::read(m_dir.filePath(s("Saved/pair.vty"))), before);
        const Result import = run(base + QStringList{s("--import"), s("pair"), s("--merge"), s("-")},
                                  "Date,Google\n2026-06-02,5\n", QString(), s("300"));
        QCOMPARE(import.code, 1);
        QCOMPARE(testFiles::read(m_dir.filePath(s("Saved/pair.vty"))), before);
        held.unlock();
        // An empty lock file, as a writer killed between making it and writing it leaves it: nobody holds it,
        // so it is taken over at once (well within a wait of 3 s; it would count as abandoned after 60 s).
        const QString lock = m_dir.filePath(s("Saved/pair.vty.lock"));
        {
            QFile empty(lock);
            QVERIFY(empty.open(QIODevice::WriteOnly));
            QVERIFY(empty.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                                      QFileDevice::FileModificationTime));
        }
        const Result after = run(base + QStringList{s("--append"), s("pair"), s("--date"), s("2026-06-03"),
                                                    m_dir.filePath(s("pair.txt"))},
                                 QByteArray(), QString(), s("3000"));
        QVERIFY2(after.code == 0, after.err.constData());
        QVERIFY(testFiles::read(m_dir.filePath(s("Saved/pair.vty"))).contains("06-03-26=1234"));
        QVERIFY(!QFile::exists(lock));
    }

    void keepPages()
    {
        testFiles::write(m_dir.filePath(s("two.txt")), "http://a.example\r\nhttp://b.example\r\n");
        const QString folder = m_dir.filePath(s("pages"));
        const Result r = run({s("--program-folder"), m_dir.path(), s("--keep-pages"), folder, s("--csv"),
                              m_dir.filePath(s("two.txt"))});
        QVERIFY(r.code == 0 || r.code == 3);
        const QJsonArray index = QJsonDocument::fromJson(testFiles::read(folder + s("/index.json"))).array();
        QCOMPARE(index.size(), 12);
        const QStringList rows = QString::fromLatin1(r.out).split(s("\r\n"));
        for (const QJsonValue &value : index) {
            const QJsonObject entry = value.toObject();
            const QString file = entry.value(s("file")).toString();
            QVERIFY2(QRegularExpression(s("^[12]-(google|altavista|yahoo|teoma|msn|alltheweb)\\.html$"))
                         .match(file)
                         .hasMatch(),
                     qPrintable(file));
            const QByteArray page = testFiles::read(folder + u'/' + file);
            QVERIFY(!page.isEmpty());
            QCOMPARE(entry.value(s("status")).toInt(), 200);
            QVERIFY(entry.value(s("query")).toString().contains(entry.value(s("url")).toString().mid(7)));
            // Row numbers follow the printed table.
            QVERIFY(rows.value(file.left(1).toInt()).startsWith(entry.value(s("url")).toString()));
            QVERIFY(QStringList({s("ok"), s("zero")}).contains(entry.value(s("word")).toString()));
        }
        // Pages that cannot be written: said with the reason, exit 1.
        const Result full = runLimited({s("--program-folder"), m_dir.path(), s("--keep-pages"),
                                        m_dir.filePath(s("pages2")), m_dir.filePath(s("two.txt"))});
        QCOMPARE(full.code, 1);
        QVERIFY2(full.err.contains(": File too large"), full.err.constData());
        // An import that cannot be written: the same.
        QByteArray csv = "Date,Google\n";
        for (int day = 1; day <= 200; ++day)
            csv += QDate(2025, 1, 1).addDays(day).toString(Qt::ISODate).toLatin1() + ",5\n";
        const Result import =
            runLimited({s("--program-folder"), m_dir.path(), s("--import"), s("limited"), s("-")}, csv);
        QCOMPARE(import.code, 1);
        QVERIFY2(import.err.contains("it is unchanged: File too large"), import.err.constData());
        // A folder that cannot be made: said, exit 1.
        testFiles::write(m_dir.filePath(s("blocker")), "x");
        QCOMPARE(run({s("--program-folder"), m_dir.path(), s("--keep-pages"),
                      m_dir.filePath(s("blocker/sub")), m_dir.filePath(s("two.txt"))})
                     .code,
                 1);
    }

    void pageTextAndFileLimits()
    {
        // A count cut from a page that holds terminal escapes is shown escaped in the text table and kept as
        // it is in CSV.
        const QString target = s("http://escape.example");
        m_engines->emulator()->setPage(target, "<p></b> of <b>\x1b]0;pwn\x07</b> linking to </p>");
        testFiles::write(m_dir.filePath(s("escape.txt")), target.toLatin1() + "\n");
        const QStringList base{s("--program-folder"), m_dir.path()};
        const Result text = run(base + QStringList{m_dir.filePath(s("escape.txt"))});
        QCOMPARE(text.code, 3); // a leftover is no count
        QVERIFY(!text.out.contains('\x1b') && !text.out.contains('\x07'));
        QVERIFY2(text.out.contains("\\x1b]0;pwn\\x07"), text.out.constData());
        const Result csv = run(base + QStringList{s("--csv"), m_dir.filePath(s("escape.txt"))});
        QVERIFY(csv.out.contains("http://escape.example,,\x1b]0;pwn\x07,"));

        // A save beyond the file-size limit ends with the program's message, the old file intact.
        testFiles::write(m_dir.filePath(s("one.txt")), "http://a.example\r\n");
        QByteArray history = "\r\n[Google]\r\n";
        for (int day = 1; day <= 28; ++day)
            for (int month = 12; month >= 1; --month)
                history += QString::asprintf("%02d-%02d-19=%d\r\n", month, day, day * month).toLatin1();
        const QString file = m_dir.filePath(s("Saved/big.vty"));
        QDir(m_dir.path()).mkpath(s("Saved"));
        testFiles::write(file, history);
        QVERIFY(history.size() > 4096);
        QProcess limited;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(s("XDG_CONFIG_HOME"), m_dir.filePath(s("config")));
        limited.setProcessEnvironment(env);
        limited.start(s("bash"),
                      {s("-c"), s("trap - XFSZ; ulimit -f 4; exec \"$0\" \"$@\""),
                       s(VANTORY_BIN_DIR "/vantory-scan"), s("--program-folder"), m_dir.path(), s("--append"),
                       s("big"), s("--date"), s("2020-01-01"), m_dir.filePath(s("one.txt"))});
        QVERIFY(limited.waitForFinished(60000));
        QCOMPARE(limited.exitStatus(), QProcess::NormalExit);
        QCOMPARE(limited.exitCode(), 1);
        const QByteArray limitedErr = limited.readAllStandardError();
        QVERIFY(limitedErr.contains("could not be saved"));
        QVERIFY2(limitedErr.contains("the file is unchanged: File too large"),
                 limitedErr.constData()); // the cause
        QCOMPARE(testFiles::read(file), history);

        // A saved search at the most lines a file may hold: the save says so; one beyond it is not shown
        // in part by --history.
        QByteArray full = "\r\n[Google]\r\n";
        full.reserve(16 * 1024 * 1024);
        for (int i = 0; i < modINI::MaxSlots - 3; ++i)
            full += "x" + QByteArray::number(i) + "=1\r\n";
        testFiles::write(m_dir.filePath(s("Saved/full.vty")), full);
        Result r = run(
            {s("--program-folder"), m_dir.path(), s("--append"), s("full"), m_dir.filePath(s("one.txt"))});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("the saved search has reached 1048575 lines"), r.err.constData());
        QCOMPARE(testFiles::read(m_dir.filePath(s("Saved/full.vty"))), full);
        testFiles::write(m_dir.filePath(s("Saved/over.vty")), full + "\r\n[Altavista]\r\n12-01-26=5\r\n");
        r = run({s("--program-folder"), m_dir.path(), s("--history"), s("over")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("holds more than 1048575 lines"), r.err.constData());
        QVERIFY(QDir(m_dir.filePath(s("Saved"))).entryList({s("big.vty.*")}, QDir::Files).isEmpty());
    }

    void demoFolder()
    {
        // The demo's program folder has the program's read-me and skin, so its help window is not blank.
        QTemporaryDir dir;
        QVERIFY(emulator::writeDemoFolder(dir.path(), *m_engines->emulator(), nullptr,
                                          s(VANTORY_SOURCE_DIR "/data")));
        for (const char *item :
             {"Help.rtf", "skins/Standard.skin", "skins/Standard.qss", "settings.ini", "Lists/demo.txt"})
            QVERIFY2(QFileInfo(dir.filePath(s(item))).size() > 0, item);
        QCOMPARE(testFiles::read(dir.filePath(s("Help.rtf"))),
                 testFiles::read(s(VANTORY_SOURCE_DIR "/data/Help.rtf")));
    }

    // The window's demo keeps to itself: a settings store of its own in its temporary folder, and the folder
    // is gone when the demo ends, also by SIGTERM.
    void demoKeepsToItself()
    {
        QTemporaryDir box;
        QVERIFY(QDir(box.path()).mkpath(s("tmp")));
        QProcess demo;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(s("TMPDIR"), box.filePath(s("tmp")));
        env.insert(s("XDG_CONFIG_HOME"), box.filePath(s("config")));
        env.insert(s("XDG_RUNTIME_DIR"), box.filePath(s("tmp")));
        env.insert(s("QT_QPA_PLATFORM"), s("offscreen"));
        demo.setProcessEnvironment(env);
        demo.start(s(VANTORY_BIN_DIR "/vantory"), {s("--demo")});
        QVERIFY(demo.waitForStarted(10000));
        // Ready for the signal: the demo's folder is made and SIGTERM is caught.
        auto ready = [&] {
            QFile status(s("/proc/%1/status").arg(demo.processId()));
            if (!status.open(QIODevice::ReadOnly))
                return false;
            bool caught = false;
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("SigCgt:"))
                    caught = (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
            }
            return caught && !QDir(box.filePath(s("tmp"))).entryList({s("Vantory-*")}, QDir::Dirs).isEmpty();
        };
        QTRY_VERIFY_WITH_TIMEOUT(ready(), 60000);
        ::kill(pid_t(demo.processId()), SIGTERM);
        QVERIFY(demo.waitForFinished(60000));
        QCOMPARE(demo.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QDir(box.filePath(s("tmp"))).entryList({s("Vantory-*")}, QDir::Dirs), QStringList());
        QVERIFY(!QFileInfo::exists(box.filePath(s("config/Vantory/Vantory.conf"))));
    }

    // vantory-emulator serves the proxies too, so that --proxy can be tried offline (the README's example).
    void emulatorProxies()
    {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkpath(s("Saved")));
        QProcess emu;
        emu.start(s(VANTORY_BIN_DIR "/vantory-emulator"),
                  {s("--port"), s("0"), s("--settings"), folder.filePath(s("settings.ini")),
                   s("--proxy-port"), s("0"), s("--socks5-port"), s("0"), s("--proxy-user"),
                   s("me:se:cret")});
        QVERIFY(emu.waitForStarted(10000));
        QByteArray announced;
        QTRY_VERIFY_WITH_TIMEOUT((announced += emu.readAllStandardError()).count("proxy: ") == 2, 20000);
        const QRegularExpressionMatch http =
            QRegularExpression(s("HTTP proxy: (\\S+)")).match(QString::fromLatin1(announced));
        const QRegularExpressionMatch socks =
            QRegularExpression(s("SOCKS5 proxy: (\\S+)")).match(QString::fromLatin1(announced));
        QVERIFY2(http.hasMatch() && socks.hasMatch(), announced.constData());
        QCOMPARE(http.captured(1).left(21), s("http://me:se:cret@127"));
        testFiles::write(folder.filePath(s("one.txt")), "http://www.example.com\n");
        for (const QString &proxy : {http.captured(1), socks.captured(1)}) {
            const Result r = run({s("--program-folder"), folder.path(), s("--proxy"), proxy, s("--json"),
                                  folder.filePath(s("one.txt"))});
            QVERIFY2(r.code == 0, r.err.constData());
        }
        // A wrong password: every cell is a proxy failure.
        QString wrong = http.captured(1);
        wrong.replace(s("se:cret"), s("wrong"));
        const Result refused = run({s("--program-folder"), folder.path(), s("--proxy"), wrong, s("--retries"),
                                    s("0"), s("--json"), folder.filePath(s("one.txt"))});
        QCOMPARE(refused.code, 3);
        QCOMPARE(refused.out.count("\"status\": \"proxy\""), 6);
        emu.kill();
        emu.waitForFinished();
    }

    // vantory-emulator serves a web graph release in the real source's layout: the README's offline import.
    void emulatorGraphRelease()
    {
        QTemporaryDir folder;
        QProcess emu;
        emu.start(s(VANTORY_BIN_DIR "/vantory-emulator"), {s("--port"), s("0"), s("--graph-port"), s("0")});
        QVERIFY(emu.waitForStarted(10000));
        QByteArray announced;
        QTRY_VERIFY_WITH_TIMEOUT((announced += emu.readAllStandardError()).contains('\n'), 60000);
        const QRegularExpressionMatch address =
            QRegularExpression(s("Web graph releases: (\\S+)")).match(QString::fromLatin1(announced));
        QVERIFY2(address.hasMatch(), announced.constData());
        const QStringList base{s("--program-folder"), folder.path(), s("--graph-source"),
                               address.captured(1)};
        const Result releases = run(base + QStringList{s("--graph-releases")});
        QVERIFY(releases.out.contains("Offered by " + address.captured(1).toLatin1() +
                                      ":\n  cc-main-2025-sep-oct-nov  2025-11-30"));
        const Result imported = run(base + QStringList{s("--graph-import"), s("cc-main-2025-sep-oct-nov")});
        QVERIFY2(imported.code == 0, imported.err.constData());
        QVERIFY(imported.err.contains("3000 domains, 40000 links"));
        emu.kill();
        emu.waitForFinished();
    }

    void listsFromLinuxTools()
    {
        // LF line ends, a UTF-8 byte-order mark, blanks around entries, and thresholds written with
        // thousands separators as the Options dialog accepts them.
        const Result r = run({s("--program-folder"), m_dir.path(), s("--csv"), s("--low"), s("2,000"),
                              s("--medium"), s("4,000.4"), s("-")},
                             "\xef\xbb\xbfhttp://a.example\n\n  http://b.example\t\n");
        QCOMPARE(r.code, 0);
        QCOMPARE(QString::fromLatin1(r.out),
                 s("Domain Name,Total,Google,Altavista,Yahoo!,Teoma,MSN,All The Web,Profile\r\n"
                   "http://b.example,5000,0,0,0,0,5000,0,high\r\n"
                   "http://a.example,1234,1234,0,0,0,0,0,low\r\n"));
    }

    // Engines as data on the command line: the list, a scan restricted to some, a definition tried on a page.
    void enginesFromTheFile()
    {
        const QString folder = m_dir.filePath(s("engines-folder"));
        QVERIFY(QDir().mkpath(folder + s("/Saved")));
        const QString ini = folder + s("/settings.ini");
        auto *emu = m_engines->emulator();
        QVERIFY(emu->writeSettingsIni(ini));
        QVERIFY(modINI::WriteINI(s("Engines"), s("Suche"), emu->prefix(emulator::UnicodeStyle), ini));
        QVERIFY(modINI::WriteINI(s("Engines"), s("Api"), emu->prefix(emulator::JsonStyle), ini));
        QFile shipped(s(VANTORY_SOURCE_DIR "/data/engines.ini"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QVERIFY(testFiles::write(folder + s("/engines.ini"),
                                 shipped.readAll() +
                                     "\n[Suche]\nKey=Suche\nHeader=Suche\nCountBefore=\"Ungef\xc3\xa4hr \"\n"
                                     "CountAfter=\" Ergebnisse\"\nZeroPhrase=Keine Ergebnisse f\xc3\xbcr\n"
                                     "Separators=.\n\n[Api]\nKey=Api\nHeader=Api\nJsonPointer=/total\n"
                                     "\n[Broken]\nKey=Broken\nHeader=Broken\nExpression=((\n"));
        emu->setCount(emulator::UnicodeStyle, s("http://e.example"), 7654321);
        emu->setCount(emulator::JsonStyle, s("http://e.example"), 1234);
        emu->setMode(emulator::UnicodeStyle, s("http://z.example"), emulator::Mode::NoResults);
        const QStringList base{s("--program-folder"), folder};

        const Result list = run(base + QStringList{s("--engines")});
        QCOMPARE(list.code, 0);
        const QStringList lines = QString::fromUtf8(list.out).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 9);
        QVERIFY(lines.at(7).startsWith(s("Suche")) && lines.at(7).endsWith(s("markers")));
        QVERIFY(lines.at(8).startsWith(s("Api")) && lines.at(8).endsWith(s("json")));
        QVERIFY(lines.at(6).contains(s("All The Web")));
        // The broken engine is left out, with the file and its line.
        QVERIFY2(list.err.contains("engines.ini, line ") && list.err.contains("[Broken] is left out"),
                 list.err);

        testFiles::write(folder + s("/one.txt"), "http://e.example\n");
        const Result scan = run(base + QStringList{s("--engine"), s("suche"), s("--engine"), s("API"),
                                                   s("--csv"), folder + s("/one.txt")});
        QVERIFY2(scan.code == 0, scan.out + scan.err);
        QCOMPARE(QString::fromUtf8(scan.out).split(s("\r\n")).value(0),
                 s("Domain Name,Total,Suche,Api,Profile"));
        QCOMPARE(QString::fromUtf8(scan.out).split(s("\r\n")).value(1),
                 s("http://e.example,7655555,7654321,1234,high"));
        QVERIFY(!scan.err.contains("Google"));
        QCOMPARE(run(base + QStringList{s("--engine"), s("Nope"), folder + s("/one.txt")}).code, 2);

        const Result fetched = run(base + QStringList{s("--test-engine"), s("Suche"), s("http://e.example")});
        QCOMPARE(fetched.code, 0);
        QVERIFY2(fetched.out.contains("Count:    \"7.654.321\" (the cell shows \"7654321\")"), fetched.out);
        QVERIFY(fetched.out.contains("Status:   ok"));
        const Result zero = run(base + QStringList{s("--test-engine"), s("Suche"), s("http://z.example")});
        QCOMPARE(zero.code, 0);
        QVERIFY(zero.out.contains("Status:   zero"));
        const QString page = folder + s("/page.html");
        testFiles::write(page, "<html><body>About 12 pages link here</body></html>");
        const Result layout = run(base + QStringList{s("--test-engine"), s("google"), s("--page"), page});
        QCOMPARE(layout.code, 3);
        QVERIFY(layout.out.contains("Status:   layout"));
        QVERIFY(layout.out.contains("(the markers are not on the page)"));
        testFiles::write(page, "{\"total\": 55}");
        QCOMPARE(run(base + QStringList{s("--test-engine"), s("Api"), s("--page"), page}).code, 0);
        QCOMPARE(
            run(base + QStringList{s("--test-engine"), s("Api"), s("--page"), page + s(".missing")}).code, 1);
        QCOMPARE(run(base + QStringList{s("--test-engine"), s("Broken"), s("--page"), page}).code, 2);
        QCOMPARE(run(base + QStringList{s("--test-engine"), s("Api")}).code, 2);
        QCOMPARE(run(base + QStringList{s("--page"), page, folder + s("/one.txt")}).code, 2);

        // A link API that takes a POST with Basic credentials, from the command line: scanned and tried, the
        // request shown with the password as its variable.
        QFile engines(folder + s("/engines.ini"));
        QVERIFY(engines.open(QIODevice::Append));
        QVERIFY(engines.write(
                    "\n[Posted]\nKey=Posted\nHeader=Posted\nJsonPointer=/tasks/0/result/0/referring_domains\n"
                    "Method=POST\nBody=[{\"target\": \"${domain}\"}]\nUsername=emulator-user\n"
                    "Password=${env:VANTORY_TEST_POST_KEY}\n") > 0);
        engines.close();
        QVERIFY(modINI::WriteINI(s("Engines"), s("Posted"), emu->baseUrl() + s("/api/post"), ini));
        qputenv("VANTORY_TEST_POST_KEY", "emulator-key");
        const QString domains = QString::number(emu->count(emulator::JsonStyle, s("e.example")) / 7);
        const Result posted =
            run(base + QStringList{s("--engine"), s("Posted"), s("--csv"), folder + s("/one.txt")});
        QVERIFY2(posted.code == 0, posted.out + posted.err);
        QCOMPARE(QString::fromUtf8(posted.out).split(s("\r\n")).value(1).section(u',', 0, 2),
                 s("http://e.example,") + domains + u',' + domains);
        const Result tried = run(base + QStringList{s("--test-engine"), s("Posted"), s("http://e.example")});
        QVERIFY2(tried.code == 0, tried.out + tried.err);
        QVERIFY2(tried.out.contains("Request:  Authorization: Basic (user emulator-user, password "
                                    "${env:VANTORY_TEST_POST_KEY})\n"),
                 tried.out);
        QVERIFY(tried.out.contains("          [{\"target\": \"e.example\"}]\n"));
        QVERIFY(!tried.out.contains("emulator-key"));
        qunsetenv("VANTORY_TEST_POST_KEY");
    }

    void badArguments()
    {
        for (const QStringList &args :
             {QStringList{}, QStringList{s("a"), s("b")}, QStringList{s("--low"), s("x"), s("-")},
              QStringList{s("--medium"), s("1.5x"), s("-")}, QStringList{s("--bogus"), s("-")}}) {
            const Result r = run(args, "");
            QCOMPARE(r.code, 2);
            QCOMPARE(r.err.count('\n'), 1);
            QVERIFY(r.out.isEmpty());
        }
        const Result missing = run({m_dir.filePath(s("nothing.txt"))});
        QCOMPARE(missing.code, 1);
        QVERIFY(missing.err.startsWith("vantory-scan: cannot read"));
        QCOMPARE(run({s("--help")}).code, 0);
        // The window program prints its help and version without a display.
        for (const char *option : {"--help", "--version"}) {
            QProcess program;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                env.remove(s(name));
            program.setProcessEnvironment(env);
            program.start(s(VANTORY_BIN_DIR "/vantory"), {s(option)});
            QVERIFY(program.waitForFinished(30000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
            const QByteArray out = program.readAllStandardOutput();
            QVERIFY2(out.contains(qstrcmp(option, "--help") == 0 ? "--program-folder" : "Vantory 0."),
                     out.constData());
        }
        const Result version = run({s("--version")});
        QCOMPARE(version.code, 0);
        QVERIFY(version.out.startsWith("vantory-scan 0."));
    }

    // Each program's manual page describes every option its --help lists, and no option it does not have.
    // An option the chosen command does not take is refused (exit 2, naming both) before anything is done;
    // two commands at once are refused; --where --json does what it says.
    void optionsBelongToTheirCommand()
    {
        const QStringList base{s("--program-folder"), m_dir.path()};
        const QString pages = m_dir.filePath(s("never"));
        const QList<std::pair<QStringList, const char *>> refused{
            {{s("--history"), s("site"), s("--keep-pages"), pages},
             "--keep-pages does not go with --history"},
            {{s("--history"), s("site"), s("--sequential"), s("--timeout"), s("5")},
             "--sequential does not go with --history"},
            {{s("--merge"), m_dir.filePath(s("one.txt"))},
             "--merge does not go with a scan of a URL list (it goes "
             "with --import)"},
            {{s("--watched"), s("--csv")}, "--csv does not go with --watched"},
            {{s("--history"), s("site"), s("--where")}, "--history and --where cannot be used together"},
            {{s("--alert-drop"), s("5"), m_dir.filePath(s("one.txt"))},
             "--alert-drop does not go with a scan"},
        };
        for (const auto &[args, message] : refused) {
            const Result r = run(base + args);
            QCOMPARE(r.code, 2);
            QVERIFY2(r.err.contains(message), r.err.constData());
            QVERIFY(r.out.isEmpty());
        }
        QVERIFY(!QFileInfo::exists(pages));
        const Result where = run(base + QStringList{s("--where"), s("--json")});
        QCOMPARE(where.code, 0);
        const QJsonObject places = QJsonDocument::fromJson(where.out).object();
        QCOMPARE(places.value(s("program folder")).toString(), m_dir.path());
        QCOMPARE(places.value(s("saved searches")).toString(), m_dir.filePath(s("Saved")));
    }

    void windowProgramAllocatesWithMimalloc()
    {
#ifndef VANTORY_MIMALLOC
        QSKIP("built with the sanitizers' allocator");
#else
        // The dynamic linker binds Qt's malloc and free to mimalloc's: the window's thread never waits on an
        // allocator lock held by a lowered transfer thread.
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(s("LD_DEBUG"), s("bindings"));
        process.setProcessEnvironment(env);
        process.start(s(VANTORY_BIN_DIR "/vantory"), {s("--version")});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray bindings = process.readAllStandardError();
        for (const char *symbol : {"malloc", "free"}) {
            const QRegularExpression bound(
                s("libQt6Core\\.so\\.6 \\[0\\] to (\\S+) \\[0\\]: normal symbol `") + QLatin1String(symbol) +
                u'\'');
            const QRegularExpressionMatch match = bound.match(QString::fromLocal8Bit(bindings));
            QVERIFY2(match.hasMatch(), symbol);
            QVERIFY2(match.captured(1).contains(s("libmimalloc")), qPrintable(match.captured(0)));
        }
#endif
    }

    void manualPagesMatchHelp()
    {
        for (const char *program : {"vantory", "vantory-scan", "vantory-emulator"}) {
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(s("DISPLAY"));
            env.remove(s("QT_QPA_PLATFORM"));
            process.setProcessEnvironment(env);
            process.start(s(VANTORY_BIN_DIR "/") + QLatin1String(program), {s("--help")});
            QVERIFY(process.waitForFinished(30000));
            const QString help = QString::fromUtf8(process.readAllStandardOutput());
            const QString page = QString::fromUtf8(
                testFiles::read(s(VANTORY_SOURCE_DIR "/data/man/") + QLatin1String(program) + s(".1")));
            QVERIFY(page.startsWith(s(".TH ")));
            const QRegularExpression option(s("(?:^|[\\s,])--([a-z][a-z0-9-]*)"));
            QSet<QString> inHelp;
            for (const auto &match : option.globalMatch(help))
                inHelp.insert(match.captured(1));
            QVERIFY(inHelp.contains(s("help")));
            QSet<QString> inPage;
            const QRegularExpression escaped(s("\\\\-\\\\-((?:[a-z0-9]|\\\\-)+)")); // \-\-name\-part
            for (const auto &match : escaped.globalMatch(page))
                inPage.insert(match.captured(1).remove(u'\\'));
            QCOMPARE(inPage, inHelp);
        }
    }

    void webGraphCommands()
    {
        // A release made up, imported by the command, looked up in every format; the lookups of a URL that
        // is no node, and of an address, say so without failing.
        const QString program = m_dir.filePath(s("graph-program"));
        const QString source = m_dir.filePath(s("graph-source"));
        const QString release = s("cc-main-2025-sep-oct-nov");
        QString why;
        QVERIFY2(graphRelease::write({source, release, 6000, 80000, 3, 5}, &why), qPrintable(why));
        const QStringList base{s("--program-folder"), program};
        QCOMPARE(run(base + QStringList{s("--watch"), s("ex"), s("http://www.example.com/")}).code, 0);
        const Result imported =
            run(base + QStringList{s("--graph-import"), release, s("--graph-source"), source});
        QVERIFY2(imported.code == 0, imported.err.constData());
        QVERIFY(imported.err.contains("Imported cc-main-2025-sep-oct-nov: 6000 domains, 80000 links."));
        const Result csv =
            run(base + QStringList{s("--graph"), s("--csv"), s("http://www.example.com"), s("10.1.2.3")});
        QCOMPARE(csv.code, 0);
        const QList<QByteArray> lines = csv.out.split('\n');
        QCOMPARE(lines.at(0),
                 QByteArray("URL,Node,Linking domains,Harmonic position,Harmonic value,PageRank position,"
                            "PageRank value,Hosts,Status\r"));
        QVERIFY(lines.at(1).startsWith("http://www.example.com,com.example,"));
        QVERIFY(lines.at(1).endsWith(",ok\r"));
        QCOMPARE(lines.at(2), QByteArray("10.1.2.3,,,,,,,,not-in-graph\r"));
        const QJsonArray json =
            QJsonDocument::fromJson(
                run(base + QStringList{s("--graph"), s("--json"), s("http://nowhere.invalid")}).out)
                .array();
        QCOMPARE(json.first().toObject().value(s("status")).toString(), s("not-in-graph"));
        QVERIFY(json.first().toObject().value(s("linking")).isNull());
        const Result linking =
            run(base + QStringList{s("--graph-linking"), s("http://example.com"), s("--csv")});
        QCOMPARE(linking.code, 0);
        QCOMPARE(linking.out.count('\n') - 1, lines.at(1).split(',').at(2).toInt());
        QCOMPARE(run(base + QStringList{s("--graph-linking"), s("http://example.org")}).code, 1);
        QCOMPARE(run(base + QStringList{s("--graph-history")}).code, 0);
        QVERIFY(run(base + QStringList{s("--history"), s("ex"), s("--csv")})
                    .out.contains("2025-11-30," + lines.at(1).split(',').at(2)));
        QCOMPARE(run(base + QStringList{s("--graph"), s("--where")}).code, 2);

        // A full disk: exit 1 with the system's words, the index as it was.
        const QString index = program + s("/WebGraph/") + release + s("/index.vgx");
        const QByteArray good = testFiles::read(index);
        const Result full =
            runLimited(base + QStringList{s("--graph-import"), release, s("--graph-source"), source});
        QCOMPARE(full.code, 1);
        QVERIFY2(full.err.contains("File too large") || full.err.contains("could not be written"),
                 full.err.constData());
        QCOMPARE(testFiles::read(index), good);

        // Killed at any moment: nothing half made is read, and the next import takes over.
        QVERIFY(QFile::remove(index));
        GraphFileServer server(source);
        QVERIFY(server.listen());
        server.stallAfter(s("edges.txt.gz"), 20000); // the import hangs in its last file
        QProcess killed;
        start(killed,
              base + QStringList{s("--graph-import"), release, s("--graph-source"), server.baseUrl()});
        QVERIFY(killed.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(server.requests() == 3, 20000);
        ::kill(pid_t(killed.processId()), SIGKILL);
        QVERIFY(killed.waitForFinished(10000));
        QCOMPARE(run(base + QStringList{s("--graph"), s("http://www.example.com")}).code,
                 1); // no index: none read
        const Result again =
            run(base + QStringList{s("--graph-import"), release, s("--graph-source"), source});
        QVERIFY2(again.code == 0, again.err.constData());
        const Result after = run(base + QStringList{s("--graph"), s("--csv"), s("http://www.example.com")});
        QCOMPARE(after.out.split('\n').at(1), lines.at(1)); // the same figures as the first import's

        // For the watched domains and a list's only: their figures, "not-kept" for the rest.
        const QString list = m_dir.filePath(s("graph-list.txt"));
        QVERIFY(testFiles::write(list, "http://alice.github.io/\n"));
        const Result few = run(base + QStringList{s("--graph-import"), release, s("--graph-source"), source,
                                                  s("--graph-only-watched"), list});
        QVERIFY2(few.code == 0, few.err.constData());
        const QList<QByteArray> kept =
            run(base + QStringList{s("--graph"), s("--csv"), s("http://www.example.com"),
                                   s("http://nowhere.example.org")})
                .out.split('\n');
        QCOMPARE(kept.at(1), lines.at(1));
        QCOMPARE(kept.at(2), QByteArray("http://nowhere.example.org,,,,,,,,not-kept\r"));
        QVERIFY(run(base + QStringList{s("--graph-releases"), s("--graph-source"), source})
                    .out.contains("6000 domains  80000 links"));
        QCOMPARE(run(base + QStringList{s("--graph-import"), release, list}).code, 2);
        const Result nothing =
            run(QStringList{s("--program-folder"), m_dir.filePath(s("graph-empty")), s("--graph-import"),
                            release, s("--graph-source"), source, s("--graph-only-watched")});
        QCOMPARE(nothing.code, 1);
        QVERIFY(nothing.err.contains("would hold nothing"));

        QCOMPARE(run(base + QStringList{s("--graph-remove"), release}).code, 0);
        QCOMPARE(run(base + QStringList{s("--graph-remove"), release}).code, 1);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
