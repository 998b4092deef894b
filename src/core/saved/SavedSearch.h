#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace scan {
class ResultsModel;
}
namespace textFile {
class FileLock;
}

// Saved searches: one URL's link counts over time, one INI file per name in the Saved folder. Sections are
// the engine column captions, keys the dates of the saves ("mm-dd-yy"), values the cell texts.
namespace saved {

// What a save writes: per engine column, in table order, its section (the column's caption) and the value
// of the day. The value is the cell's text up to its first ":" (as the save text always cut it), empty for a
// cell holding control characters, "-" for an engine that is not written.
struct SaveRow
{
    QList<std::pair<QString, QString>> cells;
};

// The row to save from a results row; empty for a row that does not exist.
SaveRow saveRowOf(const scan::ResultsModel &results, int row);
// The same with "-" for every cell the scan reported without a count, so that its engine keeps a gap for
// the date; missing (when given) counts those cells.
SaveRow countedSaveRowOf(const scan::ResultsModel &results, int row, int *missing = nullptr);
// The save row as text: one line per engine column, "caption:value" ended by LF. Empty for a row that does
// not exist.
QString SaveResultText(const scan::ResultsModel &results, int row);

// The key of a save made on date: "mm-dd-yy".
QString dateKey(const QDate &date);
// The date of a key, or an invalid date. Years 00-99 are 2000-2099.
QDate dateOfKey(const QString &key);
// True for a date a saved search can hold: its keys have two-digit years, read as 2000 to 2099.
bool isSavableDate(const QDate &date);
// The date of "YYYY-MM-DD" text when a saved search can hold it; an invalid date otherwise.
QDate savableDate(const QString &isoText);

// A name a saved search can have: a plain file name (no folder part, not "." or "..", no control
// characters), not empty. On false, why holds a sentence for the user.
bool isValidSearchName(const QString &name, QString *why = nullptr);

// folder + "/" + name + ".vty"; when only a file with the extension in another case exists ("NAME.VTY"),
// that file.
QString searchFile(const QString &savedFolder, const QString &name);

// False for a saved-search file that is a symbolic link leading out of its folder (or nowhere): such a file
// is neither read nor written.
bool staysInItsFolder(const QString &file);

// The saved searches in the folder: the names of its *.vty files without the extension, sorted by name.
QStringList listSearches(const QString &savedFolder);

// Why a lock on the saved search name could not be had, as a sentence for the user.
QString lockError(const textFile::FileLock &lock, const QString &name);

enum class SaveMode
{
    CreateNew, // each saved engine's section is emptied first, then today's key written
    Append,    // today's key written into each engine's section (added at the end when missing)
};

struct SaveResult
{
    bool ok = false;
    int sectionsWritten = 0;
    QString error; // a sentence for the user when !ok
};

// Saves the save text into file: every line whose cell is not "-". Append needs an existing file; create
// makes the Saved folder and the file when missing. Reports failure when nothing could be written.
SaveResult saveResults(const SaveRow &row, const QString &file, SaveMode mode, const QDate &date);

// A saved search as a table: one row per date (newest first), one column per engine section in file order,
// the values as saved ("" where a section lacks the date).
struct History
{
    QStringList sections;
    QStringList dates;
    QList<QStringList> values; // [date][section]
};
// False when the file cannot be read, is a link leading out of its folder, or is larger than a saved search
// may be (error then says so).
bool readHistory(const QString &file, History &history, QString *error = nullptr);

// The newest save of a saved search: its date and the total of its counts over the engines (a value that is
// no count adds nothing). None for a file without any dated key.
struct LastSave
{
    QDate date;
    qint64 total = 0;
};
std::optional<LastSave> lastSave(const QString &file);

// The change of a scan's total since the newest save of the saved search in file; none without one.
std::optional<qint64> changeSinceLastSave(const QString &file, qint64 total);

} // namespace saved
