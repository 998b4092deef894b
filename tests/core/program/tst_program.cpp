// Which folder is the program folder, and how the per-user one is made from the installed defaults; the
// lowering of threads by name.
#include "core/program/ProgramEnd.h"
#include "core/program/ProgramFolder.h"
#include "core/program/ThreadPriority.h"

#include "../../support/TestFiles.h"
#include "../../support/TestText.h"

#include <QSemaphore>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

using testText::s;

class TestProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_defaults;
    QString m_userData;

private slots:
    void initTestCase()
    {
        // Installed defaults, and an XDG data home of our own.
        m_defaults = m_dir.filePath(s("share/vantory"));
        QVERIFY(QDir().mkpath(m_defaults + s("/Lists")));
        QVERIFY(
            testFiles::write(m_defaults + s("/settings.ini"), "[Engines]\r\nGoogle=http://g/?q=\xe9\r\n"));
        QVERIFY(testFiles::write(m_defaults + s("/Lists/sample.txt"), "http://www.example.com\r\n"));
        QVERIFY(testFiles::write(m_defaults + s("/Help.rtf"), "{\\rtf1 shared}"));
        m_userData = m_dir.filePath(s("data-home"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_userData));
        programFolder::setDefaultsFolder(m_defaults);
    }

    void cleanupTestCase() { programFolder::setDefaultsFolder(QString()); }

    void choosesTheFolder()
    {
        QString error;
        // --program-folder wins.
        QVERIFY(programFolder::chooseFor(m_dir.path(), m_dir.filePath(s("given")), &error));
        QCOMPARE(programFolder::path(), m_dir.filePath(s("given")));
        // A writable executable folder with a settings.ini: the build tree, an unpacked copy.
        const QString unpacked = m_dir.filePath(s("unpacked"));
        QVERIFY(QDir().mkpath(unpacked));
        QVERIFY(testFiles::write(unpacked + s("/settings.ini"), "[Engines]\r\n"));
        QVERIFY(programFolder::chooseFor(unpacked, QString(), &error));
        QCOMPARE(programFolder::path(), unpacked);
        QVERIFY(!QFile::exists(m_userData));
        // Installed (no settings.ini beside the executable): the per-user folder, made from the defaults.
        const QString bin = m_dir.filePath(s("usr/bin"));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(programFolder::chooseFor(bin, QString(), &error));
        const QString user = m_userData + s("/Vantory");
        QCOMPARE(programFolder::path(), user);
        QCOMPARE(programFolder::perUserFolder(), user);
        QCOMPARE(testFiles::read(user + s("/settings.ini")),
                 testFiles::read(m_defaults + s("/settings.ini")));
        QCOMPARE(testFiles::entries(user), QStringList({s("Lists"), s("Saved"), s("settings.ini")}));
        QCOMPARE(testFiles::entries(user + s("/Lists")), QStringList{s("sample.txt")});
        // Help and skins come from the defaults until the folder has its own.
        QCOMPARE(programFolder::dataFile(s("Help.rtf")), m_defaults + s("/Help.rtf"));
        QVERIFY(testFiles::write(user + s("/Help.rtf"), "{\\rtf1 own}"));
        QCOMPARE(programFolder::dataFile(s("Help.rtf")), user + s("/Help.rtf"));
        // Later starts keep what the user changed and do not bring back a list the user deleted.
        QVERIFY(testFiles::write(user + s("/settings.ini"), "[Engines]\r\nGoogle=mine\r\n"));
        QVERIFY(QFile::remove(user + s("/Lists/sample.txt")));
        QVERIFY(programFolder::chooseFor(bin, QString(), &error));
        QCOMPARE(testFiles::read(user + s("/settings.ini")), QByteArray("[Engines]\r\nGoogle=mine\r\n"));
        QVERIFY(testFiles::entries(user + s("/Lists")).isEmpty());
        // The defaults were only read.
        QCOMPARE(testFiles::entries(m_defaults), QStringList({s("Help.rtf"), s("Lists"), s("settings.ini")}));
        if (geteuid() != 0) {
            // An unpacked copy the user cannot write to is not used: the per-user folder is.
            QVERIFY(QFile::setPermissions(unpacked, QFile::ReadOwner | QFile::ExeOwner));
            QVERIFY(programFolder::chooseFor(unpacked, QString(), &error));
            QCOMPARE(programFolder::path(), user);
            QFile::setPermissions(unpacked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }

    void saysWhatFails()
    {
        const QString bin = m_dir.filePath(s("usr/bin"));
        QVERIFY(QDir().mkpath(bin));
        QString error;
        // A home that cannot hold the folder (here: a file where a folder must be).
        const QString blocked = m_dir.filePath(s("blocked"));
        QVERIFY(testFiles::write(blocked, "a file"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(blocked + s("/data")));
        programFolder::setPath(s("/previous"));
        QVERIFY(!programFolder::chooseFor(bin, QString(), &error));
        QVERIFY2(error.contains(blocked + s("/data/Vantory")) && error.contains(s("--program-folder")),
                 qPrintable(error));
        QCOMPARE(programFolder::path(), s("/previous"));
        // Damaged defaults: a settings.ini that is no file. Nothing half-made is left.
        const QString damaged = m_dir.filePath(s("damaged"));
        QVERIFY(QDir().mkpath(damaged + s("/settings.ini")));
        programFolder::setDefaultsFolder(damaged);
        const QString home = m_dir.filePath(s("home2"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home));
        error.clear();
        QVERIFY(!programFolder::chooseFor(bin, QString(), &error));
        QVERIFY2(error.contains(damaged + s("/settings.ini")), qPrintable(error));
        QVERIFY(!QFile::exists(home + s("/Vantory/settings.ini")));
        QCOMPARE(programFolder::path(), s("/previous"));
        programFolder::setDefaultsFolder(m_defaults);
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_userData));
    }

    // Threads are found by the name the system knows them by; only those are lowered, and never raised.
    void lowersThreadsByName()
    {
        QSemaphore started;
        QSemaphore done;
        std::atomic<int> tid{0};
        std::atomic<int> nice{-100};
        auto *worker = QThread::create([&] {
            tid = int(::gettid());
            started.release();
            done.acquire();
            nice = ::getpriority(PRIO_PROCESS, 0);
        });
        worker->setObjectName(s("VtyTestWorker"));
        worker->start();
        started.acquire();
        const int before = ::getpriority(PRIO_PROCESS, 0);
        QCOMPARE(threadPriority::lowerThreadsNamed("VtyTestWorker", before + 5), 1);
        QCOMPARE(::getpriority(PRIO_PROCESS, id_t(tid.load())), before + 5);
        QCOMPARE(::getpriority(PRIO_PROCESS, 0), before); // this thread is not named so
        QCOMPARE(threadPriority::lowerThreadsNamed("VtyTestWorker", before + 2), 0);
        QCOMPARE(threadPriority::lowerThreadsNamed("NoSuchThread", before + 5), 0);
        done.release();
        QVERIFY(worker->wait(10000));
        QCOMPARE(nice.load(), before + 5);
        delete worker;
    }

    // SIGTERM taken by an event loop that runs before the main one (a start-up step's) ends the program when
    // the main loop would start, instead of being lost. (Last here: it leaves its handler installed.)
    void aSignalBeforeTheMainLoopEndsIt()
    {
        programEnd::endOnTerminationSignals();
        QVERIFY(!programEnd::ending());
        QCOMPARE(::raise(SIGTERM), 0);
        QTRY_VERIFY(programEnd::ending());
        QTimer::singleShot(10000, [] { QCoreApplication::exit(99); }); // a lost end would run until here
        QCOMPARE(programEnd::exec(), 0);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
