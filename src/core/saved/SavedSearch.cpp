#include "core/saved/SavedSearch.h"
#include "core/saved/SearchFile.h"

#include "core/scan/SortKeys.h"

#include "core/ini/IniLines.h"
#include "core/ini/TextFile.h"
#include "core/ini/modINI.h"
#include "core/ini/privateProfile.h"
#include "core/scan/ResultsModel.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>

namespace saved {

namespace {

bool readsBack(const QString &value)
{
    return !value.endsWith(u' ') &&
           std::all_of(value.cbegin(), value.cend(), [](QChar c) { return c.unicode() <= 0xff; });
}

// Every rewrite trims the spaces around each line, and a line that then begins with "[" becomes a header
// (an indented "[Google]" is no header until then). A file holding such lines is put in its rewritten form
// before a save writes into it, so the save's writes and every later read see the same sections.
bool settleSpacedLines(const QString &file)
{
    modINI::IniLines lines;
    modINI::LoadINIFile(lines, file);
    for (int i = 1; i <= lines.count(); ++i) {
        if (lines.at(i) != modINI::trimSpaces(lines.at(i)))
            return modINI::SaveINIFile(lines, file);
    }
    return true;
}

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

// The row's engine cells; those for which dash says so are "-".
template <typename Dash> SaveRow saveRowWith(const scan::ResultsModel &results, int row, Dash &&dash)
{
    SaveRow saved;
    if (row < 0 || row >= results.rowCount())
        return saved;
    for (int column = 2; column < results.cellColumns(); ++column) {
        // A cell holding control characters (page text, never a count) is saved like a cell without a count.
        const QString cell = results.cell(row, column);
        const QString value = dash(column - 1)            ? QStringLiteral("-")
                              : hasControlCharacter(cell) ? QString()
                                                          : cell.section(u':', 0, 0);
        saved.cells.append({results.columnCaption(column), value});
    }
    return saved;
}

} // namespace

SaveRow saveRowOf(const scan::ResultsModel &results, int row)
{
    return saveRowWith(results, row, [](int) { return false; });
}

SaveRow countedSaveRowOf(const scan::ResultsModel &results, int row, int *missing)
{
    int gaps = 0;
    SaveRow saved = saveRowWith(results, row, [&](int engine) {
        const bool gap = !results.report(row, engine).hasCount();
        gaps += gap ? 1 : 0;
        return gap;
    });
    if (missing)
        *missing = gaps;
    return saved;
}

QString SaveResultText(const scan::ResultsModel &results, int row)
{
    QString text;
    for (const auto &[section, value] : saveRowOf(results, row).cells)
        text += section + u':' + value + u'\n';
    return text;
}

bool isSavableDate(const QDate &date)
{
    return date.isValid() && date.year() >= 2000 && date.year() <= 2099;
}

QDate savableDate(const QString &isoText)
{
    const QDate date = QDate::fromString(isoText, Qt::ISODate);
    return isoText.size() == 10 && isSavableDate(date) ? date : QDate();
}

QString dateKey(const QDate &date)
{
    if (!date.isValid() || date.year() < 0)
        return date.toString(QStringLiteral("MM-dd-yy"));
    // Written out by hand: an import makes a key per count.
    const int parts[3] = {date.month(), date.day(), date.year() % 100};
    QString key(8, u'-');
    for (int i = 0; i < 3; ++i) {
        key[i * 3] = QChar(u'0' + parts[i] / 10);
        key[i * 3 + 1] = QChar(u'0' + parts[i] % 10);
    }
    return key;
}

QDate dateOfKey(const QString &key)
{
    const QStringList parts = key.trimmed().split(u'-');
    if (parts.size() != 3)
        return QDate();
    bool okM = false, okD = false, okY = false;
    const int month = parts.at(0).toInt(&okM);
    const int day = parts.at(1).toInt(&okD);
    const int year = parts.at(2).toInt(&okY);
    if (!okM || !okD || !okY || parts.at(2).size() != 2)
        return QDate();
    return QDate(2000 + year, month, day);
}

bool isValidSearchName(const QString &name, QString *why)
{
    auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (name.trimmed().isEmpty())
        return refuse(QStringLiteral("Please type a name for this search."));
    if (name.contains(u'/') || name.contains(u'\\'))
        return refuse(QStringLiteral("A search name cannot contain \"/\" or \"\\\"."));
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return refuse(QStringLiteral("\"%1\" cannot be used as a search name.").arg(name));
    for (const QChar c : name) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return refuse(QStringLiteral("A search name cannot contain control characters."));
    }
    // The file name, and the temporary name ("NAME.vty.XXXXXX") a rewrite goes through, must fit the file
    // system's 255 bytes.
    if ((name + QStringLiteral(".vty.XXXXXX")).toUtf8().size() > 255)
        return refuse(QStringLiteral("This search name is too long."));
    return true;
}

