// Web graph releases: an import beside ISA-L's igzip inflating the same files (from a folder and over
// loopback HTTP), its peak memory and index size per domain, and lookups in a freshly opened index.
// The release is made up first: VANTORY_BENCH_GRAPH="DOMAINS LINKS" (default 2000000 50000000), or
// VANTORY_BENCH_GRAPH_DIR names a folder holding one already (RELEASE cc-main-2025-sep-oct-nov).
#include "core/webgraph/GraphHistory.h"
#include "core/webgraph/ReleaseImport.h"
#include "core/webgraph/ReleaseIndex.h"
#include "core/webgraph/ReleaseStore.h"
#include "emulator/GraphFileServer.h"
#include "emulator/GraphRelease.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString Release = QStringLiteral("cc-main-2025-sep-oct-nov");

// Wall time of an import (ms); -1 when it failed.
qint64 importTime(const QString &source, const QString &folder)
{
    QDir(folder).removeRecursively();
    webgraph::ReleaseImport import({Release, source, folder, QString(), 5});
    QSignalSpy finished(&import, &webgraph::ReleaseImport::finished);
    QElapsedTimer clock;
    clock.start();
    import.start();
    if (finished.isEmpty() && !finished.wait(3600 * 1000))
        return -1;
    if (!finished.first().at(0).toBool()) {
        qWarning("%s", qPrintable(finished.first().at(1).toString()));
        return -1;
    }
    return clock.elapsed();
}

} // namespace

class BenchWebGraph : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_source;
    qint64 m_domains = 0;

