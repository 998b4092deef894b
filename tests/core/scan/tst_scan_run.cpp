#include "core/ini/UserSettings.h"
#include "core/ini/privateProfile.h"
#include "core/saved/ChartData.h"
#include "core/scan/EngineTable.h"
#include "core/scan/FetchPage.h"
#include "core/scan/PageFetcher.h"
#include "core/scan/ResultsExport.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"
#include "emulator/EngineEmulator.h"

#include "../../support/TestText.h"
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using testText::s;

using emulator::Mode;
using namespace scan;

namespace {
} // namespace

class TestScanRun : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    emulator::EngineEmulator *m_emu = nullptr;
    ResultsModel *m_results = nullptr;
    WebLogModel *m_log = nullptr;
    ScanRun *m_run = nullptr;

    QString ini() const { return settingsFile(m_dir.path()); }

    // Runs urls to the end; returns the status texts the run sent.
    QStringList runAll(const QStringList &urls)
    {
        QSignalSpy status(m_run, &ScanRun::statusChanged);
        QSignalSpy finished(m_run, &ScanRun::finished);
        if (!m_run->start(urls))
            return {};
        if (!finished.wait(20000))
            return {s("<timeout>")};
        QStringList texts;
        for (const QList<QVariant> &args : status)
            texts.append(args.at(0).toString());
        return texts;
    }

    // Makes the target's total exactly total: Google reports it, the other engines report no results.
    void fixTotal(const QString &target, qint64 total)
    {
        m_emu->setCount(1, target, total);
        for (int e = 2; e <= 6; ++e)
            m_emu->setMode(e, target, Mode::NoResults);
    }

