#pragma once

#include <QtGlobal>

namespace scan {

class KeptPages;
class ResultsModel;
class WebLogModel;

struct RereadResult
{
    int pages = 0;    // cells recomputed from a kept page
    int rows = 0;     // rows whose totals and profiles were recomputed
    qint64 total = 0; // the links found in those rows
};

// Recomputes every cell of the table that has a kept page (found by the row's URL and the engine's key) with
// the table's engine definitions as they are now, without asking any engine: the cell, its status, the log
// row's result, the row's total and profile. Rows without kept pages stay as they are.
RereadResult rereadKeptPages(ResultsModel &results, WebLogModel *log, const KeptPages &kept, qint64 low,
                             qint64 medium);

} // namespace scan
