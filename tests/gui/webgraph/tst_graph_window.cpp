// The "Web Graph" window against generated releases: the list of offered and imported releases, an import
// with its progress, Cancel (and closing) mid-way leaving no index, Remove after asking, failures in words.
#include "core/ini/UserSettings.h"
#include "core/webgraph/DomainMapping.h"
#include "core/webgraph/ReleaseCatalog.h"
#include "core/webgraph/ReleaseImport.h"
#include "core/webgraph/ReleaseIndex.h"
#include "core/webgraph/ReleaseStore.h"
#include "emulator/GraphFileServer.h"
#include "emulator/GraphRelease.h"
#include "gui/common/Prompts.h"
#include "gui/webgraph/frmLinkingDomains.h"
#include "gui/webgraph/frmWebGraph.h"

#include "../../support/TestText.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <set>

using testText::s;

namespace {

const QString Release = QStringLiteral("cc-main-2025-sep-oct-nov");
const QString Older = QStringLiteral("cc-main-2024-nov-feb-apr");

QPushButton *button(const QWidget &window, const char *name)
{
    return window.findChild<QPushButton *>(QString::fromLatin1(name));
}

QStringList rowOf(const frmWebGraph &window, const QString &release)
{
    const QList<QTreeWidgetItem *> found = window.releaseList()->findItems(release, Qt::MatchExactly, 0);
    QStringList row;
    if (!found.isEmpty()) {
        for (int c = 0; c < window.releaseList()->columnCount(); ++c)
            row.append(found.first()->text(c));
    }
    return row;
}

} // namespace

class TestGraphWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString source() const { return m_dir.filePath(s("source")); }
    QString releases() const { return m_dir.filePath(s("releases")); }

    // A window on the source, its list of offers in.
    std::unique_ptr<frmWebGraph> open(const QString &from)
    {
        auto window =
            std::make_unique<frmWebGraph>(releases(), from, QStringList{s("http://www.example.com/")});
        QSignalSpy listed(window.get(), &frmWebGraph::offersListed);
        window->show();
        if (!listed.wait(20000))
            return nullptr;
        return window;
    }