QString searchFile(const QString &savedFolder, const QString &name)
{
    const QDir folder(savedFolder);
    const QString exact = folder.filePath(name + QStringLiteral(".vty"));
    if (QFileInfo::exists(exact))
        return exact;
    // Files copied from Windows may carry the extension in another case ("NAME.VTY").
    const QString wanted = name + QStringLiteral(".vty");
    const QStringList candidates =
        folder.entryList({name + QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    for (const QString &candidate : candidates) {
        if (candidate.size() == wanted.size() && candidate.startsWith(name) &&
            candidate.endsWith(QLatin1String(".vty"), Qt::CaseInsensitive))
            return folder.filePath(candidate);
    }
    return exact;
}

QStringList listSearches(const QString &savedFolder)
{
    // The extension is matched without regard to case, as the folder listing of the original system did.
    QStringList names;
    const QFileInfoList files = QDir(savedFolder).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &file : files) {
        if (file.fileName().endsWith(QLatin1String(".vty"), Qt::CaseInsensitive))
            names.append(file.fileName().chopped(4));
    }
    names.sort(Qt::CaseInsensitive);
    return names;
}

namespace {

// A key just written at the top of its section whose date is older than keys below it moves down to its
// place, so that every section keeps its dates newest first (a save dated in the past, from the command
// line).
void placeDateKey(const QString &section, const QString &key, const QString &file)
{
    SearchFile search;
    if (search.load(file) && search.moveIntoPlace(section, dateOfKey(key)) &&
        search.slotCount() <= modINI::MaxSlots)
        textFile::writeBytes(file, search.rewrittenBytes());
}

} // namespace

QString lockError(const textFile::FileLock &lock, const QString &name)
{
    if (lock.busy())
        return QStringLiteral(
                   "The saved search \"%1\" is being written by another program; after waiting %2 s "
                   "it was left unchanged. Please try again.")
            .arg(name)
            .arg(textFile::FileLock::waitMs() / 1000.0);
    return QStringLiteral(
               "The saved search \"%1\" could not be locked for writing (%2); it was left unchanged.")
        .arg(name, QDir::toNativeSeparators(lock.path() + QStringLiteral(".lock")));
}

bool staysInItsFolder(const QString &file)
{
    const QFileInfo info(file);
    if (!info.isSymLink())
        return true;
    // A link may point within the folder only: Saved/ never leads anywhere else.
    const QFileInfo target(info.canonicalFilePath());
    return !info.canonicalFilePath().isEmpty() &&
           target.absolutePath() == QFileInfo(info.absolutePath()).canonicalFilePath();
}

SaveResult saveResults(const SaveRow &row, const QString &file, SaveMode mode, const QDate &date)
{
    SaveResult result;
    const QFileInfo info(file);
    if (!staysInItsFolder(file)) {
        result.error =
            QStringLiteral("The saved search \"%1\" is a link to a file outside its folder; it is not "
                           "written.")
                .arg(info.completeBaseName());
        return result;
    }
    if (mode == SaveMode::CreateNew && !QDir().mkpath(info.absolutePath())) {
        result.error = QStringLiteral("The folder %1 could not be created.")
                           .arg(QDir::toNativeSeparators(info.absolutePath()));
        return result;
    }
    // Another save into the same file (a daily job, a second window) waits until this one has landed, and
    // this one until that one has: each reads the file as the other left it, so neither save is lost.
    const textFile::FileLock lock(file);
    if (!lock.isLocked()) {
        result.error = lockError(lock, info.completeBaseName());
        return result;
    }
    if (mode == SaveMode::Append && !textFile::exists(file)) {
        result.error =
            QStringLiteral("The saved search \"%1\" no longer exists.").arg(info.completeBaseName());
        return result;
    }
    const QString key = dateKey(date);
    const auto &lines = row.cells;
    int skipped = 0;
    // All the writes of one save land together: the file afterwards is the old file or the new one, whole.
    textFile::Transaction transaction;
    SearchFile search; // the file as the save goes along: which lines are new, which must move
    const bool settled = settleSpacedLines(file);
    if (mode == SaveMode::Append)
        search.load(file);
    for (const auto &[section, cell] : lines) {
        if (!settled)
            break;
        QString value = cell;
        if (value == QLatin1String("-")) {
            ++skipped;
            continue;
        }
        // Text from a page that holds control characters is no count; it is saved like a cell without one,
        // and a line end can never reach the file.
        if (hasControlCharacter(value))
            value.clear();
        // A key write lands as given, or its value would not read back: a character a single-byte file
        // cannot hold, or spaces at its end, which a rewrite trims.
        if (!readsBack(value))
            break;
        if (mode == SaveMode::CreateNew && !privateProfile::WriteSection(section, QString(), file))
            break;
        // A new line that is older than a date already in its section moves down to its place.
        const bool moves =
            mode == SaveMode::Append && !search.value(section, date) && search.placeOf(section, date) > 0;
        if (!modINI::WriteINI(section, key, value, file))
            break;
        search.setValue(section, date, value);
        if (moves)
            placeDateKey(section, key, file);
        ++result.sectionsWritten;
    }
    result.ok = result.sectionsWritten + skipped == lines.size() && result.sectionsWritten > 0;
    // Why a write did not land: the file is full, or the disk said no.
    QString cause;
    if (!result.ok && !(result.sectionsWritten == 0 && skipped == lines.size())) {
        modINI::IniLines loaded;
        modINI::LoadINIFile(loaded, file);
        if (loaded.cutAtLimit() || loaded.slotsWhenReloaded() + 3 > modINI::MaxSlots)
            cause =
                QStringLiteral("the saved search has reached %1 lines, the most a saved search holds; save "
                               "into a new one")
                    .arg(modINI::MaxSlots);
    }
    if (result.ok && !transaction.commit()) {
        result.ok = false;
        cause = transaction.error();
    }
    if (!result.ok)
        result.error = result.sectionsWritten == 0 && skipped == lines.size()
                           ? QStringLiteral("There is nothing to save: every engine of this row is \"-\".")
                           : QStringLiteral("The search could not be saved to %1; the file is unchanged%2.")
                                 .arg(QDir::toNativeSeparators(file),
                                      cause.isEmpty() ? QString() : QStringLiteral(": ") + cause);
    return result;
}

bool readHistory(const QString &file, History &history, QString *error)
{
    SearchFile search;
    if (!search.load(file, error))
        return false;
    history = search.history();
    return true;
}

std::optional<LastSave> lastSave(const QString &file)
{
    History history;
    if (!readHistory(file, history))
        return std::nullopt;
    std::optional<LastSave> newest;
    for (qsizetype i = 0; i < history.dates.size(); ++i) {
        const QDate date = dateOfKey(history.dates.at(i));
        if (!date.isValid() || (newest && newest->date >= date))
            continue;
        LastSave save{date, 0};
        for (const QString &value : history.values.at(i)) {
            double number = 0;
            if (scan::cellNumber(value, &number) && number > 0)
                save.total += qint64(number);
        }
        newest = save;
    }
    return newest;
}

std::optional<qint64> changeSinceLastSave(const QString &file, qint64 total)
{
    const std::optional<LastSave> save = lastSave(file);
    if (!save)
        return std::nullopt;
    return total - save->total;
}

} // namespace saved
