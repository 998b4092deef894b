#include "core/scan/ResultsModel.h"
#include "core/scan/SortKeys.h"
#include "core/scan/WebLogModel.h"

#include "../../support/TestText.h"
#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QTest>

using testText::s;

using namespace scan;

namespace {

QStringList column(const ResultsModel &model, int c)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r)
        out.append(model.cell(r, c));
    return out;
}
} // namespace

class TestScanSort : public QObject
{
    Q_OBJECT

private slots:
    void keys()
    {
        QCOMPARE(InvertDigits(s("0012.50-")), s("9987.49 "));
        QCOMPARE(InvertDigits(s("abc")), s("abc"));
        QCOMPARE(numericKey(s("1234")), s("00000000000000001234.0000000000"));
        QCOMPARE(numericKey(s("1,234")), s("00000000000000001234.0000000000"));
        QCOMPARE(numericKey(s("-5")), s("&99999999999999999994.9999999999"));
        QCOMPARE(numericKey(s(" 7 ")), numericKey(s("7")));
        QCOMPARE(numericKey(s("-0")), numericKey(s("0")));
        for (const char *notNumber : {"", " ", "abc", "12abc", ",5", "1e", "--1", "."})
            QCOMPARE(numericKey(s(notNumber)), QString());
        // Keys compared as character codes order as their numbers.
        const QList<double> numbers{-1e6, -40, -5, -0.5, 0, 0.25, 3, 40, 300, 12345678.5};
        for (qsizetype i = 1; i < numbers.size(); ++i) {
            QVERIFY(numericKey(QString::number(numbers.at(i - 1), 'f', 2)) <
                    numericKey(QString::number(numbers.at(i), 'f', 2)));
        }
        QVERIFY(QString() < numericKey(s("-1e6")));
    }

    void resultsSort()
    {
        ResultsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QStringList totals{s("300"), s("5"),     QString(), s("40"),
                                 s("-5"),  s("1,234"), s("-40"),  s("abc")};
        for (int r = 0; r < totals.size(); ++r) {
            model.insertResultRow(r, s("http://%1.example").arg(QChar(u'a' + (7 - r))));
            model.setCell(r, 1, totals.at(r));
            model.setCell(r, 6, totals.at(r) + s(" msn"));
            model.setProfile(r, Profile((r % 3) + 1));
        }
        QItemSelectionModel selection(&model);
        selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

        model.SortListView(2, ResultsModel::NumberMode, true);
        // Non-numbers first (in their old order), negatives by value, "1,234" as 1234; texts unchanged.
        QCOMPARE(column(model, 1), QStringList({QString(), s("abc"), s("-40"), s("-5"), s("5"), s("40"),
                                                s("300"), s("1,234")}));
        QVERIFY(model.sortedMode());
        for (int r = 0; r < model.rowCount(); ++r)
            QCOMPARE(model.cell(r, 6), model.cell(r, 1) + s(" msn"));
        // The selection follows its row; the profile travels with it.
        QCOMPARE(selection.selectedRows().size(), 1);
        QCOMPARE(model.cell(selection.selectedRows().first().row(), 1), s("300"));
        QCOMPARE(model.profile(6), Profile::Low);

        model.SortListView(2, ResultsModel::NumberMode, false);
        QCOMPARE(column(model, 1), QStringList({s("1,234"), s("300"), s("40"), s("5"), s("-5"), s("-40"),
                                                QString(), s("abc")}));
        // As text the same cells sort by characters (case-insensitive); the domain column is text.
        model.SortListView(2, ResultsModel::TextMode, true);
        QCOMPARE(column(model, 1).mid(0, 5),
                 QStringList({QString(), s("-40"), s("-5"), s("1,234"), s("300")}));
        model.sort(0, Qt::AscendingOrder);
        QCOMPARE(model.cell(0, 0), s("http://a.example"));
        QCOMPARE(model.cell(7, 0), s("http://h.example"));
        model.SortListView(9, ResultsModel::NumberMode, true); // no such column: nothing happens
        QCOMPARE(model.cell(0, 0), s("http://a.example"));

        // 5, 40, 300: numeric order in mode 1, character order in mode 0.
        ResultsModel small;
        for (const char *t : {"40", "300", "5"}) {
            small.insertResultRow(small.rowCount(), s(t));
            small.setCell(small.rowCount() - 1, 1, s(t));
        }
        small.SortListView(2, ResultsModel::NumberMode, true);
        QCOMPARE(column(small, 1), QStringList({s("5"), s("40"), s("300")}));
        small.SortListView(2, ResultsModel::TextMode, true);
        QCOMPARE(column(small, 1), QStringList({s("300"), s("40"), s("5")}));
        QCOMPARE(profileOf(499, 500, 1000), Profile::Low);
        QCOMPARE(profileOf(1000, 500, 1000), Profile::High);
    }

