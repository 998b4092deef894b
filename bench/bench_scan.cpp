// Speed of a whole scan against the engine emulator, of the numeric sort, of the event loop's longest stall
// during a scan, and of start-up to the main window shown. Run with QT_QPA_PLATFORM=offscreen.
#include "core/ini/UserSettings.h"
#include "core/lists/UrlListFile.h"
#include "core/program/ProductIdentity.h"
#include "core/program/ProgramFolder.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"
#include "emulator/EngineEmulator.h"
#include "gui/help/Form8.h"
#include "gui/main/Form1.h"
#include "gui/main/UrlPanel.h"
#include "gui/web/WebEngineSetup.h"

#include <QApplication>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWebEngineView>

#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

// Started first thing in main(): start-up is measured from the process's start.
static QElapsedTimer sinceStart;

// A busy loop on every core for as long as it lives, as a build or a browser on a laptop would keep them
// busy: figures measured beside it hold on a busy machine. Such a job is another program, started elsewhere:
// the loops run in a process of their own, in a session of their own (setsid), which the scheduler weighs
// against this one as it weighs a build in a terminal against a desktop program. Inside = true runs them as
// threads of this process instead, which competes with the window's thread harder than any other program can.
class CpuLoad
{
public:
    explicit CpuLoad(bool inside = false)
    {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        if (inside) {
            for (unsigned i = 0; i < cores; ++i)
                m_threads.emplace_back([this] { spin(m_stop); });
            return;
        }
        m_process.setChildProcessModifier([] { setsid(); });
        m_process.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--busy-loops"), QString::number(cores)});
        m_process.waitForStarted();
    }
    ~CpuLoad()
    {
        m_stop = true;
        for (std::thread &thread : m_threads)
            thread.join();
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    CpuLoad(const CpuLoad &) = delete;
    CpuLoad &operator=(const CpuLoad &) = delete;

    static void spin(const std::atomic<bool> &stop)
    {
        volatile unsigned long count = 0;
        while (!stop.load(std::memory_order_relaxed))
            count = count + 1;
    }

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
    QProcess m_process;
};

class BenchScan : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // Scans urls against the emulator; returns the elapsed ms and the longest gap between 1 ms timer ticks.
    QPair<qint64, qint64> scan(emulator::EmulatorThread &engines, int urls, bool parallel = true,
                               const QString &first = QString())
    {
        const QString ini = m_dir.filePath(QStringLiteral("settings.ini"));
        QFile::remove(ini);
        engines.emulator()->writeSettingsIni(ini);
        QStringList list;
        for (int i = 0; i < urls; ++i)
            list.append(i == 0 && !first.isEmpty() ? first : QStringLiteral("http://site%1.example").arg(i));
        scan::ResultsModel results;
        scan::WebLogModel log;
        scan::ScanRun run(&results, &log);
        run.setSettingsFile(ini);
        run.setParallel(parallel);
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        qint64 longest = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        connect(&probe, &QTimer::timeout, this, [&] { longest = qMax(longest, sinceTick.restart()); });
        QEventLoop loop;
        connect(&run, &scan::ScanRun::finished, &loop, &QEventLoop::quit);
        clock.start();
        sinceTick.start();
        probe.start(1);
        run.start(list);
        loop.exec();
        return {clock.elapsed(), longest};
    }

    // The process's peak resident memory so far.
    static double peakMiB()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        const QByteArray text = status.readAll();
        const qsizetype at = text.indexOf("VmHWM:");
        return text.mid(at + 6, text.indexOf('\n', at) - at - 6).trimmed().split(' ').first().toDouble() /
               1024;
    }

