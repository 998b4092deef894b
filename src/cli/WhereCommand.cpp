// --where: the folders and files in use, as lines or (--json) as one JSON object.
#include "cli/CommandLine.h"
#include "cli/StandardOutput.h"

#include "core/engines/EngineSet.h"
#include "core/ini/UserSettings.h"
#include "core/program/ProgramFolder.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

namespace {

int runWhere(const Invocation &in, const engines::LoadResult &)
{
    if (!in.positional().isEmpty())
        return fail(2, QStringLiteral("--where takes no argument"));
    const QList<std::pair<QString, QString>> places{
        {QStringLiteral("program folder"), programFolder::path()},
        {QStringLiteral("settings.ini"), programFolder::settingsIni()},
        {QStringLiteral("saved searches"), programFolder::savedFolder()},
        {QStringLiteral("URL lists"), programFolder::listsFolder()},
        {QStringLiteral("help and skins"),
         QFileInfo(programFolder::dataFile(QStringLiteral("Help.rtf"))).path()},
        {QStringLiteral("defaults"), programFolder::defaultsFolder()},
        {QStringLiteral("engines"),
         engines::programFile().isEmpty() ? QStringLiteral("(built in)") : engines::programFile()},
        {QStringLiteral("settings store"), UserSettings::storeFile()},
    };
    if (in.isSet("json")) {
        QJsonObject object;
        for (const auto &[what, where] : places)
            object.insert(what, where);
        standardOutput::print(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)));
        return 0;
    }
    QString printed;
    for (const auto &[what, where] : places)
        printed += (what + u':').leftJustified(17) + where + u'\n';
    standardOutput::print(printed);
    return 0;
}

} // namespace

Command whereCommand()
{
    return {"where", {QStringLiteral("json")}, QStringLiteral("--where [--json]"), runWhere};
}

} // namespace cli
