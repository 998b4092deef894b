#include "core/saved/HistoryImport.h"

#include "core/engines/EngineSet.h"
#include "core/ini/IniLines.h"
#include "core/ini/TextFile.h"
#include "core/saved/SavedSearch.h"
#include "core/saved/SearchFile.h"
#include "core/scan/ResultsExport.h"
#include "core/scan/ResultsModel.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <map>
#include <numeric>

namespace saved {

namespace {

QString grouped(const QString &digits)
{
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += u',';
        out += digits.at(i);
    }
    return out;
}

bool isLatin1Text(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xff || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

} // namespace

QList<CsvRecord> parseCsv(const QString &text, QString *error)
{
    QList<CsvRecord> records;
    CsvRecord record;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    int line = 1;
    record.line = 1;
    const auto endField = [&] {
        record.fields.append(field);
        field.clear();
        fieldStarted = false;
    };
    const auto endRecord = [&] {
        endField();
        records.append(record);
        record = CsvRecord();
        record.line = line;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"' && !fieldStarted && field.isEmpty()) {
            quoted = true;
            fieldStarted = true;
        } else if (c == u',') {
            endField();
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            continue; // the LF ends the record
        } else if (c == u'\n') {
            ++line;
            endRecord();
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted && error)
        *error = QStringLiteral("line %1: a quoted field is not closed").arg(record.line);
    if (!field.isEmpty() || !record.fields.isEmpty())
        endRecord();
    return records;
}

namespace {

// Bad lines past this many are counted, not listed: a file of a million bad lines is no list to read.
constexpr int ListedBadLines = 20;

// The messages of an import: one per bad line, the first ListedBadLines of them, then how many more.
class BadLines
{
public:
    void add(int line, const QString &message)
    {
        if (line == m_lastLine) {
            if (m_listed)
                m_errors.last() += QStringLiteral("; ") + message;
            return;
        }
        m_lastLine = line;
        m_listed = m_errors.size() < ListedBadLines;
        if (m_listed)
            m_errors.append(QStringLiteral("line %1: %2").arg(line).arg(message));
        else
            ++m_more;
    }
    bool any() const { return !m_errors.isEmpty(); }
    QStringList errors() const
    {
        QStringList all = m_errors;
        if (m_more > 0)
            all.append(m_more == 1 ? QStringLiteral("and 1 more bad line")
                                   : QStringLiteral("and %1 more bad lines").arg(m_more));
        return all;
    }

private:
    QStringList m_errors;
    qint64 m_more = 0;
    int m_lastLine = 0;
    bool m_listed = false;
};

} // namespace

// True when a row gives a count for at least one column (a save on its date writes something).
bool hasCount(const QStringList &counts)
{
    return std::any_of(counts.cbegin(), counts.cend(), [](const QString &v) { return !v.isEmpty(); });
}

// The order in which a save writes its lines: the results table's engine columns, then any other column in
// the CSV's order.
QList<int> saveOrder(const QStringList &columns, const QStringList &headers)
{
    QHash<QString, int> engineRank;
    for (int column = 0; column < headers.size(); ++column)
        engineRank.insert(headers.at(column).toCaseFolded(), column);
    QList<int> order(columns.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return engineRank.value(columns.at(a).toCaseFolded(), 1000) <
               engineRank.value(columns.at(b).toCaseFolded(), 1000);
    });
    return order;
}

