#pragma once

#include "core/engines/EngineSet.h"

#include <QString>

// The command line's engine commands: --engines and --test-engine.
namespace cli {

// One line per engine in use: key, header, kind ("markers", "expression", "json").
int listEngines(const engines::EngineSet &set);

// What the definition of the engine with key cuts out of one page: fetched for target through that engine,
// or read from pageFile. Prints status, count, the text between the markers and the check text. 0 when the
// page gives a count or a recognised zero, 3 when not, 1 when the page file cannot be read, 2 for an unknown
// key.
int testEngine(const engines::LoadResult &loaded, const QString &key, const QString &target,
               const QString &pageFile, const QString &settingsIni);

} // namespace cli
