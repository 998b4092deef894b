#include "core/saved/SearchFile.h"

#include "core/ini/IniLines.h"

#include <QDir>
#include <QSet>

#include <algorithm>

namespace saved {

namespace {

QDate dateOfLine(const QString &line)
{
    return dateOfKey(line.left(line.indexOf(u'=')));
}

Entry entryOf(const QString &line)
{
    const qsizetype eq = line.indexOf(u'=');
    Entry entry;
    entry.key = eq < 0 ? line : line.left(eq);
    if (eq >= 0)
        entry.value = line.mid(eq + 1);
    return entry;
}

} // namespace

bool SearchFile::load(const QString &file, QString *error)
{
    *this = SearchFile();
    modINI::IniLines lines;
    if (!staysInItsFolder(file) || !modINI::LoadINIFile(lines, file))
        return false;
    if (lines.cutAtLimit()) {
        // Part of a history would be a wrong history.
        if (error)
            *error =
                QStringLiteral("the saved search %1 holds more than %2 lines, the most a saved search may "
                               "hold; it is not read")
                    .arg(QDir::toNativeSeparators(file))
                    .arg(modINI::MaxSlots);
        return false;
    }
    for (int i = 1; i <= lines.count(); ++i) {
        const QString &line = lines.at(i);
        if (line.isEmpty())
            continue; // the slot the loader puts before every header
        if (!line.startsWith(u'[')) {
            (m_sections.isEmpty() ? m_preamble : m_sections.last().lines).append(line);
            continue;
        }
        const qsizetype close = line.indexOf(u']');
        m_sections.append(Section{line, close < 0 ? line.mid(1) : line.mid(1, close - 1), {}});
        // Only a header with its "]" is found by name, as the prefix "[" + name + "]" finds it.
        const QString folded = m_sections.last().name.toCaseFolded();
        if (close >= 0 && !m_first.contains(folded))
            m_first.insert(folded, int(m_sections.size()) - 1);
    }
    return true;
}

void SearchFile::index() const
{
    if (m_indexed)
        return;
    m_indexed = true;
    m_values.resize(m_sections.size());
    for (int section : m_first) {
        QHash<QString, QString> &values = m_values[section];
        values.reserve(m_sections.at(section).lines.size());
        for (const QString &line : std::as_const(m_sections.at(section).lines)) {
            const Entry entry = entryOf(line);
            if (entry.value && !values.contains(entry.key))
                values.insert(entry.key, *entry.value);
        }
    }
}

std::optional<QString> SearchFile::value(const QString &section, const QDate &date) const
{
    return valueAt(indexOf(section), dateKey(date));
}

std::optional<QString> SearchFile::valueAt(int section, const QString &key) const
{
    if (section < 0)
        return std::nullopt;
    index();
    const auto &values = m_values.at(section);
    const auto it = values.constFind(key);
    return it == values.constEnd() ? std::nullopt : std::optional<QString>(it.value());
}

QStringList SearchFile::sectionNames() const
{
    QStringList names;
    names.reserve(m_sections.size());
    for (const Section &section : m_sections)
        names.append(section.name);
    return names;
}

int SearchFile::indexOf(const QString &section) const
{
    if (!modINI::IsValidININame(section))
        return -1;
    return m_first.value(section.toCaseFolded(), -1);
}

QList<Entry> SearchFile::entries(int section) const
{
    QList<Entry> entries;
    if (section < 0 || section >= m_sections.size())
        return entries;
    entries.reserve(m_sections.at(section).lines.size());
    for (const QString &line : m_sections.at(section).lines)
        entries.append(entryOf(line));
    return entries;
}

History SearchFile::history() const
{
    History history;
    history.sections = sectionNames();
    // Dates paired through a hash: time linear in the file's size.
    QList<QHash<QString, QString>> bySection;
    bySection.reserve(history.sections.size());
    QSet<QString> seen;
    for (const QString &name : std::as_const(history.sections)) {
        QHash<QString, QString> values;
        for (const Entry &entry : entries(indexOf(name))) {
            if (!entry.value)
                continue;
            if (!values.contains(entry.key))
                values.insert(entry.key, *entry.value);
            if (!seen.contains(entry.key)) {
                seen.insert(entry.key);
                history.dates.append(entry.key);
            }
        }
        bySection.append(values);
    }
    // Newest first; keys that are no date go last, in file order.
    QList<std::pair<QDate, QString>> keyed;
    keyed.reserve(history.dates.size());
    for (const QString &date : std::as_const(history.dates))
        keyed.append({dateOfKey(date), date});
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        if (a.first.isValid() != b.first.isValid())
            return a.first.isValid();
        return a.first.isValid() && a.first > b.first;
    });
    history.dates.clear();
    history.values.reserve(keyed.size());
    for (const auto &[date, key] : std::as_const(keyed)) {
        history.dates.append(key);
        QStringList row;
        row.reserve(bySection.size());
        for (const auto &values : std::as_const(bySection))
            row.append(values.value(key));
        history.values.append(row);
    }
    return history;
}