ImportResult importHistory(const QByteArray &csv, const QString &file, bool merge,
                           const QStringList &engineHeaders)
{
    ImportResult result;
    QString text = QString::fromUtf8(csv);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    QString parseError;
    const QList<CsvRecord> records = parseCsv(text, &parseError);
    if (!parseError.isEmpty()) {
        result.errors.append(parseError);
        return result;
    }
    if (records.isEmpty() ||
        records.first().fields.value(0).trimmed().compare(QLatin1String("Date"), Qt::CaseInsensitive) != 0) {
        result.errors.append(
            QStringLiteral("line 1: the header must start with \"Date\", then one column per "
                           "engine"));
        return result;
    }
    BadLines bad;
    const QStringList columns = records.first().fields.mid(1);
    // Section names are matched without regard to case, as a save's key writes match them.
    QSet<QString> seen;
    seen.reserve(columns.size());
    for (const QString &column : columns) {
        const QString folded = column.toCaseFolded();
        if (column.isEmpty() || !isLatin1Text(column) || column.contains(u'[') || column.contains(u']') ||
            column.contains(u':') || column.contains(u'=') || seen.contains(folded))
            bad.add(1, QStringLiteral("\"%1\" cannot name an engine section").arg(column));
        seen.insert(folded);
    }
    if (columns.isEmpty())
        bad.add(1, QStringLiteral("there is no engine column"));
    // The rows by date, oldest first; each row's counts as digits per column ("" for none).
    std::map<QDate, QStringList> rows;
    for (qsizetype r = 1; r < records.size(); ++r) {
        const CsvRecord &record = records.at(r);
        if (record.fields.size() == 1 && record.fields.first().isEmpty())
            continue; // a blank line
        if (record.fields.size() != columns.size() + 1) {
            bad.add(record.line, QStringLiteral("%1 fields, the header has %2")
                                     .arg(record.fields.size())
                                     .arg(columns.size() + 1));
            continue;
        }
        const QString dateText = record.fields.first().trimmed();
        const QDate date = savableDate(dateText);
        if (dateText.isEmpty()) {
            bad.add(record.line, QStringLiteral("no date"));
            continue;
        }
        if (!date.isValid()) {
            bad.add(record.line,
                    QStringLiteral("\"%1\" is no date from 2000-01-01 to 2099-12-31 as YYYY-MM-DD")
                        .arg(dateText));
            continue;
        }
        if (rows.count(date)) {
            bad.add(record.line, QStringLiteral("%1 comes twice").arg(dateText));
            continue;
        }
        QStringList counts;
        counts.reserve(columns.size());
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const QString value = record.fields.at(c + 1).trimmed();
            const QString digits = value.isEmpty() ? QString() : resultsExport::plainCount(value);
            bool number = digits.size() <= 18 && !digits.isEmpty();
            for (const QChar ch : digits)
                number = number && ch.isDigit();
            if (!value.isEmpty() && !number)
                bad.add(record.line, QStringLiteral("\"%1\" is not a count (%2)").arg(value, columns.at(c)));
            counts.append(number ? digits : QString());
        }
        rows.emplace(date, std::move(counts));
    }
    if (bad.any()) {
        result.errors = bad.errors();
        return result;
    }
    if (!staysInItsFolder(file)) {
        result.errors.append(
            QStringLiteral("The saved search \"%1\" is a link to a file outside its folder; it is "
                           "not written.")
                .arg(QFileInfo(file).completeBaseName()));
        return result;
    }
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        result.errors.append(QStringLiteral("The folder %1 could not be created.")
                                 .arg(QDir::toNativeSeparators(QFileInfo(file).absolutePath())));
        return result;
    }
    // The file is read and rewritten with no other writer between.
    const textFile::FileLock lock(file);
    if (!lock.isLocked()) {
        result.errors.append(lockError(lock, QFileInfo(file).completeBaseName()));
        return result;
    }
    const bool exists = textFile::exists(file);
    if (exists && !merge) {
        result.errors.append(
            QStringLiteral("The saved search \"%1\" exists already; --merge adds the history to it.")
                .arg(QFileInfo(file).completeBaseName()));
        return result;
    }
    // The import is the saves on the rows' dates, oldest first, landing in one write. Each save rewrites the
    // file whole, so every save but the last leaves the file in its rewritten form: those go into the model.
    // The last save is made as any save is made, so its key writes leave what they leave.
    textFile::Transaction transaction;
    SearchFile search;
    if (QString why; exists && !search.load(file, &why)) {
        result.errors.append(
            why.isEmpty()
                ? QStringLiteral("The saved search %1 cannot be read.").arg(QDir::toNativeSeparators(file))
                : why);
        return result;
    }
    const QList<int> order = saveOrder(columns, engineHeaders);
    const auto valueIn = [&search](const QString &column, const QString &digits) {
        // MSN's page groups its counts by thousands, and a save keeps the cell's text.
        const int section = search.indexOf(column);
        return (section < 0 ? column : search.name(section)) == QLatin1String("MSN") ? grouped(digits)
                                                                                     : digits;
    };
    // A row whose every count the file holds already is no save: it changes nothing.
    const auto changes = [&](const std::pair<const QDate, QStringList> &row) {
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const QString &digits = row.second.at(c);
            if (!digits.isEmpty() && search.value(columns.at(c), row.first) != valueIn(columns.at(c), digits))
                return true;
        }
        return false;
    };
    auto last = rows.crbegin();
    while (last != rows.crend() && !changes(*last))
        ++last;
    bool rewritten = false;
    for (auto it = rows.cbegin(); last != rows.crend() && it->first < last->first; ++it) {
        for (const int c : order) {
            if (!it->second.at(c).isEmpty())
                rewritten |=
                    search.setValue(columns.at(c), it->first, valueIn(columns.at(c), it->second.at(c)));
        }
    }
    const auto refuse = [&](const QString &why) {
        result.errors.append(
            QStringLiteral("The saved search could not be written to %1; it is unchanged: %2.")
                .arg(QDir::toNativeSeparators(file), why));
        return result;
    };
    if (search.slotCount() > modINI::MaxSlots)
        return refuse(QStringLiteral("it would hold more than %1 lines, the most a saved search holds")
                          .arg(modINI::MaxSlots));
    QString why;
    if ((rewritten || (!exists && last == rows.crend())) &&
        !textFile::writeBytes(file, search.rewrittenBytes(), &why))
        return refuse(why);
    if (last != rows.crend()) {
        SaveRow save;
        for (const int c : order) {
            const QString &digits = last->second.at(c);
            save.cells.append(
                {columns.at(c), digits.isEmpty() ? QStringLiteral("-") : valueIn(columns.at(c), digits)});
        }
        const SaveResult saved =
            saveResults(save, file, search.isEmpty() ? SaveMode::CreateNew : SaveMode::Append, last->first);
        if (!saved.ok) {
            result.errors.append(saved.error);
            return result;
        }
    }
    if (!transaction.commit())
        return refuse(transaction.error());
    result.ok = true;
    result.dates = int(rows.size());
    return result;
}

} // namespace saved