    void changeColumn()
    {
        ResultsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QList<std::optional<qint64>> changes{12, std::nullopt, -300, 0, 5000, -2};
        for (int r = 0; r < changes.size(); ++r) {
            model.insertResultRow(r, s("http://%1.example").arg(r));
            model.setChange(r, changes.at(r), s("against %1").arg(r));
        }
        QCOMPARE(model.columnCount(), 9);
        QCOMPARE(model.headerData(8, Qt::Horizontal).toString(), s("Change"));
        QCOMPARE(model.index(0, 8).data().toString(), QString::fromUtf8("\u25b2 +12"));
        QCOMPARE(model.index(2, 8).data().toString(), QString::fromUtf8("\u25bc -300"));
        QCOMPARE(model.index(3, 8).data().toString(), s("0"));
        QVERIFY(model.index(1, 8).data().toString().isEmpty());
        QCOMPARE(model.index(2, 8).data(Qt::ToolTipRole).toString(), s("against 2"));
        QVERIFY(model.cell(0, 8).isEmpty()); // not a cell: saves and exports keep to eight columns
        // Numerically, the rows without a change first; the change moves with its row.
        model.sort(8, Qt::AscendingOrder);
        QList<std::optional<qint64>> sorted;
        QStringList urls;
        for (int r = 0; r < model.rowCount(); ++r) {
            sorted.append(model.change(r));
            urls.append(model.cell(r, 0));
        }
        QCOMPARE(sorted, (QList<std::optional<qint64>>{std::nullopt, -300, -2, 0, 12, 5000}));
        QCOMPARE(urls.first(), s("http://1.example"));
        QCOMPARE(urls.last(), s("http://4.example"));
        model.sort(8, Qt::DescendingOrder);
        QCOMPARE(model.change(0), std::optional<qint64>(5000));
    }

    void logSort()
    {
        WebLogModel log;
        QAbstractItemModelTester tester(&log, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(log.EnhListView_SortColumns(0)); // empty: nothing changes
        QVERIFY(!log.sortedMode());
        log.appendRow(s("Home Page"), s("http://b"));
        log.appendRow(s("Google"), s("http://b"));
        log.appendRow(s("AltaVista"), s("http://a"));
        QCOMPARE(log.headerData(0, Qt::Horizontal).toString(), s("Webpage Type"));
        QCOMPARE(log.headerData(1, Qt::Horizontal).toString(), s("URL"));
        // One order for the whole log, toggled by every click: the first click sorts descending.
        log.EnhListView_SortColumns(0);
        QCOMPARE(log.type(0), s("Home Page"));
        QCOMPARE(log.type(2), s("AltaVista"));
        log.EnhListView_SortColumns(1);
        QCOMPARE(log.url(0), s("http://a"));
        log.EnhListView_SortColumns(1);
        QCOMPARE(log.url(0), s("http://b"));
        QCOMPARE(log.sortOrder(), Qt::DescendingOrder);
        // While sorted, new rows go to their place.
        log.appendRow(s("MSN"), s("http://c"));
        QCOMPARE(log.url(0), s("http://c"));
        log.clear();
        QCOMPARE(log.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestScanSort)
#include "tst_scan_sort.moc"
