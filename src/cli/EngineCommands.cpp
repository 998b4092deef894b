#include "cli/EngineCommands.h"

#include "cli/CommandLine.h"
#include "cli/StandardOutput.h"

#include "core/engines/EngineProbe.h"
#include "core/ini/TextFile.h"
#include "core/program/ProgramFolder.h"
#include "core/scan/EngineTable.h"
#include "core/scan/ResultsExport.h"

#include <QEventLoop>
#include <QTextStream>

namespace cli {

namespace {

// A piece of page text for the terminal: control characters shown, long texts cut in the middle.
QString shown(const QString &text)
{
    QString out = resultsExport::printable(text);
    if (out.size() > 200)
        out = out.left(120) + QStringLiteral(" ... ") + out.right(60);
    return u'"' + out + u'"';
}

} // namespace

int listEngines(const engines::EngineSet &set)
{
    QString out;
    qsizetype keyWidth = 3, headerWidth = 6;
    for (const engines::Definition &d : set.definitions()) {
        keyWidth = qMax(keyWidth, d.key.size());
        headerWidth = qMax(headerWidth, d.header.size());
    }
    out += QStringLiteral("Key").leftJustified(keyWidth) + QStringLiteral("  ") +
           QStringLiteral("Header").leftJustified(headerWidth) + QStringLiteral("  Kind\n");
    for (const engines::Definition &d : set.definitions())
        out += resultsExport::printable(d.key).leftJustified(keyWidth) + QStringLiteral("  ") +
               resultsExport::printable(d.header).leftJustified(headerWidth) + QStringLiteral("  ") +
               d.kindWord() + u'\n';
    standardOutput::print(out);
    return 0;
}

int testEngine(const engines::LoadResult &loaded, const QString &key, const QString &target,
               const QString &pageFile, const QString &settingsIni)
{
    QTextStream err(stderr);
    const engines::Definition *definition = nullptr;
    for (const engines::Definition &d : loaded.all) {
        if (d.key.compare(key, Qt::CaseInsensitive) == 0)
            definition = &d;
    }
    if (!definition) {
        err << "vantory-scan: no engine has the key " << key << " (--engines lists them)" << Qt::endl;
        return 2;
    }
    engines::ProbeResult result;
    if (!pageFile.isEmpty()) {
        QByteArray bytes;
        if (!textFile::readBytes(pageFile, bytes)) {
            err << "vantory-scan: cannot read the page " << pageFile << Qt::endl;
            return 1;
        }
        result =
            engines::judgePage(*definition, QString::fromLatin1(bytes), engines::fileOutcome(bytes.size()));
    } else {
        engines::EngineProbe probe;
        QEventLoop loop;
        QObject::connect(&probe, &engines::EngineProbe::finished, &loop, [&](const engines::ProbeResult &r) {
            result = r;
            loop.quit();
        });
        probe.start(*definition, scan::readPrefix(definition->key, settingsIni), target);
        loop.exec();
    }
    const engines::Extraction &x = result.extraction;
    QString out;
    QTextStream o(&out);
    o << "Engine:   " << resultsExport::printable(definition->header) << " (" << definition->key << ", "
      << definition->kindWord() << ")\n";
    if (!result.query.isEmpty()) {
        o << "Query:    " << resultsExport::printable(result.query) << '\n';
        // What else goes out with it: headers, credentials (never their values) and a POST's body.
        const QStringList request =
            engines::requestText(*definition, scan::readPrefix(definition->key, settingsIni), target)
                .split(u'\n');
        for (qsizetype i = 1; i < request.size(); ++i)
            o << (i == 1 ? "Request:  " : "          ") << resultsExport::printable(request.at(i)) << '\n';
    } else
        o << "Page:     " << pageFile << '\n';
    o << "Status:   " << scan::statusWord(result.report.status) << " - "
      << resultsExport::printable(result.report.detail) << '\n';
    o << "Count:    " << (x.count.isEmpty() ? QStringLiteral("(none)") : shown(x.count));
    if (!x.count.isEmpty() && result.cell != x.count)
        o << " (the cell shows " << shown(result.cell) << ')';
    o << '\n';
    const bool between = definition->kind() == engines::Kind::Markers
                             ? x.countBefore.found() && x.countAfter.found()
                             : !x.raw.isEmpty();
    o << "Between:  " << (between ? shown(x.raw) : QStringLiteral("(the markers are not on the page)"))
      << '\n';
    if (!definition->checkBefore.isEmpty() || !definition->checkAfter.isEmpty())
        o << "Check:    "
          << ((definition->checkBefore.isEmpty() || x.checkBefore.found()) &&
                      (definition->checkAfter.isEmpty() || x.checkAfter.found())
                  ? shown(x.check) + (x.zero ? QStringLiteral(" (the zero phrase)") : QString())
                  : QStringLiteral("(the check markers are not on the page)"))
          << '\n';
    else if (!definition->zeroPhrase.isEmpty())
        o << "Zero:     "
          << (x.zero ? "the page shows the zero phrase" : "the zero phrase is not on the page") << '\n';
    if (x.count.isEmpty() && !x.note.isEmpty())
        o << "Note:     " << x.note << '\n';
    o.flush();
    standardOutput::print(out);
    return result.report.hasCount() ? 0 : IncompleteScan;
}

namespace {

int runEngines(const Invocation &in, const engines::LoadResult &loaded)
{
    if (!in.positional().isEmpty())
        return fail(2, QStringLiteral("--engines takes no argument"));
    engines::EngineSet set = loaded.set;
    if (in.isSet("engine")) {
        QStringList unknown;
        set = loaded.set.only(in.values("engine"), &unknown);
        if (!unknown.isEmpty())
            return fail(2, QStringLiteral("no engine in use has the key %1 (--engines lists them)")
                               .arg(unknown.join(QStringLiteral(", "))));
    }
    return listEngines(set);
}

int runTestEngine(const Invocation &in, const engines::LoadResult &loaded)
{
    const QStringList targets = in.positional();
    if (in.isSet("page") ? !targets.isEmpty() : targets.size() != 1)
        return fail(2, QStringLiteral("--test-engine KEY takes one URL or --page FILE; see --help"));
    return testEngine(loaded, in.value("test-engine"), targets.value(0), in.value("page"),
                      programFolder::settingsIni());
}

} // namespace

Command enginesCommand()
{
    return {
        "engines", {QStringLiteral("engine")}, QStringLiteral("--engines [--engine KEY ...]"), runEngines};
}

Command testEngineCommand()
{
    return {"test-engine",
            {QStringLiteral("page")},
            QStringLiteral("--test-engine KEY (URL | --page FILE)"),
            runTestEngine};
}

} // namespace cli
