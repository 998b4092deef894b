#include "cli/ScanCommand.h"

#include "cli/CommandLine.h"
#include "cli/ScanSession.h"
#include "cli/StandardOutput.h"

#include "core/ini/UserSettings.h"
#include "core/lists/UrlListFile.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/ResultsExport.h"
#include "emulator/DemoFolder.h"
#include "emulator/EngineEmulator.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace cli {

namespace {

// What a scan of one URL then does with its row: a save, or a comparison with a saved search.
struct AfterScan
{
    QString saveName;
    saved::SaveMode mode = saved::SaveMode::CreateNew;
    QDate date;
    bool strict = false; // write nothing when any cell has no count
    QString compare;     // a saved search to compare the one URL's total with
};

// The save or comparison the options ask for, or false with a sentence in error (and the exit status).
bool readAfterScan(const Invocation &in, AfterScan *after, QString *error, int *code)
{
    *code = 2;
    const bool save = in.isSet("save"), append = in.isSet("append");
    if (save && append)
        return *error = QStringLiteral("--save and --append cannot be used together"), false;
    if (in.isSet("replace") && !save)
        return *error = QStringLiteral("--replace goes with --save"), false;
    for (const char *option : {"date", "strict"}) {
        if (in.isSet(option) && !save && !append)
            return *error = QStringLiteral("--%1 goes with --save or --append").arg(QLatin1String(option)),
                   false;
    }
    if (in.isSet("compare") && (save || append))
        return *error = QStringLiteral("--compare and a save cannot be used together"), false;
    const QString name =
        in.value("compare").isEmpty() ? in.value(save ? "save" : "append") : in.value("compare");
    if ((save || append || in.isSet("compare")) && !saved::isValidSearchName(name, error))
        return false;
    after->compare = in.value("compare");
    if (!save && !append)
        return true;
    after->saveName = name;
    after->mode = save ? saved::SaveMode::CreateNew : saved::SaveMode::Append;
    after->strict = in.isSet("strict");
    if (!readSaveDate(in, &after->date, error))
        return false;
    // One wrong word in a daily job's line must not wipe months of history.
    if (save && !in.isSet("replace") &&
        QFileInfo::exists(saved::searchFile(programFolder::savedFolder(), name))) {
        *code = 1;
        return *error =
                   QStringLiteral("the saved search %1 already exists: --append %1 adds to it, --save %1 "
                                  "--replace replaces its history")
                       .arg(name),
               false;
    }
    return true;
}

// The URLs of the list file, or of standard input for "-".
bool readUrls(const QString &file, QStringList *urls, QString *error)
{
    if (file == QLatin1String("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return *error = QStringLiteral("cannot read standard input"), false;
        if (urlList::entriesOfBytes(in.readAll(), *urls) != urlList::LoadStatus::Ok)
            return *error = QStringLiteral("standard input holds a line longer than %1 KiB, which is no URL")
                                .arg(urlList::MaxLineLength / 1024),
                   false;
        return true;
    }
    const urlList::LoadStatus status = urlList::loadFile(file, *urls);
    if (status == urlList::LoadStatus::Ok)
        return true;
    *error = status == urlList::LoadStatus::Unreadable
                 ? QStringLiteral("cannot read the URL list file %1").arg(file)
                 : urlList::loadError(status, file);
    return false;
}

// The window's "Change" for the one URL; a comparison, so it ends with 0 whatever the cells hold.
int compareWith(const scan::ResultsModel &results, const QString &name)
{
    const QString file = saved::searchFile(programFolder::savedFolder(), name);
    const std::optional<saved::LastSave> last = saved::lastSave(file);
    if (!last)
        return fail(1, QStringLiteral("the saved search %1 holds no save to compare with")
                           .arg(QDir::toNativeSeparators(file)));
    if (results.hasNoCount(0))
        return fail(IncompleteScan,
                    QStringLiteral("no engine gave a count for %1: there is no total to compare")
                        .arg(resultsExport::printable(results.cell(0, 0))));
    const qint64 total = results.cell(0, 1).toLongLong();
    standardOutput::print(
        QStringLiteral("Change since %1 in %2: %3 (total %4, saved %5)\n")
            .arg(last->date.toString(Qt::ISODate), name, scan::ResultsModel::changeText(total - last->total))
            .arg(total)
            .arg(last->total));
    return 0;
}

// Saves the one row; the exit status (IncompleteScan when a cell had no count).
int saveRow(const scan::ResultsModel &results, const AfterScan &after, int missing)
{
    const QString file = saved::searchFile(programFolder::savedFolder(), after.saveName);
    if (after.strict && missing > 0)
        return fail(IncompleteScan,
                    QStringLiteral("%1 engine(s) gave no count; --strict: nothing was saved into %2")
                        .arg(missing)
                        .arg(QDir::toNativeSeparators(file)));
    int gaps = 0;
    const saved::SaveRow text = saved::countedSaveRowOf(results, 0, &gaps);
    if (gaps == results.engineCount())
        return fail(IncompleteScan, QStringLiteral("no engine gave a count; nothing was saved"));
    // --append into a saved search that is not there yet makes it (as an update does), and says so.
    const bool made = after.mode == saved::SaveMode::Append && !QFileInfo::exists(file);
    const saved::SaveResult result =
        saved::saveResults(text, file, made ? saved::SaveMode::CreateNew : after.mode, after.date);
    if (!result.ok)
        return fail(1, result.error);
    if (made)
        err() << "The saved search " << after.saveName << " did not exist: it was made" << Qt::endl;
    err() << "Saved into " << QDir::toNativeSeparators(file) << " as " << saved::dateKey(after.date);
    if (gaps > 0)
        err() << " (" << gaps << " engine(s) without a count left as gaps)";
    err() << Qt::endl;
    return missing > 0 ? IncompleteScan : 0;
}

int runScan(const Invocation &in, const engines::LoadResult &loaded)
{
    if (in.positional().size() != 1)
        return fail(2, QStringLiteral("expected one URL list file (or -); see --help"));
    ScanRequest request;
    AfterScan after;
    QString error;
    int code = 2;
    if (!readScanRequest(in, loaded.set, &request, &error) || !readAfterScan(in, &after, &error, &code))
        return fail(code, error);
    QStringList urls;
    if (!readUrls(in.positional().first(), &urls, &error))
        return fail(1, error);
    if ((!after.compare.isEmpty() || !after.saveName.isEmpty()) && urls.size() != 1)
        return fail(2, QStringLiteral("%1 a list of exactly one URL, not %2")
                           .arg(after.compare.isEmpty() ? QStringLiteral("--save and --append need")
                                                        : QStringLiteral("--compare needs"))
                           .arg(urls.size()));
    ScanSession session(request, programFolder::settingsIni());
    session.run(urls);
    session.print();
    if (!session.writePages(&error))
        return fail(1, error);
    if (!after.compare.isEmpty())
        return compareWith(session.results(), after.compare);
    if (!after.saveName.isEmpty())
        return saveRow(session.results(), after, session.missing());
    return session.missing() > 0 ? IncompleteScan : 0;
}

} // namespace

Command scanCommand()
{
    return {
        nullptr,
        scanOptions() + QStringList{QStringLiteral("save"), QStringLiteral("replace"),
                                    QStringLiteral("append"), QStringLiteral("date"),
                                    QStringLiteral("strict"), QStringLiteral("compare")},
        QStringLiteral("[--csv | --json] [--low N] [--medium N] [--retries N] [--sequential] [--interval MS] "
                       "[--jitter] [--timeout S] [--engine KEY ...] [--proxy URL ...] [--keep-pages DIR] "
                       "[--compare NAME | (--save NAME [--replace] | --append NAME) [--date YYYY-MM-DD] "
                       "[--strict]] URLFILE|-"),
        runScan};
}

int runScanCommand(const QStringList &arguments)
{
    return reported(runCommandLine(arguments));
}

int runDemoScan()
{
    emulator::EngineEmulator server;
    QTemporaryDir dir;
    QString error;
    if (!server.listen() || !dir.isValid() || !emulator::writeDemoFolder(dir.path(), server, &error))
        return fail(1, QStringLiteral("cannot set up the demo: %1").arg(error));
    UserSettings::useFolder(
        dir.filePath(QStringLiteral("config"))); // the demo touches no store of the user's
    programFolder::setPath(dir.path());
    err() << "Demo: engine emulator on " << server.baseUrl() << ", program folder " << dir.path() << Qt::endl;
    ScanRequest request;
    request.engines = engines::EngineSet::current();
    ScanSession session(request, programFolder::settingsIni());
    session.run(emulator::demoUrls());
    session.print();
    return reported(session.missing() > 0 ? IncompleteScan : 0);
}

} // namespace cli
