// Speed of the core: INI access on a file at the slot limit, count extraction on a large page, and page
// fetches from the engine emulator beside a plain socket client fetching the same pages.
#include "core/engines/EngineDefinition.h"
#include "core/engines/EngineSet.h"
#include "core/ini/IniLines.h"
#include "core/ini/modINI.h"
#include "core/saved/ChartData.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/FetchPage.h"
#include "core/scan/ParseEngineData.h"
#include "emulator/EngineEmulator.h"

#include "core/saved/HistoryImport.h"
#include "core/scan/ResultsExport.h"
#include "core/scan/ResultsModel.h"
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <limits>

namespace {

// Ten years of daily counts for the six engines, newest first, as the history export writes them.
QByteArray tenYearCsv()
{
    QByteArray csv = "Date,Google,Altavista,Yahoo!,Teoma,MSN,All The Web\r\n";
    for (int day = 0; day < 3650; ++day) {
        csv += QDate(2026, 12, 7).addDays(-day).toString(Qt::ISODate).toLatin1();
        for (int engine = 0; engine < 6; ++engine)
            csv += ',' + QByteArray::number(100000 + day * 7 + engine);
        csv += "\r\n";
    }
    return csv;
}

} // namespace

class BenchCore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_bigIni;
    static constexpr int Pages = 200;

    QString fullIni()
    {
        if (m_bigIni.isEmpty()) {
            m_bigIni = m_dir.filePath(QStringLiteral("full.ini"));
            QByteArray bytes = "[Engines]\r\n";
            for (int i = 0; i < modINI::MaxSlots - 3; ++i)
                bytes += "key" + QByteArray::number(i) + "=http://www.example.com/search?q=link:\r\n";
            QFile file(m_bigIni);
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
        }
        return m_bigIni;
    }