private slots:
    void initTestCase()
    {
        m_source = qEnvironmentVariable("VANTORY_BENCH_GRAPH_DIR");
        if (m_source.isEmpty()) {
            const QStringList size =
                qEnvironmentVariable("VANTORY_BENCH_GRAPH", QStringLiteral("2000000 50000000"))
                    .split(u' ', Qt::SkipEmptyParts);
            m_source = m_dir.filePath(QStringLiteral("source"));
            QString why;
            QElapsedTimer clock;
            clock.start();
            QVERIFY2(
                graphRelease::write(
                    {m_source, Release, size.value(0).toLongLong(), size.value(1).toLongLong(), 4, 1}, &why),
                qPrintable(why));
            qInfo("release of %s domains and %s links made in %lld ms", qPrintable(size.value(0)),
                  qPrintable(size.value(1)), clock.elapsed());
        }
    }

    void importBesideIgzip()
    {
        QStringList files;
        qint64 compressed = 0;
        for (const QString &file : webgraph::releaseFiles(Release)) {
            files.append(QDir(m_source).filePath(file));
            compressed += QFileInfo(files.last()).size();
        }
        const QString igzip = QStandardPaths::findExecutable(QStringLiteral("igzip"));
        qint64 inflate = -1;
        if (!igzip.isEmpty()) {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            QElapsedTimer clock;
            clock.start();
            process.start(igzip, QStringList{QStringLiteral("-dc")} + files);
            QVERIFY(process.waitForFinished(-1));
            inflate = clock.elapsed();
        }
        const QString folder = m_dir.filePath(QStringLiteral("imported"));
        const qint64 local = importTime(m_source, folder);
        QVERIFY(local > 0);
        GraphFileServer server(m_source);
        QVERIFY(server.listen());
        const qint64 overHttp = importTime(server.baseUrl(), folder);
        QVERIFY(overHttp > 0);
        webgraph::ReleaseIndex index;
        QString why;
        QVERIFY(index.open(webgraph::indexFile(folder, Release), &why));
        m_domains = qint64(index.domains());
        // Peak memory of an import on its own: the command line's, in a process of its own.
        QProcess command;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        command.setProcessEnvironment(environment);
        command.start(
            QCoreApplication::applicationDirPath() + QStringLiteral("/vantory-scan"),
            {QStringLiteral("--graph-import"), Release, QStringLiteral("--graph-source"), m_source});
        // Its high-water mark of resident memory, read while it runs (its own, not that of this process,
        // which a forked child starts with).
        const QString status = QStringLiteral("/proc/%1/status").arg(command.processId());
        long peakKb = 0;
        while (!command.waitForFinished(20)) {
            QFile file(status);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : file.readAll().split('\n')) {
                if (line.startsWith("VmHWM:"))
                    peakKb = std::max(peakKb, line.mid(6).trimmed().split(' ').first().toLong());
            }
        }
        QVERIFY2(command.exitCode() == 0, command.readAllStandardError().constData());
        if (inflate < 0)
            qWarning("igzip was not found (Debian's package isal): the import has no yardstick");
        qInfo("%.0f MB compressed; igzip -dc %lld ms; import from a folder %lld ms (%.2f x igzip); over "
              "loopback HTTP %lld ms (%.2f x the folder's)",
              double(compressed) / 1e6, inflate, local, inflate > 0 ? double(local) / double(inflate) : 0.0,
              overHttp, double(overHttp) / double(local));
        qInfo("peak memory of an import (vantory-scan --graph-import) %ld MB (the budget: 12 bytes per "
              "domain + 256 MiB = %lld MB); "
              "index %.1f "
              "bytes per domain",
              peakKb / 1024, (12 * m_domains + (256LL << 20)) / (1 << 20),
              double(QFileInfo(webgraph::indexFile(folder, Release)).size()) / double(m_domains));
    }

    // The longest stall of the event loop of the thread that runs an import (a window's), read by a timer
    // that asks to run every millisecond.
    void eventLoopDuringImport()
    {
        const QString folder = m_dir.filePath(QStringLiteral("stall"));
        webgraph::ReleaseImport import({Release, m_source, folder, QString(), 5});
        QEventLoop loop;
        bool ok = false;
        QObject::connect(&import, &webgraph::ReleaseImport::finished, &loop, [&](bool done) {
            ok = done;
            loop.quit();
        });
        QElapsedTimer since;
        qint64 worst = 0, ticks = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            worst = std::max(worst, since.nsecsElapsed());
            since.restart();
            ++ticks;
        });
        since.start();
        tick.start();
        QElapsedTimer clock;
        clock.start();
        QMetaObject::invokeMethod(&import, &webgraph::ReleaseImport::start, Qt::QueuedConnection);
        loop.exec();
        QVERIFY(ok);
        qInfo(
            "event loop during an import from a folder (%lld ms): the longest stall %.1f ms (budget 16 ms), "
            "%lld timer turns",
            clock.elapsed(), double(worst) / 1e6, ticks);
    }

    void lookups()
    {
        const QString file = webgraph::indexFile(m_dir.filePath(QStringLiteral("imported")), Release);
        QElapsedTimer clock;
        clock.start();
        webgraph::ReleaseIndex index;
        QString why;
        QVERIFY(index.open(file, &why));
        QVERIFY(index.find("com.example"));
        const qint64 first = clock.nsecsElapsed();
        // Every 10,000th node of the release's order, by name, then names that are none.
        clock.restart();
        int found = 0;
        for (int i = 0; i < 10000; ++i)
            found += index.find(i % 2 ? "com.example" : "org.example.nothing" + std::to_string(i)) ? 1 : 0;
        qInfo("first lookup after opening %.2f ms; 10,000 lookups %.1f ms (%d found)", double(first) / 1e6,
              double(clock.nsecsElapsed()) / 1e6, found);
    }

    // --graph-history over 10 releases and 100 watched saved searches.
    void historyOf10ReleasesAnd100Searches()
    {
        const QString source = m_dir.filePath(QStringLiteral("small"));
        const QString folder = m_dir.filePath(QStringLiteral("history"));
        QStringList releases;
        for (int year = 2016; year < 2026; ++year) {
            const QString release = QStringLiteral("cc-main-%1-sep-oct-nov").arg(year);
            QString why;
            QVERIFY2(graphRelease::write({source, release, 200000, 2000000, 1, quint64(year)}, &why),
                     qPrintable(why));
            webgraph::ReleaseImport import({release, source, folder, QString(), 5});
            QSignalSpy finished(&import, &webgraph::ReleaseImport::finished);
            import.start();
            QVERIFY(!finished.isEmpty() || finished.wait(600000));
            QVERIFY(finished.first().at(0).toBool());
            releases.append(release);
        }
        QList<webgraph::HistoryTarget> targets;
        const QStringList sites{QStringLiteral("http://www.example.com"),
                                QStringLiteral("http://alice.github.io"), QStringLiteral("http://bbc.co.uk"),
                                QStringLiteral("http://nowhere.invalid")};
        for (int i = 0; i < 100; ++i)
            targets.append({QStringLiteral("s%1").arg(i),
                            m_dir.filePath(QStringLiteral("Saved/s%1.vty").arg(i)),
                            sites.at(i % sites.size())});
        QElapsedTimer clock;
        clock.start();
        const webgraph::HistoryResult first =
            webgraph::writeGraphHistory(targets, folder, releases, QStringLiteral("Linking domains"));
        const qint64 written = clock.elapsed();
        clock.restart();
        const webgraph::HistoryResult again =
            webgraph::writeGraphHistory(targets, folder, releases, QStringLiteral("Linking domains"));
        QVERIFY(first.errors.isEmpty() && first.written == 1000 && again.unchanged == 1000);
        qInfo("--graph-history, 10 releases x 100 saved searches: %lld ms writing 1,000 dates, %lld ms the "
              "second "
              "time (nothing to write)",
              written, clock.elapsed());
    }
};

QTEST_GUILESS_MAIN(BenchWebGraph)
#include "bench_webgraph.moc"