private slots:
    void initTestCase() { UserSettings::useFolder(m_dir.filePath(s("store"))); }

    void init()
    {
        m_emu = new emulator::EngineEmulator(this);
        QVERIFY(m_emu->listen());
        QFile::remove(ini());
        QVERIFY(m_emu->writeSettingsIni(ini()));
        m_results = new ResultsModel(this);
        m_log = new WebLogModel(this);
        m_run = new ScanRun(m_results, m_log, this);
        m_run->setSettingsFile(ini());
        for (int k = UserSettings::TxtProfile0; k <= UserSettings::CmbChart2; ++k)
            UserSettings::remove(UserSettings::Key(k));
    }

    void cleanup()
    {
        delete m_run;
        delete m_results;
        delete m_log;
        delete m_emu;
    }

    void threeUrls()
    {
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        const QStringList urls{s("http://a.example"), s("http://b.example"), s("http://a.example")};
        m_emu->setCount(5, urls.at(1), 12345); // MSN: "12,345"
        m_emu->setCount(2, urls.at(1), 12345); // AltaVista: "12,345" too
        QSignalSpy progress(m_run, &ScanRun::progressChanged);
        QSignalSpy started(m_run, &ScanRun::started);
        const QStringList status = runAll(urls);

        QCOMPARE(started.value(0).value(0).toInt(), 18);
        QCOMPARE(progress.size(), 18);
        QCOMPARE(progress.last().at(0).toInt(), 18);
        QCOMPARE(m_results->rowCount(), 3);
        for (int r = 0; r < 3; ++r)
            QCOMPARE(m_results->cell(r, 0), urls.at(r));
        // Commas go from every engine cell but MSN's; both count the same.
        QCOMPARE(m_results->cell(1, 3), s("12345"));
        QCOMPARE(m_results->cell(1, 6), s("12,345"));
        qint64 expected = 0;
        for (int e = 1; e <= 6; ++e)
            expected += m_emu->count(e, urls.at(1));
        QCOMPARE(m_results->cell(1, 1), QString::number(expected));
        // 21 log rows: "Home Page" and the six log texts, each with the target URL.
        QCOMPARE(m_log->rowCount(), 21);
        const QStringList types{s("Home Page"), s("Google"), s("AltaVista"), s("Yahoo"),
                                s("Teoma"),     s("MSN"),    s("AllTheWeb")};
        for (int r = 0; r < 21; ++r) {
            QCOMPARE(m_log->type(r), types.at(r % 7));
            QCOMPARE(m_log->url(r), urls.at(r / 7));
        }
        // Status texts after each page, then the completion message with two blanks.
        QCOMPARE(status.size(), 19);
        QCOMPARE(status.first(), s("Scanning http://a.example on Google"));
        QCOMPARE(status.at(5), s("Scanning http://a.example on All The Web"));
        qint64 grand = 0;
        for (int r = 0; r < 3; ++r)
            grand += m_results->cell(r, 1).toLongLong();
        QCOMPARE(status.last(), s("Search Complete.  Found %1 links.").arg(grand));
        QVERIFY(!m_run->isRunning());
        // The query went to each engine with the prefix of settings.ini and the target appended as it is (the
        // six engines of a URL are asked at the same time, so in any order).
        const QList<QByteArray> heads = m_emu->requestHeads();
        QCOMPARE(heads.size(), 18);
        QVERIFY(std::any_of(heads.cbegin(), heads.cend(), [](const QByteArray &head) {
            return head.startsWith(
                "GET /alltheweb/search?cat=web&cs=utf8&q=link:http://a.example&rys=0&_sb_lang=pref&ocjp=1 ");
        }));
    }

    void clearAndAutoSort()
    {
        const QStringList urls{s("http://low.example"), s("http://high.example")};
        fixTotal(urls.at(0), 10);
        fixTotal(urls.at(1), 2000);
        // Auto-sort: ascending, the chart hook, then descending.
        QStringList order;
        connect(m_run, &ScanRun::chartRequested, this, [&] {
            order = {m_results->cell(0, 0), m_results->cell(1, 0)};
        });
        QStringList first = runAll(urls);
        QCOMPARE(order, urls);
        QCOMPARE(m_results->cell(0, 0), urls.at(1));
        // chkClear 0: a second run's rows stand above the first's, the log grows, the message counts this
        // run.
        UserSettings::setValue(UserSettings::ChkClear, s("0"));
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        const QString third = s("http://third.example");
        fixTotal(third, 7);
        const QStringList second = runAll({third});
        QCOMPARE(m_results->rowCount(), 3);
        QCOMPARE(m_results->cell(0, 0), third);
        QCOMPARE(m_results->cell(1, 0), urls.at(1));
        QCOMPARE(m_log->rowCount(), 21);
        QCOMPARE(second.last(), s("Search Complete.  Found 7 links."));
        QCOMPARE(first.last(), s("Search Complete.  Found 2010 links."));
        // The same list twice without clearing: the same number twice.
        QCOMPARE(runAll({third}).last(), second.last());
    }

    void profiles()
    {
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        const QList<qint64> totals{499, 500, 999, 1000};
        QStringList urls;
        for (const qint64 total : totals) {
            urls.append(s("http://t%1.example").arg(total));
            fixTotal(urls.last(), total);
        }
        runAll(urls);
        QCOMPARE(m_results->profile(0), Profile::Low);
        QCOMPARE(m_results->profile(1), Profile::Medium);
        QCOMPARE(m_results->profile(2), Profile::Medium);
        QCOMPARE(m_results->profile(3), Profile::High);
        // Stored thresholds that are damaged read as their defaults; overrides win over the store.
        UserSettings::setValue(UserSettings::TxtProfile0, s(""));
        UserSettings::setValue(UserSettings::TxtProfile1, s("many"));
        runAll(urls);
        QCOMPARE(m_results->profile(0), Profile::Low);
        QCOMPARE(m_results->profile(3), Profile::High);
        m_run->setThresholds(2000, 3000);
        runAll(urls);
        QCOMPARE(m_results->profile(3), Profile::Low);
        // A low threshold above the medium one: the low test comes first.
        m_run->setThresholds(600, 400);
        runAll(urls);
        QCOMPARE(m_results->profile(0), Profile::Low);
        QCOMPARE(m_results->profile(1), Profile::Low);
        QCOMPARE(m_results->profile(2), Profile::High);
    }

    void oddCells()
    {
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        // Text that is not a number is no count: a row of such cells has no measurement, no total and no
        // profile.
        m_emu->setPage(s("http://odd.example"), "abc");
        // A count beyond the 32-bit range.
        m_emu->setPage(s("http://big.example"), "AltaVista found 9999999999 results</A>");
        const QStringList status =
            runAll({s("http://odd.example"), s("http://big.example"), s("http://big.example")});
        for (int c = 2; c < 8; ++c)
            QCOMPARE(m_results->cell(0, c), s("abc"));
        QCOMPARE(m_results->cell(0, 1), QString());
        QCOMPARE(m_results->profile(0), Profile::None);
        QVERIFY(m_results->hasNoCount(0));
        QCOMPARE(m_results->cell(1, 3), s("9999999999"));
        QCOMPARE(m_results->cell(1, 1), s("9999999999"));
        QCOMPARE(m_results->profile(1), Profile::High);
        QCOMPARE(status.last(),
                 s("Search Complete.  Found 19999999998 links. No engine gave a count for 1 of 3 URLs."));
        // A sign, a point or an exponent between the markers is no count, and adds nothing.
        m_emu->setPage(s("http://signs.example"),
                       "AltaVista found -5 results</A><b>.</b> of 2.5</b> linking to ");
        runAll({s("http://signs.example")});
        QCOMPARE(m_results->cell(0, 3), s("-5"));
        QCOMPARE(m_results->report(0, 2).status, CellStatus::Layout);
        QCOMPARE(m_results->cell(0, 2), s("2.5"));
        QCOMPARE(m_results->report(0, 1).status, CellStatus::Layout);
        QCOMPARE(m_results->cell(0, 1), QString());
    }

    void largePagesAsSmallOnes()
    {
        // A page past a few hundred KiB is read away from the window's thread; its cells, statuses, log
        // results and kept page are those of the same page without its padding, in the same run.
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        const QByteArray counts = "Results <b>1</b> - <b>10</b> of about <b>1,234</b> linking to <b>x</b>. "
                                  "AltaVista found 5,678 results</A>";
        QByteArray padding;
        while (padding.size() < 600 * 1024)
            padding += "<p class=\"g\"><a href=\"http://www.example.com/\">A page</a> that links here</p>\n";
        const QByteArray big = "<html><body>" + padding + counts + "</body></html>";
        m_emu->setPage(s("http://large.example"), big);
        m_emu->setPage(s("http://small.example"), "<html><body>" + counts + "</body></html>");
        runAll({s("http://large.example"), s("http://small.example"), s("http://large.example")});
        QCOMPARE(m_results->cell(0, 2), s("1234"));
        for (int row : {0, 2}) {
            for (int c = 1; c < 8; ++c)
                QCOMPARE(m_results->cell(row, c), m_results->cell(1, c));
            for (int e = 1; e <= 6; ++e)
                QCOMPARE(m_results->report(row, e).status, m_results->report(1, e).status);
        }
        const KeptPage *kept = m_run->keptPages().find(s("http://large.example"), 1);
        QVERIFY(kept);
        QVERIFY(kept->body() == big);
        QCOMPARE(kept->count, s("1,234"));
        int large = 0;
        for (int row = 0; row < m_log->rowCount(); ++row)
            large += m_log->url(row) == s("http://large.example") && m_log->type(row) != s("Home Page");
        QCOMPARE(large, 12);
        // The transfers yield to the window's thread: every network thread runs at a lower priority.
        int transfers = 0;
        const int mine = ::getpriority(PRIO_PROCESS, 0);
        const QDir tasks(s("/proc/self/task"));
        for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile comm(tasks.filePath(task + s("/comm")));
            if (!comm.open(QIODevice::ReadOnly) || !comm.readAll().startsWith("QNetworkAccessM"))
                continue;
            ++transfers;
            QVERIFY2(::getpriority(PRIO_PROCESS, id_t(task.toInt())) >= mine + 5, qPrintable(task));
        }
        QVERIFY(transfers > 0);
    }

    void allEnginesFailing()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString dead = s("http://127.0.0.1:%1/x?q=").arg(closed.serverPort());
        closed.close();
        QFile::remove(ini());
        for (int e = 1; e <= 6; ++e)
            QVERIFY(privateProfile::WriteString(enginesSection(), engineKey(e), dead, ini()));
        runAll({s("http://a.example")});
        for (int c = 2; c < 8; ++c)
            QCOMPARE(m_results->cell(0, c), QString());
        // No engine gave a count: no measurement, so no total, no profile, and the chart leaves gaps.
        QCOMPARE(m_results->cell(0, 1), QString());
        QCOMPARE(m_results->profile(0), Profile::None);
        QCOMPARE(resultsExport::rowProfileText(*m_results, 0), s("unknown"));
        QVERIFY(resultsExport::toCsv(*m_results).contains(s("\r\nhttp://a.example,,,,,,,,unknown\r\n")));
        const chartData::ChartModel chart = chartData::currentResultsChart(*m_results);
        QCOMPARE(chart.values.at(0), QList<std::optional<double>>(6));
        // A missing settings.ini: empty prefixes, the target itself is fetched (and has no scheme's page).
        QFile::remove(ini());
        const QStringList status = runAll({s("no-scheme.example")});
        QCOMPARE(m_results->cell(0, 1), QString());
        QCOMPARE(status.last(),
                 s("Search Complete.  Found 0 links. No engine gave a count for 1 of 1 URLs."));
    }

    void settingsReadOncePerChange()
    {
        // settings.ini is read once for a whole scan while it stays as it is; a change made during the scan
        // takes effect from the next request started (the next URL's were asked while this one was being
        // answered, so the URL after it).
        const QStringList urls{s("http://p1.example"), s("http://p2.example"), s("http://p3.example")};
        for (const QString &url : urls)
            fixTotal(url, 100);
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0")); // rows stay in list order
        connect(m_run, &ScanRun::rowFinished, this, [this](int row) {
            if (row == 0)
                QVERIFY(privateProfile::WriteString(enginesSection(), engineKey(1),
                                                    m_emu->prefix(1) + s("changed."), ini()));
        });
        runAll(urls);
        QCOMPARE(m_run->prefixes().reads(), 2);
        QCOMPARE(m_results->cell(0, 2), s("100"));
        QCOMPARE(m_results->cell(1, 2), s("100"));
        // Google now asked about "changed.http://p3.example": another page, no count from it.
        QVERIFY(m_results->cell(2, 2) != s("100"));
        const QList<QByteArray> heads = m_emu->requestHeads();
        QCOMPARE(std::count_if(heads.cbegin(), heads.cend(),
                               [](const QByteArray &head) { return head.contains("link:changed."); }),
                 1);
        disconnect(m_run, &ScanRun::rowFinished, this, nullptr);
        runAll(urls);
        QCOMPARE(m_run->prefixes().reads(), 1);
    }

    void cellStatuses()
    {
        // A real scan through every fault mode: each cell's text is what it always was, and its status says
        // why. Short limits keep the faults quick.
        FetchOptions options = m_run->fetchOptions();
        options.idleTimeoutMs = 2000; // long enough for any real page on a loaded machine
        options.totalTimeoutMs = 5000;
        m_run->setFetchOptions(options);
        m_run->setRetryPauseMs(10);
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        const QList<std::pair<const char *, CellStatus>> modes{
            {"http://plain.example", CellStatus::Ok},
            {"http://noresults.example", CellStatus::Zero},
            {"http://changed.example", CellStatus::Layout},
            {"http://stall.example", CellStatus::Timeout},
            {"http://reset.example", CellStatus::Ok},
            {"http://garbage.example", CellStatus::Network},
            {"http://error.example", CellStatus::Ok},
            {"http://redirect.example", CellStatus::Ok},
            {"http://blocked.example", CellStatus::Blocked},
            {"http://captcha.example", CellStatus::Blocked},
            {"http://notfound.example", CellStatus::HttpError},
            {"http://badgateway.example", CellStatus::HttpError},
        };
        QStringList urls;
        for (const auto &[url, status] : modes)
            urls.append(s(url));
        // One engine refuses connections; one has no address at all.
        QVERIFY(privateProfile::WriteString(enginesSection(), engineKey(4), m_emu->refusedPrefix(4), ini()));
        QVERIFY(privateProfile::WriteString(enginesSection(), engineKey(6), QString(), ini()));
        runAll(urls);
        for (int row = 0; row < int(modes.size()); ++row) {
            const CellStatus expected = modes.at(row).second;
            QCOMPARE(m_results->cell(row, 0), urls.at(row));
            for (int engine : {1, 2, 3, 5}) {
                const CellReport report = m_results->report(row, engine);
                QVERIFY2(report.status == expected,
                         qPrintable(urls.at(row) + s(" engine %1: ").arg(engine) + statusWord(report.status) +
                                    s(" ") + report.detail));
                QCOMPARE(report.hasCount(), !m_results->cell(row, engine + 1).isEmpty());
            }
            QCOMPARE(m_results->report(row, 4).status, CellStatus::Network);
            QCOMPARE(m_results->report(row, 6).status, CellStatus::NotAsked);
        }
        // The facts behind a status.
        QCOMPARE(m_results->report(0, 1).http, 200);
        QVERIFY(m_results->report(0, 1).bytes > 0);
        QVERIFY(m_results->report(6, 1).detail.contains(s("error page")));
        QVERIFY(m_results->report(4, 1).detail.contains(s("partial")));
        QCOMPARE(m_results->report(8, 1).http, 429);
        QCOMPARE(m_results->report(8, 1).detail, s("Blocked by the engine: HTTP 429"));
        QCOMPARE(m_results->report(11, 1).http, 502);
        QVERIFY(m_results->report(11, 1).detail.endsWith(s("(after 1 retry)")));
        QVERIFY(m_results->report(3, 1).detail.startsWith(s("Timed out after 0 s")) ||
                m_results->report(3, 1).detail.startsWith(s("Timed out after")));
        QVERIFY(m_results->report(0, 4).detail.contains(s("refused"), Qt::CaseInsensitive));
        QVERIFY(m_results->report(0, 6).detail.contains(s("settings.ini")));
        QVERIFY(m_results->report(0, 1).finalUrl.isEmpty()); // kept only when the engine redirected
        QVERIFY(m_results->report(7, 1).finalUrl.contains(s("emu-redirected")));
        QVERIFY2(
            m_results->report(7, 1).detail.contains(s("; redirected to ") + m_results->report(7, 1).finalUrl),
            qPrintable(m_results->report(7, 1).detail));
        QVERIFY(!m_results->report(0, 1).detail.contains(s("redirected")));
        // The log's third column says the same; a "Home Page" row has no result.
        QCOMPARE(m_log->headerData(2, Qt::Horizontal).toString(), s("Result"));
        QCOMPARE(m_log->result(0), QString());
        QCOMPARE(m_log->result(1), statusText(CellStatus::Ok));
        QCOMPARE(m_log->result(8 * 7 + 1), statusText(CellStatus::Blocked));
        QCOMPARE(m_log->rowCount(), 7 * int(modes.size()));
        // Summaries per engine.
        QCOMPARE(m_run->summary(4).failed.value(CellStatus::Network), int(modes.size()));
        QCOMPARE(m_run->summary(6).notAsked, int(modes.size()));
        QVERIFY(m_run->summaryLines().at(0).startsWith(s("Google: 12 asked")));

        // Too large: a page cut before its count.
        options.bodyLimit = 64;
        m_run->setFetchOptions(options);
        runAll({s("http://plain.example")});
        QCOMPARE(m_results->report(0, 1).status, CellStatus::TooLarge);
        QCOMPARE(m_results->cell(0, 2), QString());
    }

    // Answers that cannot be read are said to be so: a body that never ends is too large (and its memory
    // stays near the page limit), a gzip bomb or a body that is no gzip is a bad answer, not a page layout.
    void unreadableAnswers()
    {
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        runAll({s("http://endless.example"), s("http://gzipbomb.example"), s("http://badgzip.example")});
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        for (int engine = 1; engine <= 6; ++engine) {
            const CellReport endless = m_results->report(0, engine);
            QVERIFY2(endless.status == CellStatus::TooLarge,
                     qPrintable(statusWord(endless.status) + u' ' + endless.detail));
            for (int row : {1, 2}) {
                const CellReport report = m_results->report(row, engine);
                QVERIFY2(report.status == CellStatus::HttpError,
                         qPrintable(statusWord(report.status) + u' ' + report.detail));
                QVERIFY2(report.detail.contains(s("compressed")), qPrintable(report.detail));
            }
        }
        // Six endless pages of 8 MiB and six bombs of 1 GiB: the peak grows by far less than a gigabyte.
        QVERIFY2(after.ru_maxrss - before.ru_maxrss < 400 * 1024,
                 qPrintable(QString::number((after.ru_maxrss - before.ru_maxrss) / 1024) + s(" MiB more")));
    }

    void suspensionAndRetries()
    {
        m_run->setRetryPauseMs(10);
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        // Three blocked answers in a row suspend an engine for the rest of the run.
        const QStringList urls{s("http://blocked.a"), s("http://blocked.b"), s("http://blocked.c"),
                               s("http://plain.d")};
        const int before = m_emu->requestCount();
        runAll(urls);
        QCOMPARE(m_emu->requestCount() - before, 3 * 6);
        for (int engine = 1; engine <= 6; ++engine) {
            QCOMPARE(m_results->report(2, engine).status, CellStatus::Blocked);
            QCOMPARE(m_results->report(3, engine).status, CellStatus::NotAsked);
            QCOMPARE(m_results->report(3, engine).detail, s("Not asked: suspended after 3 blocked answers"));
            QVERIFY(m_run->summary(engine).suspended);
        }
        QVERIFY(m_results->hasNoCount(3));
        QVERIFY(m_run->summaryLines().at(5).endsWith(s("suspended after 3 blocked answers")));
        // A network failure, a 502 or a 504 is tried again once: a retry that succeeds, one that does not.
        m_emu->failNext(2, s("http://retry.example"), Mode::BadGateway, 1);
        m_emu->failNext(3, s("http://retry.example"), Mode::BadGateway, 2);
        m_emu->failNext(4, s("http://retry.example"), Mode::GatewayTimeout, 1);
        m_emu->failNext(6, s("http://retry.example"), Mode::GatewayTimeout, 2);
        m_emu->failNext(5, s("http://retry.example"), Mode::Blocked, 1); // never retried
        runAll({s("http://retry.example")});
        QCOMPARE(m_results->report(0, 2).status, CellStatus::Ok);
        QVERIFY(m_results->report(0, 2).detail.endsWith(s("(after 1 retry)")));
        QCOMPARE(m_results->report(0, 3).status, CellStatus::HttpError);
        QCOMPARE(m_results->report(0, 3).http, 502);
        QCOMPARE(m_results->report(0, 4).status, CellStatus::Ok);
        QVERIFY(m_results->report(0, 4).detail.endsWith(s("(after 1 retry)")));
        QCOMPARE(m_results->report(0, 6).status, CellStatus::HttpError);
        QCOMPARE(m_results->report(0, 6).http, 504);
        QCOMPARE(m_results->report(0, 5).status, CellStatus::Blocked);
        QVERIFY(!m_results->report(0, 5).detail.contains(s("retry")));
        // No retries at all with the setting at 0.
        m_run->setRetries(0);
        m_emu->failNext(2, s("http://retry.example"), Mode::BadGateway, 1);
        runAll({s("http://retry.example")});
        QCOMPARE(m_results->report(0, 2).status, CellStatus::HttpError);
    }

    void parallelEqualsSequential()
    {
        // The same list, fault modes included, one engine after another and all six at once: the same rows,
        // cells, totals, profiles, reports, log rows and status texts.
        m_run->setRetryPauseMs(10);
        FetchOptions options = m_run->fetchOptions();
        options.idleTimeoutMs = 2000; // long enough for any real page on a loaded machine
        m_run->setFetchOptions(options);
        const QStringList urls{
            s("http://plain.example"),    s("http://noresults.example"), s("http://changed.example"),
            s("http://error.example"),    s("http://redirect.example"),  s("http://blocked.example"),
            s("http://notfound.example"), s("http://garbage.example"),   s("http://reset.example"),
            s("http://stall.example"),    s("http://plain2.example")};
        auto snapshot = [this](const QStringList &status) {
            QStringList out = status;
            for (int r = 0; r < m_results->rowCount(); ++r) {
                QStringList row;
                for (int c = 0; c < m_results->cellColumns(); ++c)
                    row.append(m_results->cell(r, c));
                row.append(QString::number(int(m_results->profile(r))));
                for (int e = 1; e <= 6; ++e)
                    row.append(statusWord(m_results->report(r, e).status));
                out.append(row.join(u'|'));
            }
            for (int r = 0; r < m_log->rowCount(); ++r)
                out.append(m_log->type(r) + u'|' + m_log->url(r) + u'|' + m_log->result(r));
            return out;
        };
        m_run->setParallel(false);
        const QStringList sequential = snapshot(runAll(urls));
        m_run->setParallel(true);
        const QStringList parallel = snapshot(runAll(urls));
        QCOMPARE(parallel, sequential);
        QVERIFY(sequential.size() > 11 * 8);
    }

    // Every page a run fetched is kept with its status and headers, exactly as the emulator served it, until
    // the next run; past the byte limit the oldest go first.
    void keptPages()
    {
        const QStringList urls{s("http://kept1.example"), s("http://kept2.example")};
        runAll(urls);
        const KeptPages &kept = m_run->keptPages();
        QCOMPARE(kept.pages().size(), size_t(12));
        for (const KeptPage &page : kept.pages()) {
            QCOMPARE(page.http, 200);
            QVERIFY(urls.contains(page.target));
            QCOMPARE(page.body(), FetchPage(page.query).toLatin1()); // the emulator's pages are deterministic
            QVERIFY(std::any_of(page.headers.cbegin(), page.headers.cend(), [](const auto &header) {
                return header.first.compare("Content-Length", Qt::CaseInsensitive) == 0;
            }));
            const int row = m_results->cell(0, 0) == page.target ? 0 : 1;
            QCOMPARE(resultsExport::plainCount(page.count),
                     resultsExport::plainCount(m_results->cell(row, page.engine + 1)));
            QCOMPARE(page.statusWord, s("ok"));
            QCOMPARE(kept.find(page.target, page.engine), kept.find(page.query));
        }
        QVERIFY(!kept.find(s("http://other.example"), 1));
        // A limit of two and a half pages keeps the newest two (one after another, so that the newest are the
        // last URL's).
        const qint64 size = KeptPages::footprint(kept.pages().back());
        m_run->keptPages().setLimit(size * 5 / 2);
        m_run->setParallel(false);
        runAll(urls);
        m_run->setParallel(std::nullopt);
        QCOMPARE(kept.pages().size(), size_t(2));
        QVERIFY(kept.bytes() <= kept.limit());
        QVERIFY(kept.find(urls.last(), kept.pages().back().engine));
        QVERIFY(!kept.find(urls.first(), 1));
        m_run->keptPages().setLimit(KeptPages::DefaultLimit);
        // A page larger than the limit is not kept; a new run starts empty.
        KeptPages small;
        const KeptPage six{s("u"),    1,         s("Google"), s("q"), 200, {}, QByteArray(6, 'x'),
                           QString(), QString(), {},          false};
        small.setLimit(KeptPages::footprint(six) * 3 / 2); // room for one such page, not two
        small.add(KeptPage{
            s("u"), 1, s("Google"), s("q"), 200, {}, QByteArray(1000, 'x'), QString(), QString(), {}, false});
        QVERIFY(small.pages().empty());
        small.add(KeptPage{
            s("u"), 1, s("Google"), s("q"), 200, {}, QByteArray(6, 'x'), QString(), QString(), {}, false});
        small.add(KeptPage{s("u"),
                           2,
                           s("Altavista"),
                           s("q2"),
                           200,
                           {},
                           QByteArray(6, 'y'),
                           QString(),
                           QString(),
                           {},
                           false});
        QCOMPARE(small.pages().size(), size_t(1));
        QCOMPARE(small.bytes(), KeptPages::footprint(small.pages().front()));
        QVERIFY(small.bytes() > 6 + qint64(sizeof(KeptPage))); // the page's texts count too
        QVERIFY(!small.find(s("q")));                          // the older page made room
        QCOMPARE(small.find(s("q2"))->engine, 2);
    }

    void onePerEngineAndPacing()
    {
        // Never two requests to one engine in flight; with an interval, no two starts closer than it.
        m_emu->setLatencyMs(30);
        QStringList urls;
        for (int i = 0; i < 6; ++i)
            urls.append(s("http://pace%1.example").arg(i));
        auto startsPerEngine = [this] {
            QList<QList<QPair<qint64, qint64>>> perEngine(7);
            for (const auto &visit : m_emu->visits())
                perEngine[visit.engine].append({visit.arrivedMs, visit.answeredMs});
            return perEngine;
        };
        runAll(urls);
        auto perEngine = startsPerEngine();
        for (int e = 1; e <= 6; ++e) {
            QCOMPARE(perEngine.at(e).size(), 6);
            for (int i = 1; i < perEngine.at(e).size(); ++i)
                QVERIFY(perEngine.at(e).at(i).first >= perEngine.at(e).at(i - 1).second);
        }
        // The six engines of a URL were in flight together.
        bool overlapped = false;
        for (int e = 2; e <= 6; ++e)
            overlapped = overlapped || perEngine.at(e).at(0).first < perEngine.at(1).at(0).second;
        QVERIFY(overlapped);

        const int before = m_emu->visits().size();
        m_run->setPacing(150, true);
        runAll(urls);
        const QList<emulator::EngineEmulator::Visit> paced = m_emu->visits().mid(before);
        QCOMPARE(paced.size(), 36);
        for (int e = 1; e <= 6; ++e) {
            QList<qint64> starts;
            for (const auto &visit : paced)
                if (visit.engine == e)
                    starts.append(visit.arrivedMs);
            std::sort(starts.begin(), starts.end());
            // Arrival times at the server carry the event loop's delays (a busy machine, a sanitizer build),
            // which can bring two arrivals closer than their starts were: each gap must show the pause, and
            // the whole run must take the pauses' sum.
            for (int i = 1; i < starts.size(); ++i)
                QVERIFY2(starts.at(i) - starts.at(i - 1) >= 75,
                         qPrintable(s("engine %1: %2 ms").arg(e).arg(starts.at(i) - starts.at(i - 1))));
            QVERIFY2(starts.last() - starts.first() >= (starts.size() - 1) * 150 - 40,
                     qPrintable(s("engine %1: %2 ms in all").arg(e).arg(starts.last() - starts.first())));
        }
        m_run->setPacing(std::nullopt, std::nullopt);
        m_emu->setLatencyMs(0);
    }

    void hostileServerCostsOnlyItsEngine()
    {
        // One engine's server sends header lines forever: the total time-out ends that transfer, and the
        // other engines, on connections and threads of their own, answer as usual.
        FetchOptions options = m_run->fetchOptions();
        options.totalTimeoutMs = 1500;
        m_run->setFetchOptions(options);
        const QString url = s("http://hostile.example");
        m_emu->setMode(3, url, Mode::EndlessHeaders);
        for (int e : {1, 2, 4, 5, 6})
            m_emu->setCount(e, url, 1000 + e);
        QSignalSpy finished(m_run, &ScanRun::finished);
        QVERIFY(m_run->start({url}));
        QVERIFY(finished.wait(20000));
        for (int e : {1, 2, 4, 5, 6})
            QCOMPARE(m_results->report(0, e).status, CellStatus::Ok);
        QVERIFY(m_results->report(0, 3).status == CellStatus::Timeout ||
                m_results->report(0, 3).status == CellStatus::Network);
        QCOMPARE(m_results->cell(0, 4), QString());
    }

    void stopWithinOneTimeout()
    {
        // A stop during stalled pages ends the run after the current URL, whose six engines time out
        // together: one time-out, not six.
        FetchOptions options = m_run->fetchOptions();
        options.idleTimeoutMs = 1000;
        m_run->setFetchOptions(options);
        QSignalSpy finished(m_run, &ScanRun::finished);
        QSignalSpy stopped(m_run, &ScanRun::stopped);
        const int before = m_emu->requestCount();
        QVERIFY(m_run->start({s("http://stall.one"), s("http://stall.two"), s("http://stall.three")}));
        // All six engines are asked about the first URL at once, and all six pages stall together.
        QTRY_COMPARE_WITH_TIMEOUT(m_emu->requestCount() - before, 6, 20000);
        QVERIFY(m_emu->openConnections() >= 6);
        m_run->requestStop();
        QVERIFY(finished.wait(30000));
        QCOMPARE(stopped.size(), 1);
        QCOMPARE(m_results->rowCount(), 1);
        for (int e = 1; e <= 6; ++e)
            QCOMPARE(m_results->report(0, e).status, CellStatus::Timeout);
    }

    void stopping()
    {
        QStringList urls;
        for (int i = 0; i < 5; ++i)
            urls.append(s("http://u%1.example").arg(i));
        QSignalSpy stopped(m_run, &ScanRun::stopped);
        QSignalSpy completed(m_run, &ScanRun::completed);
        QSignalSpy chart(m_run, &ScanRun::chartRequested);
        // Stop during the first URL: its row is finished, then the run ends without a message.
        auto once = connect(m_run, &ScanRun::statusChanged, m_run, &ScanRun::requestStop);
        const QStringList status = runAll(urls);
        disconnect(once);
        QCOMPARE(m_results->rowCount(), 1);
        QVERIFY(!m_results->cell(0, 7).isEmpty());
        QVERIFY(!m_results->cell(0, 1).isEmpty());
        QVERIFY(m_results->profile(0) != Profile::None);
        QCOMPARE(stopped.size(), 1);
        QCOMPARE(completed.size(), 0);
        QCOMPARE(chart.size(), 0);
        QVERIFY(!status.last().startsWith(s("Search Complete")));
        QVERIFY(!m_run->stopRequested());
        // Stop during the last URL: not seen; the run completes and the next one runs normally.
        once = connect(m_run, &ScanRun::statusChanged, m_run, [this] {
            if (m_run->position() == 4)
                m_run->requestStop();
        });
        QVERIFY(runAll(urls).last().startsWith(s("Search Complete")));
        disconnect(once);
        QCOMPARE(m_results->rowCount(), 5);
        QVERIFY(!m_run->stopRequested());
        QVERIFY(runAll(urls).last().startsWith(s("Search Complete")));
        QCOMPARE(completed.size(), 2);
    }

    void emptyListAndBusy()
    {
        runAll({s("http://a.example")});
        QCOMPARE(m_results->rowCount(), 1);
        QSignalSpy started(m_run, &ScanRun::started);
        QVERIFY(!m_run->start({}));
        QCOMPARE(started.size(), 0);
        QCOMPARE(m_results->rowCount(), 1);
        QCOMPARE(m_log->rowCount(), 7);
        // A second start while a run is active does nothing.
        QVERIFY(m_run->start({s("http://b.example")}));
        QVERIFY(!m_run->start({s("http://c.example")}));
        QSignalSpy finished(m_run, &ScanRun::finished);
        QVERIFY(finished.wait(10000));
        QCOMPARE(m_results->rowCount(), 1);
        QCOMPARE(m_results->cell(0, 0), s("http://b.example"));
    }

    void destroyedMidRun()
    {
        // A run deleted while a page is in flight leaves nothing behind.
        QVERIFY(m_run->start({s("http://stall.example"), s("http://b.example")}));
        QTRY_VERIFY(m_emu->requestCount() >= 1);
        delete m_run;
        m_run = nullptr;
        QTRY_COMPARE(m_emu->openConnections(), 0);
        // Models deleted under a running scan: it notices and ends.
        m_run = new ScanRun(m_results, m_log, this);
        m_run->setSettingsFile(ini());
        QSignalSpy finished(m_run, &ScanRun::finished);
        QVERIFY(m_run->start({s("http://a.example"), s("http://b.example")}));
        delete m_results;
        m_results = nullptr;
        QVERIFY(finished.wait(10000));
        QVERIFY(!m_run->isRunning());
    }
};

QTEST_GUILESS_MAIN(TestScanRun)
#include "tst_scan_run.moc"
