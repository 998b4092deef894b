#pragma once

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

} // namespace cliOutput