private slots:
    void initTestCase()
    {
        UserSettings::useFolder(m_dir.filePath(s("store")));
        prompts::setTestMode(true);
        QString why;
        QVERIFY2(graphRelease::write({source(), Release, 3000, 40000, 2, 5}, &why), qPrintable(why));
        QVERIFY2(graphRelease::write({source(), Older, 2000, 20000, 1, 6}, &why), qPrintable(why));
    }

    void importThenRemove()
    {
        const auto window = open(source());
        QVERIFY(window);
        // Newest first; nothing imported yet.
        QCOMPARE(window->releaseList()->topLevelItemCount(), 2);
        QCOMPARE(window->releaseList()->topLevelItem(0)->text(0), Release);
        QCOMPARE(rowOf(*window, Release).mid(1, 2), (QStringList{s("2025-11-30"), QString()}));
        QVERIFY(window->selectRelease(Release));
        QVERIFY(button(*window, "cmdImport")->isEnabled());
        QVERIFY(!button(*window, "cmdCancelImport")->isEnabled());
        QVERIFY(!button(*window, "cmdRemove")->isEnabled());

        QSignalSpy ended(window.get(), &frmWebGraph::importEnded);
        QSignalSpy changed(window.get(), &frmWebGraph::releasesChanged);
        QTest::mouseClick(button(*window, "cmdImport"), Qt::LeftButton);
        QVERIFY(window->isImporting());
        QVERIFY(!button(*window, "cmdImport")->isEnabled());
        QVERIFY(button(*window, "cmdCancelImport")->isEnabled());
        QVERIFY(window->findChild<QProgressBar *>(s("prgImport"))->isVisible());
        QVERIFY(ended.wait(60000));
        QVERIFY2(ended.first().at(0).toBool(), qPrintable(ended.first().at(1).toString()));
        QCOMPARE(changed.size(), 1);
        QVERIFY(!window->isImporting());
        QVERIFY(!window->findChild<QProgressBar *>(s("prgImport"))->isVisible());
        const QStringList row = rowOf(*window, Release);
        QCOMPARE(row.at(2), s("yes"));
        QCOMPARE(row.at(3), QLocale().toString(3000));
        QCOMPARE(row.at(4), QLocale().toString(40000));
        QVERIFY(row.at(5).endsWith(s(" MB")));
        QVERIFY(QFile::exists(webgraph::indexFile(releases(), Release)));
        {
            // The watched site's linking domains were kept.
            webgraph::ReleaseIndex index;
            QString why;
            QVERIFY(index.open(webgraph::indexFile(releases(), Release), &why));
            QVERIFY(index.keptLinking("com.example"));
        }
        QVERIFY(button(*window, "cmdRemove")->isEnabled());
        QCOMPARE(button(*window, "cmdImport")->text(), s("Re-&import"));

        // Remove asks, and No keeps it.
        prompts::takeShown();
        QTest::mouseClick(button(*window, "cmdRemove"), Qt::LeftButton);
        QVERIFY(prompts::takeShown().first().startsWith(s("Web Graph|Remove the release ") + Release));
        QVERIFY(QFile::exists(webgraph::indexFile(releases(), Release)));
        prompts::queueYesNo(true);
        QTest::mouseClick(button(*window, "cmdRemove"), Qt::LeftButton);
        QVERIFY(!QFile::exists(webgraph::indexFile(releases(), Release)));
        QCOMPARE(rowOf(*window, Release).at(2), QString());
        QCOMPARE(changed.size(), 2);
    }

    void cancelAndCloseLeaveNothing()
    {
        // A server that stalls in the last file: the import runs until it is stopped.
        GraphFileServer server(source());
        QVERIFY(server.listen());
        server.stallAfter(s("edges.txt.gz"), 50000);
        const auto window = open(server.baseUrl());
        QVERIFY(window);
        // The server has no list of releases: the window says so, and a release can be typed.
        QVERIFY(window->findChild<QLabel *>(s("lblGraphSource"))->text().contains(s("type the name")));
        QVERIFY(!button(*window, "cmdImport")->isEnabled());
        QTest::keyClicks(window->findChild<QLineEdit *>(s("txtRelease")), Release);
        QVERIFY(button(*window, "cmdImport")->isEnabled());
        prompts::takeShown();
        QSignalSpy ended(window.get(), &frmWebGraph::importEnded);
        QTest::mouseClick(button(*window, "cmdImport"), Qt::LeftButton);
        const auto *state = window->findChild<QLabel *>(s("lblImport"));
        QTRY_VERIFY_WITH_TIMEOUT(state->text().contains(s(" MB/s")), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(server.requests() >= 3, 20000);
        QTest::mouseClick(button(*window, "cmdCancelImport"), Qt::LeftButton);
        QVERIFY(ended.wait(20000));
        QVERIFY(!ended.first().at(0).toBool());
        QVERIFY(state->text().contains(s("stopped; nothing of it was kept")));
        QVERIFY(!QFileInfo::exists(webgraph::indexFile(releases(), Release)));
        QCOMPARE(QDir(releases() + u'/' + Release).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(prompts::takeShown().isEmpty()); // a cancel is no failure

        // Closing while it runs asks; No keeps it running, Yes stops it.
        ended.clear();
        QTest::mouseClick(button(*window, "cmdImport"), Qt::LeftButton);
        QVERIFY(window->isImporting());
        window->close();
        QVERIFY(window->isVisible() && window->isImporting());
        QVERIFY(prompts::takeShown().first().contains(s("is still running. Stop it?")));
        prompts::queueYesNo(true);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QVERIFY(ended.wait(20000));
        QVERIFY(!ended.first().at(0).toBool());
        QVERIFY(!QFileInfo::exists(webgraph::indexFile(releases(), Release)));
    }

    void linkingDomainsWindow()
    {
        // Both releases imported with example.com's linking domains kept.
        const QString folder = m_dir.filePath(s("linking"));
        for (const QString &release : {Release, Older}) {
            webgraph::ReleaseImport job({release, source(), folder, QString(), 3});
            job.keepLinkingOf({s("http://www.example.com/")});
            QSignalSpy finished(&job, &webgraph::ReleaseImport::finished);
            job.start();
            QVERIFY(finished.wait(60000) || !finished.isEmpty());
            QVERIFY(finished.first().at(0).toBool());
        }
        webgraph::ReleaseIndex newer, older;
        QString why;
        QVERIFY(newer.open(webgraph::indexFile(folder, Release), &why));
        QVERIFY(older.open(webgraph::indexFile(folder, Older), &why));
        const auto expected = newer.linking("com.example");
        QVERIFY(expected.size() > 3);

        frmLinkingDomains window(s("http://www.example.com/"), folder, m_dir.filePath(s("program")));
        window.show();
        QCOMPARE(window.findChild<QComboBox *>(s("cmbRelease"))->currentText(), Release);
        const QAbstractItemModel *rows = window.domainsView()->model();
        QCOMPARE(rows->rowCount(), int(expected.size()));
        QVERIFY(window.findChild<QLabel *>(s("lblLinking"))
                    ->text()
                    .startsWith(QLocale().toString(qulonglong(expected.size()))));
        // Best position first; a click on the domain's header sorts by name.
        QCOMPARE(rows->index(0, 0).data().toString().toStdString(),
                 webgraph::forward(expected.front().node).toStdString());
        window.domainsView()->sortByColumn(0, Qt::AscendingOrder);
        for (int row = 1; row < rows->rowCount(); ++row)
            QVERIFY(rows->index(row - 1, 0).data().toString() <= rows->index(row, 0).data().toString());
        // The filter, then the export of what is shown.
        const QString part = rows->index(0, 0).data().toString().left(3);
        QTest::keyClicks(window.findChild<QLineEdit *>(s("txtFilter")), part);
        QVERIFY(rows->rowCount() >= 1 && rows->rowCount() < int(expected.size()));
        for (int row = 0; row < rows->rowCount(); ++row)
            QVERIFY(rows->index(row, 0).data().toString().contains(part, Qt::CaseInsensitive));
        const QString csv = m_dir.filePath(s("linking.csv"));
        prompts::queueFile(csv);
        QTest::mouseClick(button(window, "cmdExport"), Qt::LeftButton);
        QFile exported(csv);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = exported.readAll().split('\n');
        QCOMPARE(lines.first(), QByteArray("Domain,Harmonic position\r"));
        QCOMPARE(lines.size() - 2, rows->rowCount());
        QVERIFY(lines.at(1).startsWith(rows->index(0, 0).data().toString().toUtf8() + ','));

        // Changes between the two releases, counted here from the indexes themselves.
        std::set<std::string> was, is;
        for (const auto &d : older.linking("com.example"))
            was.insert(d.node);
        for (const auto &d : expected)
            is.insert(d.node);
        int added = 0, lost = 0;
        for (const std::string &n : is)
            added += was.count(n) ? 0 : 1;
        for (const std::string &n : was)
            lost += is.count(n) ? 0 : 1;
        window.findChild<QComboBox *>(s("cmbOld"))->setCurrentText(Older);
        window.findChild<QComboBox *>(s("cmbNew"))->setCurrentText(Release);
        QCOMPARE(window.changesView()->model()->rowCount(), added + lost);
        QVERIFY(window.findChild<QLabel *>(s("lblChanges"))
                    ->text()
                    .endsWith(QStringLiteral("%1 new and %2 lost linking domains.").arg(added).arg(lost)));

        // Enter closes the window; it exports nothing.
        QFile::remove(csv);
        prompts::queueFile(csv);
        QTest::keyClick(&window, Qt::Key_Return);
        QVERIFY(!window.isVisible());
        QVERIFY(!QFile::exists(csv));
        prompts::reset();
        prompts::setTestMode(true);

        // A site whose list was not kept offers to watch it; one not in the graph says so.
        frmLinkingDomains notKept(s("http://www.bbc.co.uk/"), folder, m_dir.filePath(s("program")));
        notKept.show();
        QVERIFY(notKept.findChild<QLabel *>(s("lblLinking"))->text().contains(s("were not kept")));
        QVERIFY(button(notKept, "cmdWatch")->isVisible());
        prompts::queueText(s("bbc"));
        QTest::mouseClick(button(notKept, "cmdWatch"), Qt::LeftButton);
        QCOMPARE(UserSettings::savedSearchFor(m_dir.filePath(s("program")), s("http://www.bbc.co.uk/")),
                 s("bbc"));
        frmLinkingDomains nowhere(s("http://nowhere.invalid/"), folder, m_dir.filePath(s("program")));
        QVERIFY(nowhere.findChild<QLabel *>(s("lblLinking"))->text().contains(s("is not in the web graph")));
        QVERIFY(!button(nowhere, "cmdExport")->isEnabled());
    }

    void closedWhileAskingForTheList()
    {
        // A server that takes the request and never answers: the window goes while it waits, and nothing of
        // the answer's end reaches it.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QList<QTcpSocket *> held;
        connect(&silent, &QTcpServer::newConnection, this,
                [&] { held.append(silent.nextPendingConnection()); });
        auto window = std::make_unique<frmWebGraph>(
            releases(), QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort()), QStringList());
        QSignalSpy listed(window.get(), &frmWebGraph::offersListed);
        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(!held.isEmpty(), 20000);
        window.reset();
        QVERIFY(listed.isEmpty());
    }

    void failuresInWords()
    {
        // A release whose edges file is missing, and a source that is no folder at all.
        const QString broken = m_dir.filePath(s("broken"));
        QString why;
        QVERIFY(graphRelease::write({broken, Older, 300, 2000, 1, 7}, &why));
        QVERIFY(QFile::remove(broken + u'/' + webgraph::releaseFiles(Older).at(2)));
        QVERIFY(QFile::remove(broken + u'/' + webgraph::releaseFiles(Older).at(0)));
        auto window = open(broken);
        QVERIFY(window);
        // The folder's list holds only releases whose files are there.
        QCOMPARE(window->releaseList()->topLevelItemCount(), 0);
        QVERIFY(!button(*window, "cmdImport")->isEnabled());
        window.reset();
        QVERIFY(graphRelease::write({broken, Older, 300, 2000, 1, 7}, &why));
        QVERIFY(QFile::remove(broken + u'/' + webgraph::releaseFiles(Older).at(2)));
        window = open(broken);
        QVERIFY(window && window->selectRelease(Older));
        QSignalSpy ended(window.get(), &frmWebGraph::importEnded);
        prompts::takeShown();
        QTest::mouseClick(button(*window, "cmdImport"), Qt::LeftButton);
        QVERIFY(ended.wait(20000));
        QVERIFY(!ended.first().at(0).toBool());
        const QStringList shown = prompts::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(s("could not be imported")) &&
                     shown.first().contains(s("The source does not have this release")),
                 qPrintable(shown.first()));
        window.reset();
        window = open(m_dir.filePath(s("nowhere")));
        QVERIFY(window);
        QVERIFY(window->findChild<QLabel *>(s("lblGraphSource"))->text().contains(s("could not be had")));
    }
};

QTEST_MAIN(TestGraphWindow)
#include "tst_graph_window.moc"
