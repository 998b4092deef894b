#pragma once

#include <QString>

// Where a row of the web-result log leads.
namespace webResults {

// The address a log row opens: the target URL itself for "Home Page"; for an engine's log text (compared
// exactly) that engine's prefix, read from settings.ini now, followed by the encoded target URL, without
// AllTheWeb's suffix; the empty string for any other text.
QString logRowAddress(const QString &type, const QString &target, const QString &settingsIni);

} // namespace webResults