private slots:
    void readIniAtSlotLimit()
    {
        const QString file = fullIni();
        QString value;
        QBENCHMARK
        {
            value = modINI::ReadINI(QStringLiteral("Engines"), QStringLiteral("key32000"), QString(), file);
        }
        QVERIFY(!value.isEmpty());
    }

    void writeIniAtSlotLimit()
    {
        const QString file = fullIni();
        int n = 0;
        QBENCHMARK
        {
            modINI::WriteINI(QStringLiteral("Engines"), QStringLiteral("key32000"), QString::number(++n),
                             file);
        }
        QCOMPARE(modINI::ReadINI(QStringLiteral("Engines"), QStringLiteral("key32000"), QString(), file),
                 QString::number(n));
    }

    void historyOfOneMiBSavedSearch()
    {
        // A saved search of about 1 MiB: 30,000 sections of one date each, and six sections of 5,000 dates.
        const QString many = m_dir.filePath(QStringLiteral("many.vty"));
        const QString deep = m_dir.filePath(QStringLiteral("deep.vty"));
        QByteArray bytes;
        for (int i = 0; i < 30000; ++i)
            bytes += "\r\n[S" + QByteArray::number(i) + "]\r\n01-01-20=" + QByteArray::number(i) + "\r\n";
        QFile manyFile(many);
        if (manyFile.open(QIODevice::WriteOnly))
            manyFile.write(bytes);
        manyFile.close();
        bytes.clear();
        for (const char *engine : {"Google", "Altavista", "Yahoo!", "Teoma", "MSN", "All The Web"}) {
            bytes += QByteArray("\r\n[") + engine + "]\r\n";
            for (int d = 0; d < 5000; ++d)
                bytes += QDate(2026, 1, 1).addDays(-d).toString(QStringLiteral("MM-dd-yy")).toLatin1() + "=" +
                         QByteArray::number(d) + "\r\n";
        }
        QFile deepFile(deep);
        if (deepFile.open(QIODevice::WriteOnly))
            deepFile.write(bytes);
        deepFile.close();
        saved::History history;
        QBENCHMARK
        {
            saved::readHistory(many, history);
            saved::readHistory(deep, history);
            QStringList sections;
            modINI::GetINISections(sections, deep);
            chartData::allEnginesChart(deep, sections, QStringLiteral("deep"));
        }
        QCOMPARE(history.dates.size(), 5000);
    }

    // Ten years of daily counts for six engines, from CSV to a saved search, and the export back.
    void importTenYearHistory()
    {
        const QByteArray csv = tenYearCsv();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Saved/ten.vty"));
        QBENCHMARK
        {
            QFile::remove(file);
            QVERIFY(saved::importHistory(csv, file, false, engines::EngineSet::builtin().headers()).ok);
        }
        saved::History history;
        QVERIFY(saved::readHistory(file, history));
        QCOMPARE(resultsExport::historyCsv(history).toLatin1(), csv);
    }

    // A day's save into ten years of daily counts, as the window makes it.
    void saveIntoTenYearHistory()
    {
        const QByteArray csv = tenYearCsv();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Saved/ten.vty"));
        QVERIFY(saved::importHistory(csv, file, false, engines::EngineSet::builtin().headers()).ok);
        saved::SaveRow row;
        for (const QString &engine : engines::EngineSet::builtin().headers())
            row.cells.append({engine, QStringLiteral("123456")});
        QDate day(2026, 12, 8);
        QBENCHMARK
        {
            QVERIFY(saved::saveResults(row, file, saved::SaveMode::Append, day).ok);
            day = day.addDays(1);
        }
    }

    void export100000Rows()
    {
        scan::ResultsModel results;
        for (int r = 0; r < 100000; ++r) {
            results.insertResultRow(r, QStringLiteral("http://site%1.example").arg(r));
            for (int c = 2; c < 8; ++c)
                results.setCell(r, c, c == 6 ? QStringLiteral("1,234,567") : QString::number(r * 7 + c));
        }
        QString csv;
        QBENCHMARK
        {
            csv = resultsExport::toCsv(results, true);
        }
        QCOMPARE(csv.count(QStringLiteral("\r\n")), 100001);
    }

    void parseOneMiBPage()
    {
        QString page;
        while (page.size() < 1024 * 1024)
            page += QStringLiteral("<p class='g'><a href='http://www.example.com/'>A linking page</a></p>\n");
        page += QStringLiteral("<span class=\"ofSoMany\">1 234 567</span>");
        QString count;
        QBENCHMARK
        {
            count = scan::ParseEngineData(page, 6);
        }
        QCOMPARE(count, QStringLiteral("1234567"));
    }

    // An engine defined by a regular expression against the same engine by its text markers, on a 1 MiB page
    // whose count stands at its end. Printed as the ratio to its bound: at most 2 x the markers' time.
    void expressionAgainstMarkersOnOneMiBPage()
    {
        QString page;
        while (page.size() < 1024 * 1024)
            page += QStringLiteral(
                "<p class=\"g\"><a href=\"http://www.example.com/\">A page of</a> links</p>\n");
        page += QStringLiteral("Results <b>1</b> - <b>10</b> of about <b>1,234,567</b> linking to <b>x</b>.");
        const engines::Definition markers = engines::EngineSet::builtin().at(1);
        engines::Definition expression = markers;
        expression.countBefore.clear();
        expression.countAfter.clear();
        expression.expression = QStringLiteral("of about <b>([\\d,]+)</b> linking to");
        QVERIFY(engines::problem(expression).isEmpty());
        auto best = [&page](const engines::Definition &d) {
            qint64 fastest = std::numeric_limits<qint64>::max();
            for (int round = 0; round < 7; ++round) {
                QElapsedTimer clock;
                clock.start();
                for (int i = 0; i < 10; ++i) {
                    if (engines::extract(d, page).count != QLatin1String("1,234,567"))
                        return qint64(-1);
                }
                fastest = std::min(fastest, clock.nsecsElapsed());
            }
            return fastest;
        };
        const qint64 byMarkers = best(markers);
        const qint64 byExpression = best(expression);
        QVERIFY(byMarkers > 0 && byExpression > 0);
        const double ratio = double(byExpression) / double(byMarkers);
        qInfo("extraction on 1 MiB: markers %.2f ms, expression %.2f ms: %.2f x, %.2f of the bound (2 x)",
              byMarkers / 1e7, byExpression / 1e7, ratio, ratio / 2.0);
    }

    void fetchPage200x20KiB()
    {
        emulator::EmulatorThread server;
        server.emulator()->setPadding(20 * 1024);
        const QString prefix = server.emulator()->prefix(1);
        qint64 bytes = 0;
        QBENCHMARK_ONCE
        {
            for (int i = 0; i < Pages; ++i)
                bytes += scan::FetchPage(prefix + QStringLiteral("http://site%1.example").arg(i)).size();
        }
        QVERIFY(bytes > Pages * 20 * 1024);
    }

    void plainSocket200x20KiB()
    {
        emulator::EmulatorThread server;
        server.emulator()->setPadding(20 * 1024);
        const quint16 port = server.emulator()->port();
        const QByteArray path =
            server.emulator()
                ->prefix(1)
                .mid(QStringLiteral("http://127.0.0.1:").size() + QString::number(port).size())
                .toLatin1();
        qint64 bytes = 0;
        QBENCHMARK_ONCE
        {
            for (int i = 0; i < Pages; ++i) {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, port);
                if (!socket.waitForConnected(5000))
                    break;
                socket.write("GET " + path + "http://site" + QByteArray::number(i) +
                             ".example HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Mozilla\r\nConnection: "
                             "close\r\n\r\n");
                QByteArray reply;
                while (socket.waitForReadyRead(5000))
                    reply += socket.readAll();
                reply += socket.readAll();
                bytes += reply.size();
            }
        }
        QVERIFY(bytes > Pages * 20 * 1024);
    }
};

QTEST_GUILESS_MAIN(BenchCore)
#include "bench_core.moc"
