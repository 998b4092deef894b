#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace scan {
class ResultsModel;
class ScanRun;
} // namespace scan
namespace saved {
struct History;
}

// The results table and saved histories as files (CSV, JSON) and as terminal text. The command line and the
// window write the same files. In files, counts are plain digits (a page's thousands separators are the
// table's, not the file's) and dates are ISO 8601.
namespace resultsExport {

// The CSV header: exactly the table's captions and "Profile".
QString csvHeader(const scan::ResultsModel &model);
// RFC 4180: one record per row, CR LF line ends, fields quoted where they hold a comma, a quote or a line
// end.
// With statuses, one column "<engine> Status" per engine follows (ok, zero, layout, blocked, ...).
QString toCsv(const scan::ResultsModel &model, bool withStatuses = false);
// Aligned columns, counts right-aligned, for reading in a terminal.
QString toText(const scan::ResultsModel &model);

// The same texts handed to sink a few hundred lines at a time, so that a table of any size never stands in
// memory twice. Stops (false) at the first chunk the sink refuses.
using Sink = std::function<bool(const QString &chunk)>;
bool writeCsv(const scan::ResultsModel &model, bool withStatuses, const Sink &sink);
bool writeText(const scan::ResultsModel &model, const Sink &sink);
// "low", "medium" or "high".
QString profileText(int profile);
// "unknown" for a row the scan reported on without any count, else profileText.
QString rowProfileText(const scan::ResultsModel &model, int row);

// The whole result as one JSON document: "rows" (url, total, profile, cells: engine, text as in the table,
// count as a number or null, status, http, bytes, ms, detail) in the table's order, and "engines" (engine,
// asked, ok, zero, failed, suspended).
// With alerts (an update's), the document also holds "alerts".
QString toJson(const scan::ResultsModel &model, const QList<QJsonObject> &engines,
               const std::optional<QList<QJsonObject>> &alerts = std::nullopt);
// The per-engine summary of a run, for toJson.
QList<QJsonObject> engineSummaries(const scan::ScanRun &run);

// A count as plain digits: "162,914" and "1 234" give "162914" and "1234"; text that is no count stays as
// it is.
QString plainCount(const QString &text);

// A saved search's history: a header "Date" and the engine sections, then one row per date, newest first,
// dates as YYYY-MM-DD, counts as plain digits, an empty field where a section lacks the date.
QString historyCsv(const saved::History &history);
// The same as JSON: {"dates": [{"date": "YYYY-MM-DD", "<engine>": count or null, ...}, ...], "engines":
// [...]}.
QString historyJson(const saved::History &history);

// A field of RFC 4180 CSV: quoted when it holds a comma, a quote or a line end, its quotes doubled.
QString csvField(const QString &field);

// Text for a terminal: control characters (C0, DEL, C1) shown as \xHH, everything else as it is.
QString printable(const QString &text);

} // namespace resultsExport
