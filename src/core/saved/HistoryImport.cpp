#include "core/saved/HistoryImport.h"

#include "core/engines/EngineSet.h"
#include "core/ini/IniSnapshot.h"
#include "core/ini/TextFile.h"
#include "core/saved/SavedSearch.h"
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

// A section's keys and values as in the file, in file order.
struct Section
{
    QString name;
    QList<QPair<QString, QString>> entries;
};

QList<Section> readSections(const QString &file)
{
    QList<Section> sections;
    modINI::IniSnapshot snapshot;
    if (!snapshot.load(file))
        return sections;
    for (const QString &name : snapshot.sections()) {
        Section section{name, {}};
        for (const QString &line : snapshot.section(name).split(QStringLiteral("\r\n"))) {
            if (line.isEmpty())
                continue;
            const qsizetype eq = line.indexOf(u'=');
            section.entries.append({eq < 0 ? line : line.left(eq), eq < 0 ? QString() : line.mid(eq + 1)});
        }
        sections.append(section);
    }
    return sections;
}

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

// The file that saves on the rows' dates, oldest first, would leave: the first a new save search (unless the
// file exists), each later one an append. Every save rewrites the file from its loaded form, so only the last
// save's last key write leaves a trace beyond that form: an empty line at the end when it inserted a key into
// the file's last section, two empty lines before a section it appended.
QString importedFile(QList<Section> sections, const QByteArray &original, const QStringList &columns,
                     const std::map<QDate, QStringList> &rows, const QStringList &engineHeaders)
{
    const QList<int> order = saveOrder(columns, engineHeaders);
    QList<int> rank(columns.size()); // column -> its place in a save
    for (int i = 0; i < order.size(); ++i)
        rank[order.at(i)] = i;
    QHash<QString, int> sectionOf; // case-folded name -> index in sections
    for (int i = 0; i < sections.size(); ++i)
        sectionOf.insert(sections.at(i).name.toCaseFolded(), i);
    const int existing = int(sections.size());
    QDate newestExisting;
    for (const Section &section : std::as_const(sections)) {
        for (const auto &entry : section.entries)
            newestExisting = std::max(newestExisting, dateOfKey(entry.first));
    }
    // Columns the file lacks, in the order saves would append them: by their first count, then as a save
    // writes its lines.
    QList<std::pair<QDate, int>> added;
    QList<int> sectionOfColumn(columns.size());
    for (int c = 0; c < columns.size(); ++c) {
        const auto it = sectionOf.constFind(columns.at(c).toCaseFolded());
        if (it != sectionOf.constEnd()) {
            sectionOfColumn[c] = it.value();
            continue;
        }
        QDate first;
        for (const auto &[date, counts] : rows) {
            if (!counts.at(c).isEmpty()) {
                first = date;
                break;
            }
        }
        sectionOfColumn[c] = -1;
        if (first.isValid())
            added.append({first, c});
    }
    std::stable_sort(added.begin(), added.end(), [&](const auto &a, const auto &b) {
        return a.first != b.first ? a.first < b.first : rank.at(a.second) < rank.at(b.second);
    });
    for (const auto &[first, c] : std::as_const(added)) {
        sectionOfColumn[c] = int(sections.size());
        sections.append(Section{columns.at(c), {}});
    }
    // The last save: the newest row with a count, when it is newer than all the file holds already.
    const QDate *lastDate = nullptr;
    const QStringList *lastCounts = nullptr;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        if (hasCount(it->second)) {
            lastDate = &it->first;
            lastCounts = &it->second;
            break;
        }
    }
    int lastSection = -1;    // the section of the last save's last line
    bool lastWasNew = false; // ... which that save appended to the file
    if (lastDate && (!newestExisting.isValid() || *lastDate > newestExisting)) {
        for (auto c = order.crbegin(); c != order.crend(); ++c) {
            if (lastCounts->at(*c).isEmpty() || sectionOfColumn.at(*c) < 0)
                continue;
            lastSection = sectionOfColumn.at(*c);
            // A new file's first save makes every section before writing its key; later saves append the
            // sections without a count before.
            bool firstSave = existing == 0;
            for (auto row = rows.cbegin(); firstSave && row->first < *lastDate; ++row)
                firstSave = !hasCount(row->second);
            bool before = lastSection < existing && !sections.at(lastSection).entries.isEmpty();
            for (auto row = rows.cbegin(); !before && row->first < *lastDate; ++row)
                before = !row->second.at(*c).isEmpty();
            lastWasNew = !firstSave && !before;
            break;
        }
    } else if (existing > 0) {
        // The file's own last save is still the last: its marks stay where they were.
        const QByteArray lastHeader = "\r\n\r\n\r\n[" + sections.at(existing - 1).name.toLatin1() + "]\r\n";
        if (original.endsWith("\r\n\r\n")) {
            lastSection = existing - 1;
        } else if (original.lastIndexOf(lastHeader) >= 0 &&
                   original.indexOf("\r\n[", original.lastIndexOf(lastHeader) + lastHeader.size()) < 0) {
            lastSection = existing - 1;
            lastWasNew = true;
        }
    }
    // Each section's dates newest first; keys that are no date keep their place after them.
    QList<std::map<QDate, QString, std::greater<QDate>>> dated(sections.size());
    QList<QList<QPair<QString, QString>>> other(sections.size());
    for (int i = 0; i < sections.size(); ++i) {
        for (const auto &[key, value] : std::as_const(sections.at(i).entries)) {
            const QDate date = dateOfKey(key);
            if (date.isValid() && dateKey(date) == key)
                dated[i][date] = value;
            else
                other[i].append({key, value});
        }
    }
    for (const auto &[date, counts] : rows) {
        for (int c = 0; c < columns.size(); ++c) {
            const int i = sectionOfColumn.at(c);
            if (i >= 0 && !counts.at(c).isEmpty())
                dated[i][date] =
                    sections.at(i).name == QLatin1String("MSN") ? grouped(counts.at(c)) : counts.at(c);
        }
    }
    int lastWritten = -1;
    for (int i = 0; i < sections.size(); ++i)
        lastWritten = dated.at(i).empty() && other.at(i).isEmpty() ? lastWritten : i;
    if (lastSection != lastWritten)
        lastSection = -1; // a section after it: the marks were rewritten away
    QString out;
    for (int i = 0; i < sections.size(); ++i) {
        if (dated.at(i).empty() && other.at(i).isEmpty())
            continue; // a save never writes an empty section
        out += (i == lastSection && lastWasNew ? QStringLiteral("\r\n\r\n[") : QStringLiteral("\r\n["));
        out += sections.at(i).name + QStringLiteral("]\r\n");
        for (const auto &[date, value] : dated.at(i))
            out += dateKey(date) + u'=' + value + QStringLiteral("\r\n");
        for (const auto &[key, value] : std::as_const(other.at(i)))
            out += key + u'=' + value + QStringLiteral("\r\n");
    }
    if (lastSection >= 0 && !lastWasNew)
        out += QStringLiteral("\r\n");
    return out;
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
    QByteArray original;
    if (exists && !textFile::readBytes(file, original)) {
        result.errors.append(
            QStringLiteral("The saved search %1 cannot be read.").arg(QDir::toNativeSeparators(file)));
        return result;
    }
    const QString out =
        importedFile(exists ? readSections(file) : QList<Section>(), original, columns, rows, engineHeaders);
    if (QString why; !textFile::writeBytes(file, out.toLatin1(), &why)) {
        result.errors.append(
            QStringLiteral("The saved search could not be written to %1; it is unchanged: %2.")
                .arg(QDir::toNativeSeparators(file), why));
        return result;
    }
    result.ok = true;
    result.dates = int(rows.size());
    return result;
}

} // namespace saved
