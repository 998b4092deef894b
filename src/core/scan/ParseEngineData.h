#pragma once

#include <QString>

namespace scan {

// The text between the first occurrence of IBefore and the first occurrence of IPast after it. Searches are
// case-sensitive. When IBefore is missing, the text loses its first length(IBefore) - 1 characters instead of
// becoming empty; when IPast is missing, the whole rest is kept. Never fails.
QString GetBetween(const QString &IStringStr, const QString &IBefore, const QString &IPast);

// Cuts the result count out of a shipped engine's result page (engine numbers 1..6 as in the engine table),
// by that engine's definition.
// Returns the count text of 1 to 10 characters as it stands on the page (thousands separators kept; spaces
// in AllTheWeb's counts dropped), "0" for the engine's recognised page for a query without results, or the
// empty string when neither is found or the engine number is outside 1..6. Markers are plain substrings,
// matched case-sensitively.
QString ParseEngineData(QString strData, int intEngine);

// True for a count written with thousands separators: a first group of one to three digits, then groups of
// three, each after a comma (or, for engine 6, AllTheWeb, a blank; one kind throughout), ten digits at most
// ("123,456,789").
bool isGroupedNumber(const QString &count, int engine);

} // namespace scan
