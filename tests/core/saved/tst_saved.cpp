#include "core/engines/EngineSet.h"
#include "core/ini/TextFile.h"
#include "core/ini/modINI.h"
#include "core/ini/privateProfile.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/ChartData.h"
#include "core/saved/HistoryImport.h"
#include "core/saved/SavedSearch.h"
#include "core/saved/SearchFile.h"
#include "core/saved/Updates.h"
#include "core/scan/ResultsExport.h"
#include "core/scan/ResultsModel.h"

#include "../../support/TestFiles.h"

#include "../../support/TestText.h"
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using testText::s;

using namespace saved;
using chartData::ChartModel;

namespace {

// The six shipped engines' columns, in the order a save writes them (read when first needed: the built-in
// definitions are a resource, there only once the program runs).
QStringList headers()
{
    return engines::EngineSet::builtin().headers();
}

// A results table row with the given engine cells.
// A results table of one row with these engine cells.
void fillRow(scan::ResultsModel &model, const QStringList &cells, const QString &domain)
{
    model.insertResultRow(0, domain);
    for (int c = 0; c < cells.size(); ++c)
        model.setCell(0, c + 2, cells.at(c));
}

// What a save of a results row with these engine cells writes.
SaveRow saveText(const QStringList &cells, const QString &domain = QStringLiteral("http://a.example"))
{
    scan::ResultsModel model;
    fillRow(model, cells, domain);
    return saveRowOf(model, 0);
}

QList<std::optional<double>> v(std::initializer_list<std::optional<double>> values)
{
    return QList<std::optional<double>>(values);
}
} // namespace

class TestSaved : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString folder() const { return m_dir.filePath(s("Saved")); }

