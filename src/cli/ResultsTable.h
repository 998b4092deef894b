#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

namespace scan {
class ResultsModel;
}

// The results table as text for the command line.
namespace cliOutput {

// The CSV header: exactly the table's captions and "Profile".
QString csvHeader();
// RFC 4180: one record per row, CR LF line ends, fields quoted where they hold a comma, a quote or a line
// end.
QString toCsv(const scan::ResultsModel &model);
// Aligned columns, counts right-aligned, for reading in a terminal.
QString toText(const scan::ResultsModel &model);
// "low", "medium" or "high".
QString profileText(int profile);
// "unknown" for a row the scan reported on without any count, else profileText.
QString rowProfileText(const scan::ResultsModel &model, int row);

// The whole result as one JSON document: "rows" (url, total, profile, cells: engine, text, status, http,
// bytes, ms, detail) in the table's order, and "engines" (engine, asked, ok, zero, failed, suspended).
QString toJson(const scan::ResultsModel &model, const QList<QJsonObject> &engines);

// A field of RFC 4180 CSV: quoted when it holds a comma, a quote or a line end, its quotes doubled.
QString csvField(const QString &field);

// Text for a terminal: control characters (C0, DEL, C1) shown as \xHH, everything else as it is.
QString printable(const QString &text);

} // namespace cliOutput
