#pragma once

#include "core/saved/SavedSearch.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace saved {

// One line of a section: "key=value", or a line without "=" (key the whole line, no value).
struct Entry
{
    QString key;
    std::optional<QString> value;
};

// One saved search, loaded once, as the INI module reads it: the lines before the first section, then the
// sections in file order (a name twice is two sections; reads by name find the first, without regard to
// case), each with the lines of its body. What every reader of a saved search reads and what the history
// import edits: the values by (engine section, date).
class SearchFile
{
public:
    // False when the file cannot be read, is a link leading out of its folder, or holds more lines than a
    // saved search may (error then says so); the model is empty then.
    bool load(const QString &file, QString *error = nullptr);

    // Every section's name, in file order, as its header gives it.
    QStringList sectionNames() const;
    // The first section of that name, or -1.
    int indexOf(const QString &section) const;
    // Section i's name as its header gives it.
    QString name(int section) const { return m_sections.at(section).name; }
    bool isEmpty() const { return m_preamble.isEmpty() && m_sections.isEmpty(); }
    // The lines of section i, in file order.
    QList<Entry> entries(int section) const;
    // The dates as rows (newest first; keys that are no date last, in file order), a column per section.
    History history() const;
    // The newest date any section holds; invalid when none.
    QDate newestDate() const;
    // The value the section (the first of that name) holds for the date; none without such a line.
    std::optional<QString> value(const QString &section, const QDate &date) const;

    // A save's write of one value: the date's line in the section is replaced, or a new line goes in among
    // the section's dates (below every date as new as it or newer, above the first older one), or the
    // section is appended at the end of the file with the line.
    // False when the section held that value for the date already (nothing changes then).
    bool setValue(const QString &section, const QDate &date, const QString &value);

    // Where setValue would put a new line for the date in the section (0: first); -1 without the section.
    qsizetype placeOf(const QString &section, const QDate &date) const;
    // A key write puts a new line directly under its section's header: when the section's first line is the
    // date's, it moves to where setValue would have put it. True when it moved.
    bool moveIntoPlace(const QString &section, const QDate &date);

    // The file as the INI module rewrites it: lines before the first section, then every section after an
    // empty line, each line trimmed of spaces and ended by CR LF.
    QByteArray rewrittenBytes() const;
    // The slots the INI module would fill loading those bytes (modINI::MaxSlots at most are read).
    qint64 slotCount() const;

private:
    struct Section
    {
        QString header; // the header line, "[" included
        QString name;
        QStringList lines; // never empty lines
    };
    int ensureSection(const QString &name);
    static qsizetype placeOf(const QStringList &lines, const QDate &date);

    QStringList m_preamble;
    QList<Section> m_sections;
    QHash<QString, int> m_first; // case-folded name -> its first section
    // Per section, the value of each key (its first line); made when first asked for.
    mutable QList<QHash<QString, QString>> m_values;
    mutable bool m_indexed = false;
    void index() const;
    std::optional<QString> valueAt(int section, const QString &key) const;
};

} // namespace saved
