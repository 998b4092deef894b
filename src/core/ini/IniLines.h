#pragma once

#include <QString>
#include <QStringList>

// The line buffer behind the INI module and the primitives that search and edit it. Slots are numbered from
// 1 to count(); slot 0 does not exist. Each public INI operation loads a fresh buffer from disk, works on it
// and, for a write, saves it back, so no state outlives one call.
namespace modINI {

// A file holds at most this many slots (its non-empty lines plus one per section header): a century of daily
// saves for 28 engines. Files of earlier versions held at most 32,767.
inline constexpr int MaxSlots = 1048575;

class IniLines
{
public:
    int count() const { return int(m_slots.size()); }
    const QString &at(int index) const;
    void set(int index, const QString &text);
    void appendEmpty() { m_slots.append(QString()); }
    void clear();

    // True when the file on disk held more slots than MaxSlots and loading stopped at the limit.
    bool cutAtLimit() const { return m_cutAtLimit; }
    // Slots from..to-1 joined by CR LF (none after the last): a section's body as the INI module reads it.
    QString join(int from, int to) const;
    // The number of slots a load of the buffer's written form would fill.
    int slotsWhenReloaded() const;

private:
    friend bool LoadINIFile(IniLines &lines, const QString &file);
    friend void InsertINILine(IniLines &lines, const QString &text, qint32 &position);

    QStringList m_slots; // m_slots[0] holds slot 1
    bool m_cutAtLimit = false;
};

// Fills the buffer from the file: empty lines are skipped, every header is preceded by one empty slot, other
// lines are stored untrimmed. A file that cannot be opened leaves the buffer empty (result false).
bool LoadINIFile(IniLines &lines, const QString &file);

// Writes slots 1..count(), each trimmed of leading and trailing spaces (not tabs) and ended by CR LF. The
// file is replaced atomically. Refused (false, file untouched) when the buffer was cut at the slot limit on
// load, or would not fit in it when read back, so that no write can truncate a file.
bool SaveINIFile(const IniLines &lines, const QString &file);

// The search primitive. Starts after slot index; stops at a slot beginning with prefix (found), or, with
// stopAtSection, at a slot beginning with "[". On a match or a stop, index is that slot. When the search runs
// past the last slot, index is the last non-empty slot it examined (0 if none) and the buffer has grown by
// one empty slot at its end. Comparisons ignore case.
bool FindINILine(IniLines &lines, qint32 &index, const QString &prefix, bool stopAtSection);

// Grows the buffer by one slot and stores text at position, moving later slots down. Position 0 appends and
// is set to the new last index.
void InsertINILine(IniLines &lines, const QString &text, qint32 &position);

// The text of a slot as a rewrite writes it: without leading and trailing spaces (tabs stay).
QString trimSpaces(const QString &text);

// A section or key name is valid when it holds none of "[", "]" and "=".
bool IsValidININame(const QString &name);

} // namespace modINI