private slots:
    void initTestCase() { UserSettings::useFolder(m_dir.filePath(QStringLiteral("store"))); }

    void scan200Urls()
    {
        // Sequential runs are bounded by 6 x URLs x latency, parallel ones by URLs x latency.
        emulator::EmulatorThread engines;
        engines.emulator()->setPadding(qEnvironmentVariableIntValue("VANTORY_BENCH_PADDING") > 0
                                           ? qEnvironmentVariableIntValue("VANTORY_BENCH_PADDING")
                                           : 20 * 1024);
        for (const bool parallel : {false, true}) {
            const char *how = parallel ? "parallel" : "sequential";
            engines.emulator()->setLatencyMs(0);
            const auto [fast, stall] = scan(engines, 200, parallel);
            qInfo("%s scan of 200 URLs, 0 ms latency: %lld ms (%.2f ms per page); longest event-loop stall "
                  "%lld ms",
                  how, fast, fast / 1200.0, stall);
            engines.emulator()->setLatencyMs(20);
            const auto [slow, stall20] = scan(engines, 200, parallel);
            const double sequentialBound = 6.0 * 200 * 20;
            const double parallelBound = 200.0 * 20;
            qInfo("%s scan of 200 URLs, 20 ms latency: %lld ms = %.3f x 6 x URLs x latency (%.0f ms) = %.3f "
                  "x URLs x "
                  "latency (%.0f ms); longest stall %lld ms",
                  how, slow, slow / sequentialBound, sequentialBound, slow / parallelBound, parallelBound,
                  stall20);
        }
    }

    // 10,000 URLs, 20 ms per answer, the engines in parallel: bounded by 1.1 x URLs x latency.
    void scan10000UrlsAt20ms()
    {
        emulator::EmulatorThread engines;
        engines.emulator()->setLatencyMs(20);
        const auto [ms, stall] = scan(engines, 10000, true);
        const double bound = 10000.0 * 20;
        qInfo(
            "parallel scan of 10,000 URLs, 20 ms latency: %lld ms = %.3f x URLs x latency (%.2f of the 1.1 x "
            "bound); longest stall %lld ms",
            ms, ms / bound, ms / bound / 1.1, stall);
    }

    // The longest event-loop stall of a parallel scan one of whose pages is 8 MiB (every engine's answer for
    // the first URL): at most 16 ms.
    void stallWith8MiBPage()
    {
        emulator::EmulatorThread engines;
        QByteArray huge = "<html><body>";
        while (huge.size() < 8 * 1024 * 1024 - 200)
            huge += "<p class=\"g\"><a href=\"http://www.example.com/\">A page</a> that links here</p>\n";
        huge += "Results <b>1</b> - <b>10</b> of about <b>1,234</b> linking to <b>x</b>.</body></html>";
        huge.truncate(8 * 1024 * 1024 - 1);
        const QString target = QStringLiteral("http://huge-page.example");
        engines.emulator()->setPage(target, huge);
        const auto [ms, stall] = scan(engines, 20, true, target);
        qInfo(
            "parallel scan of 20 URLs, the first with 8 MiB pages: %lld ms; longest event-loop stall %lld ms "
            "(%.2f of the 16 ms bound)",
            ms, stall, stall / 16.0);
        // The same ten times beside a busy loop on every core: in another program, then in this one.
        for (const bool inside : {false, true}) {
            QList<qint64> stalls;
            {
                const CpuLoad load(inside);
                for (int run = 0; run < 10; ++run)
                    stalls.append(scan(engines, 20, true, target).second);
            }
            std::sort(stalls.begin(), stalls.end());
            qInfo(
                "the same beside a busy loop per core %s, 10 runs: longest stall median %lld ms, worst %lld "
                "ms (%.2f of the 16 ms bound)",
                inside ? "as threads of this process" : "in another program", stalls.at(5), stalls.last(),
                stalls.last() / 16.0);
        }
    }

    // The window's peak memory after a scan of VANTORY_BENCH_WINDOW_URLS URLs (100,000 for the bound of 400
    // MiB) against a vantory-emulator process answering at once. Skipped unless the variable is set: it takes
    // minutes (set QTEST_FUNCTION_TIMEOUT=3600000 too, past QtTest's five).
    void windowMemoryAfterLargeScan()
    {
        const int urls = qEnvironmentVariableIntValue("VANTORY_BENCH_WINDOW_URLS");
        if (urls <= 0)
            QSKIP("set VANTORY_BENCH_WINDOW_URLS=100000 to run");
        QTemporaryDir folder;
        QProcess engines;
        engines.start(QCoreApplication::applicationDirPath() + QStringLiteral("/vantory-emulator"),
                      {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--settings"),
                       folder.filePath(QStringLiteral("settings.ini"))});
        QVERIFY(engines.waitForReadyRead(10000));
        programFolder::setPath(folder.path());
        UserSettings::setValue(UserSettings::ShowHelp, QStringLiteral("0"));
        QStringList list;
        for (int i = 0; i < urls; ++i)
            list.append(QStringLiteral("http://site%1.example").arg(i));
        {
            Form1 form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.urlPanel()->addEntries(list);
            const double before = peakMiB();
            QSignalSpy finished(form.scanRun(), &scan::ScanRun::finished);
            double beforeChart = 0;
            qint64 scanned = 0;
            QElapsedTimer clock;
            connect(form.scanRun(), &scan::ScanRun::completed, this, [&] {
                beforeChart = peakMiB();
                scanned = clock.elapsed();
            });
            clock.start();
            form.Command1_Click();
            QVERIFY(finished.wait(3600 * 1000));
            const double peak = peakMiB();
            qInfo("window after a scan of %d URLs (%lld s, %lld s before the sort and chart): peak memory "
                  "%.0f MiB "
                  "(%.0f MiB before the scan, %.0f MiB before the chart; %.2f of the 400 MiB bound)",
                  urls, clock.elapsed() / 1000, scanned / 1000, peak, before, beforeChart, peak / 400.0);
        }
        engines.kill();
        engines.waitForFinished();
        programFolder::setPath(QString());
    }

    // The numeric sort of 100,000 rows by total against a std::sort of 100,000 doubles, in the same run;
    // printed as ratios to the bounds (150 ms, and 20 x the std::sort).
    void numericSort100k()
    {
        scan::ResultsModel model;
        auto *random = QRandomGenerator::global();
        std::vector<double> doubles;
        for (int r = 0; r < 100000; ++r) {
            model.insertResultRow(r, QStringLiteral("http://site%1.example").arg(r));
            const int total = int(random->bounded(10000000));
            model.setCell(r, 1, QString::number(total));
            doubles.push_back(total);
        }
        qint64 bestSort = std::numeric_limits<qint64>::max();
        qint64 bestPlain = std::numeric_limits<qint64>::max();
        for (int round = 0; round < 5; ++round) {
            std::vector<double> copy = doubles;
            QElapsedTimer clock;
            clock.start();
            std::sort(copy.begin(), copy.end());
            bestPlain = std::min(bestPlain, clock.nsecsElapsed());
            clock.restart();
            model.SortListView(2, scan::ResultsModel::NumberMode, round % 2 == 0);
            bestSort = std::min(bestSort, clock.nsecsElapsed());
        }
        const double ms = bestSort / 1e6;
        qInfo(
            "numeric sort of 100,000 rows: %.1f ms (%.2f of the 150 ms bound); std::sort of 100,000 doubles "
            "%.2f ms: %.1f x (%.2f of the 20 x bound)",
            ms, ms / 150.0, bestPlain / 1e6, double(bestSort) / double(bestPlain),
            double(bestSort) / double(bestPlain) / 20.0);
    }

    void urlList100k()
    {
        // A list file of 100,000 URLs: read, put into the URL list, scrolled from top to bottom.
        QByteArray bytes;
        for (int i = 0; i < 100000; ++i)
            bytes += "http://site" + QByteArray::number(i) + ".example\n";
        UrlPanel panel;
        panel.resize(300, 600);
        panel.show();
        QElapsedTimer clock;
        clock.start();
        QStringList entries;
        urlList::entriesOfBytes(bytes, entries);
        const qint64 read = clock.elapsed();
        panel.addEntries(entries);
        QCoreApplication::processEvents();
        const qint64 shown = clock.elapsed();
        auto *list = panel.findChild<QListWidget *>(QStringLiteral("List1"));
        qint64 longestScroll = 0;
        for (int step = 0; step <= 20; ++step) {
            QElapsedTimer one;
            one.start();
            list->scrollToItem(list->item(step * 4999));
            list->viewport()->repaint();
            longestScroll = qMax(longestScroll, one.elapsed());
        }
        qInfo("100,000 URLs: read in %lld ms, listed in %lld ms; longest scroll-and-paint %lld ms", read,
              shown - read, longestScroll);
        QCOMPARE(list->count(), 100000);
    }

    void helpOfOneMiB()
    {
        // A Help.rtf of one paragraph of 1 MiB, from loading to the window painted.
        QTemporaryDir folder;
        QByteArray words = "{\\rtf1\\ansi ";
        while (words.size() < 1024 * 1024)
            words += "lorem ipsum dolor sit amet ";
        QFile file(folder.filePath(QStringLiteral("Help.rtf")));
        if (file.open(QIODevice::WriteOnly))
            file.write(words + "}");
        file.close();
        programFolder::setPath(folder.path());
        QElapsedTimer clock;
        clock.start();
        auto *help = new Form8;
        help->load();
        help->show();
        help->repaint();
        QCoreApplication::processEvents();
        qInfo("help window with a 1 MiB paragraph loaded and painted in %lld ms", clock.elapsed());
        delete help;
        programFolder::setPath(QString());
    }

    // How often the status panel is painted while a scan changes its text far more often than a window can
    // be painted (in the window with its browser, as the user has it): at most 40 paints a second.
    void statusPaintsPerSecond()
    {
        UserSettings::setValue(UserSettings::ShowHelp, QStringLiteral("0"));
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *panel = form.findChild<QWidget *>(QStringLiteral("StatusBar1Panel1"));
        QVERIFY(panel);
        struct PaintCounter : QObject
        {
            int paints = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                paints += event->type() == QEvent::Paint ? 1 : 0;
                return false;
            }
        } counter;
        panel->installEventFilter(&counter);
        QElapsedTimer clock;
        clock.start();
        const int changes = 3000;
        for (int i = 0; i < changes; ++i) {
            emit form.scanRun()->statusChanged(
                QStringLiteral("Scanning http://site%1.example on Google").arg(i));
            QCoreApplication::processEvents();
        }
        QTest::qWait(100); // the last change's paint
        const qint64 ms = clock.elapsed();
        panel->removeEventFilter(&counter);
        qInfo("%d status changes in %lld ms: %d paints, %.1f a second (bound 40)", changes, ms,
              counter.paints, counter.paints * 1000.0 / double(std::max<qint64>(ms, 1)));
    }

    void startUpToMainWindow()
    {
        UserSettings::setValue(UserSettings::ShowHelp, QStringLiteral("0"));
        emulator::EmulatorThread site; // the browser's first page comes from loopback
        productIdentity::setWebsite(site.emulator()->baseUrl() + QStringLiteral("/"));
        QElapsedTimer clock;
        clock.start();
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const qint64 shown = clock.elapsed();
        const qint64 sinceStartShown = sinceStart.elapsed();
        auto *browser = form.findChild<QWidget *>(QStringLiteral("WebBrowser1"));
        QSignalSpy loaded(browser, SIGNAL(loadFinished(bool)));
        loaded.wait(20000);
        qInfo(
            "main window constructed and shown in %lld ms (%lld ms after the process started, %.2f of the "
            "500 "
            "ms bound), its browser's first page loaded after %lld ms (the splash adds its 75 ticks of 2 ms "
            "before it)",
            shown, sinceStartShown, sinceStartShown / 500.0, clock.elapsed());
        // Beside a busy loop per core, from the process's start: the main window against a plain window with
        // a table and a web view, each in a process of its own, in turns, five of each (medians).
        const CpuLoad load;
        QList<qint64> mains;
        QList<qint64> plains;
        for (int run = 0; run < 5; ++run) {
            for (const char *kind : {"plain", "main"}) {
                QProcess child;
                child.start(QCoreApplication::applicationFilePath(),
                            {QStringLiteral("--shown-after-start"), QString::fromLatin1(kind),
                             m_dir.filePath(QStringLiteral("store")), productIdentity::website()});
                QVERIFY(child.waitForFinished(60000));
                bool ok = false;
                const qint64 ms = child.readAllStandardOutput().trimmed().toLongLong(&ok);
                QVERIFY2(ok && child.exitCode() == 0, child.readAllStandardError().constData());
                (qstrcmp(kind, "main") == 0 ? mains : plains).append(ms);
            }
        }
        std::sort(mains.begin(), mains.end());
        std::sort(plains.begin(), plains.end());
        qInfo("beside a busy loop per core, 5 processes each: main window shown %lld ms after the process "
              "started, a plain window with a table and a web view %lld ms (medians; %.2f x, the bound is "
              "1.2 x)",
              mains.at(2), plains.at(2), double(mains.at(2)) / double(std::max<qint64>(1, plains.at(2))));
    }
};

