#include "saved/HistoryImport.h"

#include "ini/IniSnapshot.h"
#include "ini/TextFile.h"
#include "saved/SavedSearch.h"
#include "scan/ResultsExport.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <map>

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

ImportResult importHistory(const QByteArray &csv, const QString &file, bool merge)
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
    const QStringList columns = records.first().fields.mid(1);
    QSet<QString> seen;
    for (const QString &column : columns) {
        if (column.isEmpty() || !isLatin1Text(column) || column.contains(u'[') || column.contains(u']') ||
            column.contains(u':') || column.contains(u'=') || seen.contains(column))
            result.errors.append(QStringLiteral("line 1: \"%1\" cannot name an engine section").arg(column));
        seen.insert(column);
    }
    if (columns.isEmpty())
        result.errors.append(QStringLiteral("line 1: there is no engine column"));
    // date -> (section -> count as digits)
    std::map<QDate, QHash<QString, QString>> rows;
    for (qsizetype r = 1; r < records.size(); ++r) {
        const CsvRecord &record = records.at(r);
        if (record.fields.size() == 1 && record.fields.first().isEmpty())
            continue; // a blank line
        const QString where = QStringLiteral("line %1: ").arg(record.line);
        if (record.fields.size() != columns.size() + 1) {
            result.errors.append(where + QStringLiteral("%1 fields, the header has %2")
                                             .arg(record.fields.size())
                                             .arg(columns.size() + 1));
            continue;
        }
        const QString dateText = record.fields.first().trimmed();
        const QDate date = QDate::fromString(dateText, Qt::ISODate);
        if (dateText.isEmpty()) {
            result.errors.append(where + QStringLiteral("no date"));
            continue;
        }
        if (!date.isValid() || dateText.size() != 10 || date.year() < 2000 || date.year() > 2099) {
            result.errors.append(where + QStringLiteral("\"%1\" is no date from 2000-01-01 to 2099-12-31 as "
                                                        "YYYY-MM-DD")
                                             .arg(dateText));
            continue;
        }
        if (rows.count(date)) {
            result.errors.append(where + QStringLiteral("%1 comes twice").arg(dateText));
            continue;
        }
        QHash<QString, QString> counts;
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const QString value = record.fields.at(c + 1).trimmed();
            if (value.isEmpty())
                continue;
            const QString digits = resultsExport::plainCount(value);
            bool number = digits.size() <= 18 && !digits.isEmpty();
            for (const QChar ch : digits)
                number = number && ch.isDigit();
            if (!number) {
                result.errors.append(where +
                                     QStringLiteral("\"%1\" is not a count (%2)").arg(value, columns.at(c)));
                continue;
            }
            counts.insert(columns.at(c), digits);
        }
        rows[date] = counts;
    }
    if (!result.errors.isEmpty())
        return result;
    const bool exists = textFile::exists(file);
    if (exists && !merge) {
        result.errors.append(
            QStringLiteral("The saved search \"%1\" exists already; --merge adds the history to it.")
                .arg(QFileInfo(file).completeBaseName()));
        return result;
    }
    if (!staysInItsFolder(file)) {
        result.errors.append(
            QStringLiteral("The saved search \"%1\" is a link to a file outside its folder; it is "
                           "not written.")
                .arg(QFileInfo(file).completeBaseName()));
        return result;
    }
    // The file's sections, then the columns it does not have yet.
    QList<Section> sections = exists ? readSections(file) : QList<Section>();
    for (const QString &column : columns) {
        if (std::none_of(sections.cbegin(), sections.cend(),
                         [&](const Section &s) { return s.name == column; }))
            sections.append(Section{column, {}});
    }
    QString out;
    for (Section &section : sections) {
        // Dates newest first; keys that are no date keep their place after them.
        std::map<QDate, QString, std::greater<QDate>> dated;
        QList<QPair<QString, QString>> other;
        for (const auto &[key, value] : std::as_const(section.entries)) {
            const QDate date = dateOfKey(key);
            if (date.isValid() && dateKey(date) == key)
                dated[date] = value;
            else
                other.append({key, value});
        }
        for (const auto &[date, counts] : rows) {
            const auto it = counts.constFind(section.name);
            if (it != counts.constEnd())
                dated[date] = section.name == QLatin1String("MSN") ? grouped(*it) : *it;
        }
        if (dated.empty() && other.isEmpty())
            continue; // a save never writes an empty section
        out += QStringLiteral("\r\n[") + section.name + QStringLiteral("]\r\n");
        for (const auto &[date, value] : dated)
            out += dateKey(date) + u'=' + value + QStringLiteral("\r\n");
        for (const auto &[key, value] : std::as_const(other))
            out += key + u'=' + value + QStringLiteral("\r\n");
    }
    if (!QDir().mkpath(QFileInfo(file).absolutePath()) || !textFile::writeBytes(file, out.toLatin1())) {
        result.errors.append(QStringLiteral("The saved search could not be written to %1; it is unchanged.")
                                 .arg(QDir::toNativeSeparators(file)));
        return result;
    }
    result.ok = true;
    result.dates = int(rows.size());
    return result;
}

} // namespace saved