QDate SearchFile::newestDate() const
{
    QDate newest;
    for (const Section &section : m_sections) {
        for (const QString &line : section.lines)
            newest = std::max(newest, dateOfLine(line));
    }
    return newest;
}

int SearchFile::ensureSection(const QString &name)
{
    int index = indexOf(name);
    if (index < 0) {
        index = int(m_sections.size());
        m_sections.append(Section{u'[' + name + u']', name, {}});
        m_first.insert(name.toCaseFolded(), index);
    }
    return index;
}

bool SearchFile::setValue(const QString &section, const QDate &date, const QString &value)
{
    const QString key = dateKey(date);
    const std::optional<QString> old = valueAt(indexOf(section), key);
    if (old == value)
        return false;
    index();
    const int index = ensureSection(section);
    m_values.resize(m_sections.size());
    m_values[index].insert(key, value);
    QStringList &lines = m_sections[index].lines;
    const QString prefix = key + u'=';
    for (qsizetype i = 0; old && i < lines.size(); ++i) {
        if (lines.at(i).startsWith(prefix, Qt::CaseInsensitive)) {
            lines[i] = prefix + value;
            return true;
        }
    }
    lines.insert(placeOf(lines, date), prefix + value);
    return true;
}

qsizetype SearchFile::placeOf(const QStringList &lines, const QDate &date)
{
    // Below every date as new as it or newer (lines that are no date are passed over), above the first older
    // one, so that the dates stay newest first.
    qsizetype at = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QDate other = dateOfLine(lines.at(i));
        if (!other.isValid())
            continue;
        if (other < date)
            break;
        at = i + 1;
    }
    return at;
}

qsizetype SearchFile::placeOf(const QString &section, const QDate &date) const
{
    const int index = indexOf(section);
    return index < 0 ? -1 : placeOf(m_sections.at(index).lines, date);
}

bool SearchFile::moveIntoPlace(const QString &section, const QDate &date)
{
    const int index = indexOf(section);
    if (index < 0 || !date.isValid())
        return false;
    QStringList &lines = m_sections[index].lines;
    if (lines.isEmpty() || !lines.first().startsWith(dateKey(date) + u'=', Qt::CaseInsensitive))
        return false;
    const QString line = lines.takeFirst();
    lines.insert(placeOf(lines, date), line);
    return lines.first() != line;
}

QByteArray SearchFile::rewrittenBytes() const
{
    QByteArray bytes;
    const auto add = [&bytes](const QString &line) {
        bytes += modINI::trimSpaces(line).toLatin1();
        bytes += "\r\n";
    };
    for (const QString &line : m_preamble)
        add(line);
    for (const Section &section : m_sections) {
        bytes += "\r\n";
        add(section.header);
        for (const QString &line : section.lines)
            add(line);
    }
    return bytes;
}

qint64 SearchFile::slotCount() const
{
    qint64 count = m_preamble.size();
    for (const Section &section : m_sections)
        count += 2 + section.lines.size();
    return count;
}

} // namespace saved