private slots:
    void saveText_()
    {
        scan::ResultsModel row;
        fillRow(row, {s("1520"), s("310"), s("-"), QString(), s("1,234"), s("7")}, s("http://a"));
        QCOMPARE(SaveResultText(row, 0),
                 s("Google:1520\nAltavista:310\nYahoo!:-\nTeoma:\nMSN:1,234\nAll The Web:7\n"));
        // What a save writes: a cell's text up to its first ":".
        fillRow(row, {s("12:34")}, s("http://b"));
        QCOMPARE(saveRowOf(row, 0).cells.first(), std::make_pair(s("Google"), s("12")));
        scan::ResultsModel empty;
        QCOMPARE(SaveResultText(empty, 0), QString());
        QCOMPARE(dateKey(QDate(2026, 12, 5)), s("12-05-26"));
        QCOMPARE(dateKey(QDate(2000, 1, 2)), s("01-02-00"));
        QCOMPARE(dateKey(QDate(2099, 10, 31)), s("10-31-99"));
        QCOMPARE(dateKey(QDate()), QString());
        QCOMPARE(dateOfKey(s("12-05-26")), QDate(2026, 12, 5));
        QVERIFY(!dateOfKey(s("13-05-26")).isValid());
        QVERIFY(!dateOfKey(s("x")).isValid());
    }

    void filesByteForByte()
    {
        const QString file = searchFile(folder(), s("site"));
        QVERIFY(!QFileInfo::exists(folder()));
        // Create: the Saved folder and the file are made; "-" is skipped; an empty cell is saved empty.
        SaveResult r = saveResults(saveText({s("1520"), s("310"), s("-"), QString(), s("1,234"), s("7")}),
                                   file, SaveMode::CreateNew, QDate(2026, 11, 28));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.sectionsWritten, 5);
        QCOMPARE(testFiles::read(file),
                 QByteArray("\r\n[Google]\r\n11-28-26=1520\r\n\r\n[Altavista]\r\n11-28-26=310\r\n"
                            "\r\n[Teoma]\r\n11-28-26=\r\n\r\n[MSN]\r\n11-28-26=1,234\r\n\r\n"
                            "[All The Web]\r\n11-28-26=7\r\n\r\n"));
        // Append on a later day: newest first; the Yahoo! section is added at the end.
        r = saveResults(saveText({s("1600"), s("320"), s("55"), s("4"), s("1,300"), s("8")}), file,
                        SaveMode::Append, QDate(2026, 12, 5));
        QVERIFY(r.ok);
        QCOMPARE(
            testFiles::read(file),
            QByteArray(
                "\r\n[Google]\r\n12-05-26=1600\r\n11-28-26=1520\r\n\r\n[Altavista]\r\n12-05-26=320\r\n"
                "11-28-26=310\r\n\r\n[Teoma]\r\n12-05-26=4\r\n11-28-26=\r\n\r\n[MSN]\r\n12-05-26=1,300\r\n"
                "11-28-26=1,234\r\n\r\n[All The Web]\r\n12-05-26=8\r\n11-28-26=7\r\n\r\n"
                "[Yahoo!]\r\n12-05-26=55\r\n")); // later rewrites keep one empty line
        // A second save on the same day replaces that day's value.
        r = saveResults(saveText({s("1700"), s("-"), s("-"), s("-"), s("-"), s("-")}), file, SaveMode::Append,
                        QDate(2026, 12, 5));
        QVERIFY(r.ok);
        QCOMPARE(modINI::ReadINISection(s("Google"), QString(), file),
                 s("12-05-26=1700\r\n11-28-26=1520\r\n"));
        // "Save" over an existing name: the engines saved now keep today's entry only, the others stay.
        r = saveResults(saveText({s("9"), s("-"), s("-"), s("-"), s("-"), s("-")}), file, SaveMode::CreateNew,
                        QDate(2026, 12, 6));
        QVERIFY(r.ok);
        QCOMPARE(modINI::ReadINISection(s("Google"), QString(), file), s("12-06-26=9\r\n"));
        QCOMPARE(modINI::ReadINISection(s("Altavista"), QString(), file),
                 s("12-05-26=320\r\n11-28-26=310\r\n"));
        QStringList sections;
        modINI::GetINISections(sections, file);
        QCOMPARE(sections, QStringList({s("Google"), s("Altavista"), s("Teoma"), s("MSN"), s("All The Web"),
                                        s("Yahoo!")}));
    }

    void saveFailures()
    {
        // Append into a file that has gone; a row of "-" only; a Saved folder that cannot be made.
        SaveResult r = saveResults(saveText({s("1")}), searchFile(folder(), s("gone")), SaveMode::Append,
                                   QDate(2026, 1, 1));
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());
        QVERIFY(!QFileInfo::exists(searchFile(folder(), s("gone"))));
        r = saveResults(saveText({s("-"), s("-"), s("-"), s("-"), s("-"), s("-")}),
                        searchFile(folder(), s("dash")), SaveMode::CreateNew, QDate(2026, 1, 1));
        QVERIFY(!r.ok);
        testFiles::write(m_dir.filePath(s("blocker")), "a file where a folder should be");
        r = saveResults(saveText({s("1")}), m_dir.filePath(s("blocker/Saved/x.vty")), SaveMode::CreateNew,
                        QDate(2026, 1, 1));
        QVERIFY(!r.ok);
        QVERIFY(r.error.contains(s("could not be created")));
        // A write that fails part-way is reported, and the file stays whole.
        const QString file = searchFile(folder(), s("limited"));
        QVERIFY(saveResults(saveText({s("1"), s("2")}), file, SaveMode::CreateNew, QDate(2026, 1, 1)).ok);
        const QByteArray before = testFiles::read(file);
        {
            testFiles::FileSizeLimit limit(before.size());
            QVERIFY(!saveResults(saveText({s("3"), s("4")}), file, SaveMode::Append, QDate(2026, 1, 2)).ok);
        }
        QCOMPARE(testFiles::read(file), before); // all or nothing: exactly the old file
        // A failure in the last of six sections leaves the first five unwritten too.
        {
            testFiles::FileSizeLimit limit(before.size() + 5);
            QVERIFY(
                !saveResults(saveText({s("50000"), s("60000"), s("70000"), s("80000"), s("90000"), s("10")}),
                             file, SaveMode::CreateNew, QDate(2026, 1, 3))
                     .ok);
        }
        QCOMPARE(testFiles::read(file), before);

        // Names.
        QString why;
        for (const char *bad : {"", "  ", "a/b", "a\\b", ".", "..", "tab\there"}) {
            QVERIFY2(!isValidSearchName(s(bad), &why), bad);
            QVERIFY(!why.isEmpty());
        }
        QVERIFY(!isValidSearchName(QString(300, u'x')));
        for (const char *good : {"site", "my site 2026", "a.b", "x-y_z"})
            QVERIFY(isValidSearchName(s(good)));
    }

    void pageTextCannotShapeTheFile()
    {
        // A count that holds a line end would start a section of its own: it is saved as a cell without a
        // count, and the file keeps its structure.
        const QString file = searchFile(folder(), s("hostile"));
        QVERIFY(saveResults(saveText({s("1"), s("2"), s("3"), s("4"), s("5"), s("6")}), file,
                            SaveMode::CreateNew, QDate(2020, 1, 3))
                    .ok);
        const SaveResult r = saveResults(
            saveText({s("5\r[MSN]"), s("7\n[Teoma]\r\nx=1"), s("8\x1b]0;title\x07"), s("4"), s("5"), s("6")}),
            file, SaveMode::Append, QDate(2020, 1, 4));
        QVERIFY2(r.ok, qPrintable(r.error));
        QStringList sections;
        modINI::GetINISections(sections, file);
        QCOMPARE(sections, QStringList({s("Google"), s("Altavista"), s("Yahoo!"), s("Teoma"), s("MSN"),
                                        s("All The Web")}));
        QCOMPARE(modINI::ReadINISection(s("Google"), QString(), file), s("01-04-20=\r\n01-03-20=1\r\n"));
        QCOMPARE(modINI::ReadINISection(s("Yahoo!"), QString(), file), s("01-04-20=\r\n01-03-20=3\r\n"));
        QCOMPARE(modINI::ReadINISection(s("MSN"), QString(), file), s("01-04-20=5\r\n01-03-20=5\r\n"));

        // A file edited by hand with indented lines: a rewrite makes "  [Google]" a header, so the save
        // writes into that section and not into a second one that the reader would never reach.
        const QString indented = searchFile(folder(), s("indented"));
        QVERIFY(
            textFile::writeBytes(indented, "\r\n   [Google]\r\n  01-03-20=9 \r\n[MSN]\r\n01-03-20=2\r\n"));
        const SaveResult spaced = saveResults(saveText({s("11"), s("-"), s("-"), s("-"), s("12"), s("-")}),
                                              indented, SaveMode::Append, QDate(2020, 1, 4));
        QVERIFY2(spaced.ok, qPrintable(spaced.error));
        QCOMPARE(modINI::ReadINISection(s("Google"), QString(), indented),
                 s("01-04-20=11\r\n01-03-20=9\r\n"));
        QCOMPARE(modINI::ReadINISection(s("MSN"), QString(), indented), s("01-04-20=12\r\n01-03-20=2"));
        // Saved anew over such a file: one Google section, holding the new count.
        QVERIFY(textFile::writeBytes(indented, "\r\n   [Google]\r\n  01-03-20=9 \r\n"));
        QVERIFY(saveResults(saveText({s("13")}), indented, SaveMode::CreateNew, QDate(2020, 1, 5)).ok);
        QStringList anew;
        modINI::GetINISections(anew, indented);
        QCOMPARE(anew.count(s("Google")), 1);
        QCOMPARE(modINI::ReadINI(s("Google"), s("01-05-20"), QString(), indented), s("13"));
    }

    void datesInOrderAndCapitalExtensions()
    {
        const QString file = searchFile(folder(), s("ordered"));
        for (const QDate &date :
             {QDate(2026, 3, 1), QDate(2026, 1, 1), QDate(2026, 2, 1), QDate(2025, 12, 31)})
            QVERIFY(
                saveResults(saveText({QString::number(date.month()), s("-"), s("-"), s("-"), s("-"), s("-")}),
                            file, date == QDate(2026, 3, 1) ? SaveMode::CreateNew : SaveMode::Append, date)
                    .ok);
        // Every date in its place, newest first; a second save of a date replaces it where it stands.
        QCOMPARE(modINI::ReadINISection(s("Google"), QString(), file),
                 s("03-01-26=3\r\n02-01-26=2\r\n01-01-26=1\r\n12-31-25=12"));
        QVERIFY(saveResults(saveText({s("20"), s("-"), s("-"), s("-"), s("-"), s("-")}), file,
                            SaveMode::Append, QDate(2026, 2, 1))
                    .ok);
        QCOMPARE(modINI::ReadINISection(s("Google"), QString(), file),
                 s("03-01-26=3\r\n02-01-26=20\r\n01-01-26=1\r\n12-31-25=12"));

        // A file named with the extension in capitals is found, listed and appended to.
        QVERIFY(QFile::rename(file, searchFile(folder(), s("ordered")).chopped(4) + s(".VTY")));
        QCOMPARE(searchFile(folder(), s("ordered")), m_dir.filePath(s("Saved/ordered.VTY")));
        QVERIFY(listSearches(folder()).contains(s("ordered")));
        QVERIFY(saveResults(saveText({s("4"), s("-"), s("-"), s("-"), s("-"), s("-")}),
                            searchFile(folder(), s("ordered")), SaveMode::Append, QDate(2026, 4, 1))
                    .ok);
        QVERIFY(!QFileInfo::exists(m_dir.filePath(s("Saved/ordered.vty"))));
        QVERIFY(modINI::ReadINISection(s("Google"), QString(), searchFile(folder(), s("ordered")))
                    .startsWith(s("04-01-26=4\r\n")));
    }

    void historyReadOnceAndLinks()
    {
        // The history table: dates paired across sections, newest first, keys that are no date last.
        const QString file = searchFile(folder(), s("table"));
        QDir().mkpath(folder());
        testFiles::write(file, "\r\n[Google]\r\n02-01-26=5\r\n01-01-26=4\r\nnote=x\r\n\r\n[MSN]\r\n"
                               "03-01-26=1,200\r\n01-01-26=1,000\r\n02-01-26=1,100\r\n01-01-26=dup\r\n");
        History history;
        QVERIFY(readHistory(file, history));
        QCOMPARE(history.sections, QStringList({s("Google"), s("MSN")}));
        QCOMPARE(history.dates, QStringList({s("03-01-26"), s("02-01-26"), s("01-01-26"), s("note")}));
        QCOMPARE(history.values.at(0), QStringList({QString(), s("1,200")}));
        QCOMPARE(history.values.at(2), QStringList({s("4"), s("1,000")}));
        QCOMPARE(history.values.at(3), QStringList({s("x"), QString()}));

        // Thousands of sections: every reader still answers (and the chart keeps to its limit).
        QByteArray many;
        for (int i = 0; i < 4000; ++i)
            many += "\r\n[S" + QByteArray::number(i) + "]\r\n0" + QByteArray::number(1 + i % 9) +
                    "-01-20=" + QByteArray::number(i) + "\r\n";
        const QString big = searchFile(folder(), s("many"));
        testFiles::write(big, many);
        QVERIFY(readHistory(big, history));
        QCOMPARE(history.sections.size(), 4000);
        QCOMPARE(history.dates.size(), 9);
        QCOMPARE(history.values.at(0).at(8), s("8"));
        QStringList sections;
        modINI::GetINISections(sections, big);
        const ChartModel all = chartData::allEnginesChart(big, sections, s("many"));
        QCOMPARE(all.seriesLabels.size(), chartData::MaxSeries);
        QCOMPARE(all.categoryLabels.size(), 9);
        QVERIFY(all.message.contains(s("4000")));
        QCOMPARE(all.values.at(3).at(all.categoryLabels.indexOf(s("04-01-20"))), std::optional<double>(3));

        // A saved search that is a link out of the Saved folder is neither read nor written; one within it
        // is.
        QTemporaryDir outside;
        const QString secret = outside.filePath(s("secret.vty"));
        testFiles::write(secret, "\r\n[Google]\r\n01-01-20=1\r\n");
        const QString link = searchFile(folder(), s("link"));
        QVERIFY(QFile::link(secret, link));
        QVERIFY(!staysInItsFolder(link));
        QVERIFY(!readHistory(link, history));
        const SaveResult refused = saveResults(saveText({s("5")}), link, SaveMode::Append, QDate(2020, 1, 2));
        QVERIFY(!refused.ok);
        QVERIFY(refused.error.contains(s("outside")));
        QCOMPARE(testFiles::read(secret), QByteArray("\r\n[Google]\r\n01-01-20=1\r\n"));
        const QString inner = searchFile(folder(), s("inner"));
        QVERIFY(QFile::link(file, inner));
        QVERIFY(staysInItsFolder(inner));
        QVERIFY(readHistory(inner, history));
        QVERIFY(QFile::link(outside.filePath(s("nothing.vty")), searchFile(folder(), s("dangling"))));
        QVERIFY(!staysInItsFolder(searchFile(folder(), s("dangling"))));

        // A name whose temporary rewrite name would not fit the file system is refused.
        QVERIFY(isValidSearchName(QString(244, u'n')));
        QVERIFY(!isValidSearchName(QString(245, u'n')));
    }

    void searchFileReadsAsTheIniModule()
    {
        // One load answers as the INI module's section reads do on the same file (duplicates, case, headers
        // without "]", invalid names, the last section), and writes the file back as a key write rewrites it.
        QVERIFY(QDir().mkpath(folder()));
        const QString f = folder() + s("/odd.vty");
        const QByteArray odd = "junk\r\n[A]\r\nk=1\r\n\r\n[b] tail\r\nx=2\r\n  y = 3  \r\n[a]\r\nk=9\r\n"
                               "[C=D]\r\nz=1\r\n[Open\r\nq=1\r\n[]\r\ne=1\r\n\r\n\r\n[Last]\r\nl=1\rm=2";
        QVERIFY(testFiles::write(f, odd));
        SearchFile search;
        QVERIFY(search.load(f));
        QStringList names;
        modINI::GetINISections(names, f);
        QCOMPARE(search.sectionNames(), names);
        for (const char *name : {"A", "a", "B", "b", "C=D", "Open", "", "Last", "missing", "[A", "b] tail"}) {
            QStringList lines;
            const int section = search.indexOf(s(name));
            for (const Entry &entry : search.entries(section))
                lines.append(entry.value ? entry.key + u'=' + *entry.value : entry.key);
            const QString body = modINI::ReadINISection(s(name), s("none"), f);
            QCOMPARE(section < 0 ? s("none") : lines.join(s("\r\n")),
                     body.endsWith(u'\n') ? body.chopped(2) : body);
        }
        QVERIFY(modINI::WriteINI(s("a"), s("k"), s("1"), f)); // the same value: a rewrite, nothing more
        QCOMPARE(search.rewrittenBytes(), testFiles::read(f));
        QCOMPARE(search.slotCount(),
                 24); // a line before the sections, 7 headers with their empty lines, 9 lines
        QVERIFY(!search.load(folder() + s("/missing.vty")));
        QVERIFY(search.sectionNames().isEmpty() && search.isEmpty());
    }

    void staleTemporaries()
    {
        // What an interrupted rewrite left is removed at the next start, and never listed.
        QTemporaryDir dir;
        programFolder::setPath(dir.path());
        QDir(dir.path()).mkpath(s("Saved"));
        for (const char *name :
             {"settings.ini.Ab12Cd", "Saved/site.vty.x9Y8z7", "Saved/OLD.VTY.abcdef", "settings.ini",
              "Saved/site.vty", "Saved/notes.txt.abcdef", "Saved/site.vty.toolong1", "settings.ini.ab-cde"})
            testFiles::write(dir.filePath(s(name)), "x");
        QCOMPARE(listSearches(dir.filePath(s("Saved"))), QStringList{s("site")});
        QCOMPARE(programFolder::removeStaleTemporaries(), 3);
        for (const char *kept : {"settings.ini", "Saved/site.vty", "Saved/notes.txt.abcdef",
                                 "Saved/site.vty.toolong1", "settings.ini.ab-cde"})
            QVERIFY2(QFile::exists(dir.filePath(s(kept))), kept);
        QVERIFY(!QFile::exists(dir.filePath(s("settings.ini.Ab12Cd"))));
        programFolder::setPath(QString());
    }

    void listing()
    {
        QTemporaryDir dir;
        for (const char *name : {"b.vty", "A.vty", "c.VTY", "notes.txt", "d.vty.bak"})
            testFiles::write(dir.filePath(s(name)), "\r\n[Google]\r\n");
        QDir(dir.path()).mkdir(s("folder.vty"));
        QCOMPARE(listSearches(dir.path()), QStringList({s("A"), s("b"), s("c")}));
        QVERIFY(listSearches(dir.filePath(s("missing"))).isEmpty());
    }

    void seriesAndScaling()
    {
        const QString file = m_dir.filePath(s("series.vty"));
        testFiles::write(file, "\r\n[Google]\r\n12-05-26=1,520\r\n11-28-26=1490\r\n\r\n[MSN]\r\n12-05-26=\r\n"
                               "11-28-26=abc\r\n11-21-26=12.5\r\n11-14-26=7\r\n");
        chartData::Series middle = chartData::readSeries(file, s("Google"));
        QCOMPARE(middle.labels, QStringList({s("12-05-26"), s("11-28-26")}));
        QCOMPARE(middle.values, QList<std::optional<qint64>>({1520, 1490}));
        chartData::Series last = chartData::readSeries(file, s("MSN"));
        QCOMPARE(last.labels.size(), 4);
        QCOMPARE(last.values, QList<std::optional<qint64>>({std::nullopt, std::nullopt, std::nullopt, 7}));
        QCOMPARE(chartData::LargestNumber(last.values), qint64(7));
        QCOMPARE(chartData::LargestNumber({}), qint64(0));

        const QList<std::tuple<qint64, int, const char *>> bounds{{1000000, 1, "Linking Sites"},
                                                                  {1000001, 10, "Linking Sites x10"},
                                                                  {10000000, 10, "Linking Sites x10"},
                                                                  {10000001, 100, "Linking Sites x100"},
                                                                  {100000000, 100, "Linking Sites x100"},
                                                                  {100000001, 1000, "Linking Sites x1000"},
                                                                  {0, 1, "Linking Sites"}};
        for (const auto &[largest, divisor, title] : bounds) {
            QCOMPARE(chartData::scalingFor(largest).divisor, divisor);
            QCOMPARE(chartData::scalingFor(largest).valueAxisTitle, s(title));
        }

        const ChartModel one = chartData::engineHistoryChart(file, s("Google"), s("series"));
        QCOMPARE(one.title, s("series"));
        QCOMPARE(one.seriesLabels, QStringList{s("Google")});
        QCOMPARE(one.categoryLabels, QStringList({s("12-05-26"), s("11-28-26")}));
        QCOMPARE(one.values, QList<QList<std::optional<double>>>{v({1520.0, 1490.0})});
        QCOMPARE(one.categoryAxisTitle, s("Search Date"));
        const ChartModel gaps = chartData::engineHistoryChart(file, s("MSN"), s("series"));
        QCOMPARE(gaps.values.first(), v({std::nullopt, std::nullopt, std::nullopt, 7.0}));
    }

    void allEnginesByDate()
    {
        const QString file = m_dir.filePath(s("all.vty"));
        // Google: two dates, small counts; MSN: a date Google lacks, a big count; Teoma: one old date.
        testFiles::write(file,
                         "\r\n[Google]\r\n12-05-26=10\r\n11-21-26=8\r\n\r\n[MSN]\r\n12-05-26=5000000\r\n"
                         "11-28-26=4000000\r\n\r\n[Teoma]\r\n10-01-26=3\r\n");
        const ChartModel all =
            chartData::allEnginesChart(file, {s("Google"), s("MSN"), s("Teoma")}, s("all"));
        QCOMPARE(all.seriesLabels, QStringList({s("Google"), s("MSN"), s("Teoma")}));
        QCOMPARE(all.categoryLabels,
                 QStringList({s("12-05-26"), s("11-28-26"), s("11-21-26"), s("10-01-26")}));
        QCOMPARE(all.values.at(0), v({10.0, std::nullopt, 8.0, std::nullopt}));
        QCOMPARE(all.values.at(1),
                 v({5000000.0, 4000000.0, std::nullopt, std::nullopt}));                // unscaled: the first
        QCOMPARE(all.values.at(2), v({std::nullopt, std::nullopt, std::nullopt, 3.0})); // section decides
        QCOMPARE(all.valueAxisTitle, s("Linking Sites"));
        QVERIFY(chartData::hasSingleDateSeries(file, {s("Google"), s("Teoma")}));
        QVERIFY(!chartData::hasSingleDateSeries(file, {s("Google"), s("MSN")}));

        // Files with nothing to chart give an empty chart and a message, never a crash.
        for (const QByteArray &bytes :
             {QByteArray("no sections at all\r\n"), QByteArray("[Google\r\nx=1\r\n"),
              QByteArray("[Google]\r\n[MSN]\r\n"), QByteArray()}) {
            testFiles::write(file, bytes);
            QStringList sections;
            modINI::GetINISections(sections, file);
            const ChartModel chart = chartData::allEnginesChart(file, sections, s("x"));
            if (chart.isEmpty())
                QVERIFY(!chart.message.isEmpty());
            for (const QString &section : sections)
                QVERIFY(chartData::engineHistoryChart(file, section, s("x")).values.size() <= 1);
        }
    }

    void currentResults()
    {
        scan::ResultsModel model;
        model.insertResultRow(0, s("http://first.example"));
        model.insertResultRow(1, s("http://second.example"));
        const QStringList first{s("5000000"), s("10"), QString(), s("abc"), s("1,234"), s("0")};
        for (int c = 0; c < 6; ++c) {
            model.setCell(0, c + 2, first.at(c));
            model.setCell(1, c + 2, s("20000000"));
        }
        const ChartModel chart = chartData::currentResultsChart(model);
        QCOMPARE(chart.title, s("Temporary Search Results"));
        QCOMPARE(chart.seriesLabels, QStringList({s("http://first.example"), s("http://second.example")}));
        QCOMPARE(chart.categoryLabels, QStringList({s("Google"), s("Altavista"), s("Yahoo!"), s("Teoma"),
                                                    s("MSN"), s("All The Web")}));
        QCOMPARE(chart.valueAxisTitle, s("Linking Sites x10"));
        QCOMPARE(chart.values.at(0), v({500000.0, 1.0, 0.0, std::nullopt, 123.4, 0.0}));
        QCOMPARE(chart.values.at(1).at(0), std::optional<double>(2000000.0));
        QCOMPARE(chart.categoryAxisTitle, s("Search Date"));
        scan::ResultsModel none;
        QVERIFY(chartData::currentResultsChart(none).isEmpty());
        const ChartModel example = chartData::exampleChart();
        QCOMPARE(example.title, s("Example Popularity Over Time Chart"));
        QCOMPARE(example.seriesLabels.size(), 6);
        QCOMPARE(example.categoryLabels.first(), s("04/04"));
        QCOMPARE(example.categoryLabels.last(), s("09/04"));
        QCOMPARE(example.valueAxisTitle, s("Linking Sites"));
    }

    void drawingRules()
    {
        // Whole-number steps of 1, 2 or 5 times a power of ten, at most ten of them, covering the largest
        // value.
        for (const double largest :
             {0.0, 0.4, 1.0, 3.0, 9.9, 10.0, 11.0, 152.3, 589.6, 1000.0, 1000001.0, 2.5e9}) {
            const chartData::ValueScale scale = chartData::valueScale(largest);
            QVERIFY(scale.step >= 1 && scale.step == std::floor(scale.step));
            const double mantissa = scale.step / std::pow(10.0, std::floor(std::log10(scale.step)));
            QVERIFY(mantissa == 1 || mantissa == 2 || mantissa == 5);
            QVERIFY(scale.top >= largest && scale.steps() <= 10 && scale.steps() >= 1);
            QCOMPARE(scale.top, scale.steps() * scale.step);
        }
        QCOMPARE(chartData::valueScale(589.6).top, 600.0);
        QCOMPARE(chartData::valueScale(0).top, 5.0);
        // Labels: flat when they fit, turned when a few do not, else thinned so that none overlaps.
        QCOMPARE(chartData::labelPlan(6, 40, 16, 400).step, 1);
        QCOMPARE(chartData::labelPlan(6, 40, 16, 400).angle, 0);
        QCOMPARE(chartData::labelPlan(6, 80, 16, 400).angle, -45);
        QCOMPARE(chartData::labelPlan(6, 80, 16, 400).step, 1);
        for (const int categories : {13, 365, 3650}) {
            const chartData::LabelPlan plan = chartData::labelPlan(categories, 60, 16, 400);
            QCOMPARE(plan.angle, 0);
            const int shown = (categories + plan.step - 1) / plan.step;
            QVERIFY(shown >= 2 && shown * (60 + 8) <= 400);
            QVERIFY((categories + plan.step - 2) / (plan.step - 1) * (60 + 8) >
                    400); // no more thinned than needed
        }
        // Runs without gaps.
        using Runs = QList<QPair<qsizetype, qsizetype>>;
        QCOMPARE(chartData::runsWithoutGaps({}), Runs());
        QCOMPARE(chartData::runsWithoutGaps({std::nullopt}), Runs());
        QCOMPARE(
            chartData::runsWithoutGaps({1.0, 2.0, std::nullopt, 3.0, std::nullopt, std::nullopt, 4.0, 5.0}),
            Runs({{0, 1}, {3, 3}, {6, 7}}));
    }

    void timeRunsLeftToRight()
    {
        // A history as a saved search holds it: newest first, daily saves, a gap, a release years before,
        // a key that is no date.
        const QString file = searchFile(folder(), s("mixed"));
        QVERIFY(QDir().mkpath(folder()));
        QVERIFY(textFile::writeBytes(file, "[Google]\r\n06-17-20=30\r\n06-16-20=\r\n06-15-20=10\r\n"
                                           "spring=5\r\n01-01-17=2\r\n[MSN]\r\n06-16-20=7\r\n"));
        const ChartModel history = chartData::allEnginesChart(file, {s("Google"), s("MSN")}, s("mixed"));
        QCOMPARE(history.categoryLabels.first(), s("06-17-20")); // the saved order stays the default
        QVERIFY(history.isHistory() && !history.isTimeScaled());
        const ChartModel timed = chartData::timeScaled(history);
        QCOMPARE(timed.categoryLabels,
                 QStringList({s("01-01-17"), s("06-15-20"), s("06-16-20"), s("06-17-20")}));
        const int days = int(QDate(2017, 1, 1).daysTo(QDate(2020, 6, 15)));
        QCOMPARE(timed.positions, QList<double>({0, double(days), days + 1.0, days + 2.0}));
        QCOMPARE(timed.timeOrigin, QDate(2017, 1, 1));
        QCOMPARE(timed.values.at(0), v({2.0, 10.0, std::nullopt, 30.0})); // the gap stays a gap
        QCOMPARE(timed.values.at(1), v({std::nullopt, std::nullopt, 7.0, std::nullopt}));
        QVERIFY2(timed.message.contains(s("1 saved point without a readable date")),
                 qPrintable(timed.message));
        QCOMPARE(chartData::timeScaled(timed).positions, timed.positions); // once is enough
        // Results of one scan are no history; a history without one readable date keeps its order.
        ChartModel engines;
        engines.categoryLabels = {s("Google"), s("MSN")};
        engines.seriesLabels = {s("a")};
        engines.values = {v({1.0, 2.0})};
        QVERIFY(!chartData::timeScaled(engines).isTimeScaled());
        QCOMPARE(chartData::timeScaled(engines).categoryLabels, engines.categoryLabels);
        engines.categoryDates = {QDate(), QDate()};
        QCOMPARE(chartData::timeScaled(engines).categoryLabels, engines.categoryLabels);
        QVERIFY(!chartData::timeScaled(engines).message.isEmpty());

        // Slots: half-way to each neighbour; the ends a fiftieth of the span out. An even axis as before.
        const double edge = (days + 2.0) / 50;
        QCOMPARE(timed.slotOf(0), (QPair<double, double>(-edge, days / 2.0)));
        QCOMPARE(timed.slotOf(2), (QPair<double, double>(days + 0.5, days + 1.5)));
        QCOMPARE(timed.slotOf(3), (QPair<double, double>(days + 1.5, days + 2 + edge)));
        QCOMPARE(history.slotOf(2), (QPair<double, double>(1.5, 2.5)));
        QCOMPARE(history.axisStart(), -0.5);
        QCOMPARE(history.axisEnd(), 4.5); // five categories, one of them no date
        // Lines at their dates; steps across their slots; a lone area value is a block inside its slot.
        QCOMPARE(chartData::runPoints(timed, 0, 0, 1, 3), QList<QPointF>({{0, 2}, {double(days), 10}}));
        QCOMPARE(chartData::runPoints(timed, 0, 3, 3, 7),
                 QList<QPointF>({{days + 1.5, 30}, {days + 2 + edge, 30}}));
        const QList<QPointF> block = chartData::runPoints(timed, 1, 2, 2, 5);
        QCOMPARE(block.size(), 2);
        QVERIFY(block.at(0).x() > days + 0.5 && block.at(1).x() < days + 1.5 && block.at(0).x() < days + 1);
        QCOMPARE(chartData::runPoints(history, 0, 0, 0, 7), QList<QPointF>({{-0.5, 30}, {0.5, 30}}));
        QCOMPARE(chartData::barGroupWidth(history, 1), 0.8);
        QVERIFY(chartData::barGroupWidth(timed, 2) <= 1.0 && chartData::barGroupWidth(timed, 0) > 1.0);

        // Ticks: the finest calendar step that fits, on whole months or years, labelled for the step.
        for (const int most : {1, 3, 8, 20, 60}) {
            const QList<chartData::AxisTick> ticks = chartData::timeTicks(timed, most);
            QVERIFY(!ticks.isEmpty() && ticks.size() <= most);
            for (qsizetype i = 0; i < ticks.size(); ++i) {
                QVERIFY(ticks.at(i).position >= timed.axisStart() && ticks.at(i).position <= timed.axisEnd());
                QVERIFY(i == 0 || ticks.at(i).position > ticks.at(i - 1).position);
            }
        }
        const QList<chartData::AxisTick> years = chartData::timeTicks(timed, 4);
        QCOMPARE(years.size(), 4);
        QCOMPARE(years.first().label, s("2017"));
        QCOMPARE(years.first().position, 0.0);
        QCOMPARE(years.last().label, s("2020"));
        const QList<chartData::AxisTick> halves = chartData::timeTicks(timed, 8);
        QCOMPARE(halves.first().label, s("Jan 2017"));
        QCOMPARE(halves.at(1).label, s("Jul 2017"));
        // Three daily saves: a tick a day, in the saves' own form.
        ChartModel daily = history;
        daily.categoryLabels = {s("06-17-20"), s("06-16-20"), s("06-15-20")};
        daily.categoryDates = {QDate(2020, 6, 17), QDate(2020, 6, 16), QDate(2020, 6, 15)};
        daily.values = {v({1.0, 2.0, 3.0})};
        daily.seriesLabels = {s("Google")};
        QList<QString> labels;
        for (const chartData::AxisTick &tick : chartData::timeTicks(chartData::timeScaled(daily), 10))
            labels.append(tick.label);
        QCOMPARE(labels, QStringList({s("06-15-20"), s("06-16-20"), s("06-17-20")}));
    }

    void exportRules()
    {
        // Counts in files are plain digits; what is no count stays as it is.
        QCOMPARE(resultsExport::plainCount(s("162,914")), s("162914"));
        QCOMPARE(resultsExport::plainCount(s("1 234 567")), s("1234567"));
        QCOMPARE(resultsExport::plainCount(QString::fromUtf8("1\u00a0234")), s("1234"));
        QCOMPARE(resultsExport::plainCount(s("1.234.567")), s("1234567"));
        QCOMPARE(resultsExport::plainCount(s("0")), s("0"));
        for (const char *text : {"", "12,30", "1,2345", "1,234.5", "n/a", "-", ",123", "1,,234"})
            QCOMPARE(resultsExport::plainCount(s(text)), s(text));
        // A history: ISO dates, plain digits, empty where a section lacks the date, CSV quoting kept.
        saved::History history;
        history.sections = {s("Google"), s("MSN"), s("A,B")};
        history.dates = {s("12-07-26"), s("01-02-00"), s("odd")};
        history.values = {
            {s("1234"), s("162,914"), s("")}, {s("5"), s(""), s("7")}, {s("x"), s("1"), s("2")}};
        QCOMPARE(resultsExport::historyCsv(history),
                 s("Date,Google,MSN,\"A,B\"\r\n2026-12-07,1234,162914,\r\n"
                   "2000-01-02,5,,7\r\nodd,x,1,2\r\n"));
        const QJsonObject json =
            QJsonDocument::fromJson(resultsExport::historyJson(history).toUtf8()).object();
        const QJsonObject first = json.value(s("dates")).toArray().first().toObject();
        QCOMPARE(first.value(s("MSN")).toInteger(), 162914);
        QVERIFY(first.value(s("A,B")).isNull());
        QCOMPARE(first.value(s("date")).toString(), s("2026-12-07"));
    }

    void importWritesWhatSavesWrite()
    {
        // Histories saved day by day (gaps, engines that join late or leave early, MSN's grouped counts),
        // exported and imported: the same file, byte for byte, as a new search and merged into the file of
        // the first days.
        QRandomGenerator random(20261209);
        QVERIFY(QDir().mkpath(folder()));
        for (int trial = 0; trial < 300; ++trial) {
            const QString saves = folder() + QStringLiteral("/saves%1.vty").arg(trial);
            const QString early = folder() + QStringLiteral("/early%1.vty").arg(trial);
            QDate date(2026, 1, 1);
            const int days = 1 + random.bounded(5);
            const int earlyDays = 1 + random.bounded(days);
            int saved = 0;
            QList<std::pair<QDate, SaveRow>> rows; // the days with something to save
            for (int day = 0; day < days; ++day) {
                QStringList cells;
                for (int engine = 0; engine < 6; ++engine) {
                    const qint64 count = random.bounded(3) == 0 ? -1 : random.bounded(2000000);
                    cells.append(count < 0     ? s("-")
                                 : engine == 4 ? QLocale(QLocale::English).toString(count)
                                               : QString::number(count));
                }
                date = date.addDays(1 + random.bounded(40));
                if (cells.count(s("-")) == 6)
                    continue; // nothing to save that day
                const SaveMode mode = saved == 0 ? SaveMode::CreateNew : SaveMode::Append;
                QVERIFY(saveResults(saveText(cells), saves, mode, date).ok);
                if (saved < earlyDays)
                    QVERIFY(saveResults(saveText(cells), early, mode, date).ok);
                rows.append({date, saveText(cells)});
                ++saved;
            }
            if (saved == 0)
                continue;
            History history;
            QVERIFY(readHistory(saves, history));
            const QByteArray csv = resultsExport::historyCsv(history).toUtf8();
            const QString copy = folder() + QStringLiteral("/copy%1.vty").arg(trial);
            const ImportResult imported = importHistory(csv, copy, false, headers());
            QVERIFY2(imported.ok, qPrintable(imported.errors.join(u'\n')));
            QCOMPARE(imported.dates, saved);
            QVERIFY2(testFiles::read(copy) == testFiles::read(saves),
                     qPrintable(s("trial %1:\n").arg(trial) + QString::fromLatin1(testFiles::read(saves)) +
                                s("\nimported:\n") + QString::fromLatin1(testFiles::read(copy))));
            const QByteArray earlyBytes = testFiles::read(early);
            QVERIFY(importHistory(csv, early, true, headers()).ok);
            QVERIFY2(testFiles::read(early) == testFiles::read(saves),
                     qPrintable(s("trial %1:\n").arg(trial) + QString::fromLatin1(earlyBytes) +
                                s("\nsaves:\n") + QString::fromLatin1(testFiles::read(saves)) +
                                s("\nmerged:\n") + QString::fromLatin1(testFiles::read(early))));
            // The last days saved first, then the whole history merged in: what saves of the earlier days,
            // oldest first, make of that file (each older date goes in below the newer ones).
            const QString late = folder() + QStringLiteral("/late%1.vty").arg(trial);
            const QString replayed = folder() + QStringLiteral("/replayed%1.vty").arg(trial);
            for (qsizetype i = earlyDays - 1; i < rows.size(); ++i) {
                const SaveMode mode = i == earlyDays - 1 ? SaveMode::CreateNew : SaveMode::Append;
                QVERIFY(saveResults(rows.at(i).second, late, mode, rows.at(i).first).ok);
            }
            QVERIFY(QFile::copy(late, replayed));
            for (qsizetype i = 0; i < earlyDays - 1; ++i)
                QVERIFY(saveResults(rows.at(i).second, replayed, SaveMode::Append, rows.at(i).first).ok);
            QVERIFY(importHistory(csv, late, true, headers()).ok);
            QVERIFY2(testFiles::read(late) == testFiles::read(replayed),
                     qPrintable(s("trial %1:\n").arg(trial) + QString::fromLatin1(testFiles::read(replayed)) +
                                s("\nmerged:\n") + QString::fromLatin1(testFiles::read(late))));
        }
        // A million bad lines: the first 20 are named, the rest counted.
        QByteArray bad = "Date,Google\n";
        for (int i = 0; i < 1000000; ++i)
            bad += "bad,1\n";
        const ImportResult refused = importHistory(bad, folder() + s("/bad.vty"), false, headers());
        QVERIFY(!refused.ok);
        QCOMPARE(refused.errors.size(), 21);
        QVERIFY(refused.errors.at(19).startsWith(s("line 21: \"bad\" is no date")));
        QCOMPARE(refused.errors.last(), s("and 999980 more bad lines"));
        QVERIFY(!QFile::exists(folder() + s("/bad.vty")));
    }

    void writersTakeTurns()
    {
        // A save or an import waits for another writer's lock; after the bounded wait it changes nothing.
        QVERIFY(QDir().mkpath(folder()));
        const QString file = folder() + s("/locked.vty");
        QVERIFY(saveResults(saveText({s("1"), s("2"), s("3"), s("4"), s("5"), s("6")}), file,
                            SaveMode::CreateNew, QDate(2026, 12, 1))
                    .ok);
        const QByteArray before = testFiles::read(file);
        textFile::FileLock::setWaitMs(300);
        {
            QLockFile other(file + s(".lock")); // a writer that holds the file
            QVERIFY(other.tryLock(0));
            const SaveResult blocked = saveResults(saveText({s("9"), s("9"), s("9"), s("9"), s("9"), s("9")}),
                                                   file, SaveMode::Append, QDate(2026, 12, 2));
            QVERIFY(!blocked.ok);
            QVERIFY2(blocked.error.contains(s("is being written by another program")),
                     qPrintable(blocked.error));
            const ImportResult import = importHistory("Date,Google\n2026-12-03,5\n", file, true, headers());
            QVERIFY(!import.ok);
            QVERIFY(import.errors.join(u' ').contains(s("is being written by another program")));
            QVERIFY(!modINI::WriteINI(s("Google"), s("12-04-26"), s("1"), file));
            QVERIFY(!privateProfile::WriteString(s("Google"), s("12-04-26"), s("1"), file));
            QCOMPARE(testFiles::read(file), before);
        }
        // A lock left by a process that has died is taken over at once.
        QProcess dead;
        dead.start(s("sh"), {s("-c"), s("read line")});
        QVERIFY(dead.waitForStarted());
        const qint64 pid = dead.processId();
        dead.closeWriteChannel();
        QVERIFY(dead.waitForFinished());
        QVERIFY(testFiles::write(file + s(".lock"), QByteArray::number(pid) + "\nsh\n" +
                                                        QSysInfo::machineHostName().toUtf8() + "\n"));
        QVERIFY(saveResults(saveText({s("7"), s("-"), s("-"), s("-"), s("-"), s("-")}), file,
                            SaveMode::Append, QDate(2026, 12, 2))
                    .ok);
        QVERIFY(testFiles::read(file).startsWith("\r\n[Google]\r\n12-02-26=7\r\n12-01-26=1\r\n"));
        QVERIFY(!QFile::exists(file + s(".lock")));
        // A group of rewrites keeps its locks until it has committed; a nested lock of the same file is free.
        const QString ini = m_dir.filePath(s("settings.ini"));
        {
            textFile::Transaction transaction;
            QVERIFY(privateProfile::WriteString(s("Engines"), s("Google"), s("http://a/"), ini));
            QVERIFY(privateProfile::WriteString(s("Engines"), s("MSN"), s("http://b/"), ini));
            QLockFile other(ini + s(".lock"));
            QVERIFY(!other.tryLock(0));
            QVERIFY(transaction.commit());
            QVERIFY(other.tryLock(0));
        }
        QCOMPARE(modINI::ReadINI(s("Engines"), s("MSN"), QString(), ini), s("http://b/"));
        textFile::FileLock::setWaitMs(10000);
    }

    // A drop of exactly the percentage is an alert; one just short of it is not.
    void dropAlertsAtTheThreshold()
    {
        const QString file = folder() + s("/drops.vty");
        QVERIFY(QDir().mkpath(folder()));
        QVERIFY(testFiles::write(file, "\r\n[Google]\r\n12-02-26=50\r\n12-01-26=100\r\n\r\n[Altavista]\r\n"
                                       "12-02-26=51\r\n12-01-26=100\r\n"));
        updates::Rules rules;
        rules.dropPercent = 50;
        const QList<updates::Alert> alerts =
            updates::dropsFor(s("drops"), s("http://d.example"), file, QDate(2026, 12, 2), rules);
        QCOMPARE(alerts.size(), 1); // the total fell by 49.5 %
        QCOMPARE(alerts.first().engine, s("Google"));
        QCOMPARE(alerts.first().oldValue, s("100"));
        QCOMPARE(alerts.first().newValue, s("50"));
    }

    void lastSaveAndChange()
    {
        // The newest date wherever it stands in the file, over every section; grouped counts read as
        // numbers, empty values and text add nothing.
        const QString file = folder() + s("/last.vty");
        QVERIFY(QDir().mkpath(folder()));
        QVERIFY(testFiles::write(file, "\r\n[Google]\r\n12-01-26=100\r\n12-05-26=1,000\r\n\r\n[MSN]\r\n"
                                       "12-05-26=2,500\r\n12-06-25=999999\r\n\r\n[Teoma]\r\n12-05-26=\r\n"
                                       "12-05-26x=7\r\n\r\n[Yahoo!]\r\n12-05-26=n/a\r\n"));
        const std::optional<saved::LastSave> last = saved::lastSave(file);
        QVERIFY(last);
        QCOMPARE(last->date, QDate(2026, 12, 5));
        QCOMPARE(last->total, 3500);
        QCOMPARE(saved::changeSinceLastSave(file, 3000), std::optional<qint64>(-500));
        QCOMPARE(saved::changeSinceLastSave(file, 3500), std::optional<qint64>(0));
        QVERIFY(!saved::changeSinceLastSave(folder() + s("/none.vty"), 1));
        QVERIFY(testFiles::write(file, "[Google]\r\nnot-a-date=5\r\n"));
        QVERIFY(!saved::lastSave(file));
    }
};

QTEST_GUILESS_MAIN(TestSaved)
#include "tst_saved.moc"