int main(int argc, char **argv)
{
    sinceStart.start();
    // The other program of CpuLoad: a busy loop per core until it is stopped.
    if (argc == 3 && qstrcmp(argv[1], "--busy-loops") == 0) {
        const std::atomic<bool> never{false};
        std::vector<std::thread> loops;
        for (int i = 1; i < std::atoi(argv[2]); ++i)
            loops.emplace_back([&never] { CpuLoad::spin(never); });
        CpuLoad::spin(never);
        return 0;
    }
    prepareWebEngine("bench_scan");
    QApplication app(argc, argv);
    // A child of startUpToMainWindow: shows one window, prints the ms from the process's start to its
    // exposure. Its browser's first page is the parent's loopback one.
    if (argc == 5 && qstrcmp(argv[1], "--shown-after-start") == 0) {
        UserSettings::useFolder(QString::fromLocal8Bit(argv[3]));
        productIdentity::setWebsite(QString::fromLocal8Bit(argv[4]));
        std::unique_ptr<QWidget> window;
        if (qstrcmp(argv[2], "main") == 0) {
            window = std::make_unique<Form1>();
        } else {
            window = std::make_unique<QWidget>();
            auto *layout = new QVBoxLayout(window.get());
            layout->addWidget(new QTreeView);
            layout->addWidget(new QWebEngineView);
            window->resize(878, 600);
        }
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return 1;
        std::printf("%lld\n", sinceStart.elapsed());
        return 0;
    }
    BenchScan bench;
    return QTest::qExec(&bench, argc, argv);
}
#include "bench_scan.moc"
