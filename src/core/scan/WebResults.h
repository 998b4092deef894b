#pragma once

#include "core/engines/EngineSet.h"

#include <QString>
#include <QUrl>

// Where a row of the web-result log leads.
namespace webResults {

// The address a log row opens: the target URL itself for "Home Page"; for an engine's log text (compared
// exactly, among the engines of set) that engine's prefix, read from settings.ini now, followed by the
// encoded target URL, without the engine's suffix; the empty string for any other text.
QString logRowAddress(const QString &type, const QString &target, const QString &settingsIni,
                      const engines::EngineSet &set = engines::EngineSet::current());

// The page an address typed into a browser's address box stands for. An address with a scheme of its own
// (http, https, file, about, data, ftp) is taken as it is; anything else, "localhost:8080/x" and
// "www.example.net:8080" included, is read as a web address (http). Empty for an empty address.
QUrl browserAddress(const QString &typed);

} // namespace webResults
