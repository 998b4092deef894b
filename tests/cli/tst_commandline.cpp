#include "cli/CommandLine.h"

#include "../support/TestFiles.h"
#include "../support/TestText.h"

#include <QSet>
#include <QTest>

using testText::s;

// The commands' declarations against the option table, the help text and the manual page.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void declarationsAgree()
    {
        QSet<QString> known;
        for (const QCommandLineOption &option : cli::allOptions())
            for (const QString &name : option.names())
                known.insert(name);
        QSet<QString> taken{s("h"), s("help"), s("version"), s("program-folder")};
        const QString page =
            QString::fromUtf8(testFiles::read(s(VANTORY_SOURCE_DIR "/data/man/vantory-scan.1")));
        const QString help = cli::helpText();
        QSet<QString> selectors;
        for (const cli::Command &command : cli::commands()) {
            QVERIFY(command.run);
            for (const QString &name : command.options) {
                QVERIFY2(known.contains(name), qPrintable(name));
                taken.insert(name);
            }
            QVERIFY2(help.contains(command.usage), qPrintable(command.usage));
            if (!command.selector)
                continue;
            const QString selector = QString::fromLatin1(command.selector);
            QVERIFY2(known.contains(selector), command.selector);
            QVERIFY2(!selectors.contains(selector), command.selector);
            selectors.insert(selector);
            taken.insert(selector);
            // The manual page's synopsis names every command.
            QVERIFY2(page.contains(s("\\fB\\-\\-") + QString(selector).replace(u'-', s("\\-")) + s("\\fR")),
                     command.selector);
        }
        QCOMPARE(taken, known); // no option that no command takes
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
