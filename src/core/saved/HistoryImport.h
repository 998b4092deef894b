#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reading a saved search's history back from CSV in the export's format: a header "Date" and one column per
// engine section, then one row per date (YYYY-MM-DD, any order), counts as digits (grouped counts are read
// too), an empty field where an engine has no count that day.
namespace saved {

struct ImportResult
{
    bool ok = false;
    int dates = 0;      // rows read
    QStringList errors; // "line N: ..." for every bad row, or one sentence; nothing is written then
};

// Writes the history into file: a new saved search, or with merge into an existing one (a date already
// there gets the row's counts; an engine the row leaves empty keeps what it had). The file is what saves
// on those dates would have written: each section "[name]" after a blank line, its dates newest first as
// "mm-dd-yy=count"; sections in the order of the file and then of the columns; MSN's counts grouped by
// thousands with commas, as its page gives them. One atomic write; on any error the file is untouched.
// engineHeaders: the results table's engine columns, in the order a save writes them.
ImportResult importHistory(const QByteArray &csv, const QString &file, bool merge,
                           const QStringList &engineHeaders);

// RFC 4180 records: fields split at commas outside quotes, quotes doubled inside quoted fields, records
// ended by CR LF or LF; each record with the number of the line it starts on.
struct CsvRecord
{
    int line = 0;
    QStringList fields;
};
QList<CsvRecord> parseCsv(const QString &text, QString *error);

} // namespace saved
