#pragma once

#include "core/ini/IniLines.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace modINI {

// A file loaded once for many reads: the same answers as GetINISections and ReadINISection on the file as it
// was loaded, each read in time proportional to what it returns, so that reading every section of a file
// costs time linear in its size.
class IniSnapshot
{
public:
    // False, with an empty snapshot, when the file cannot be read.
    bool load(const QString &file);
    // True when the file holds more slots than an INI file may and was read only up to the limit.
    bool cutAtLimit() const { return m_lines.cutAtLimit(); }

    // As GetINISections: the names of all section headers in file order.
    const QStringList &sections() const { return m_names; }

    // As ReadINISection: the body of the first section of that name, slots joined by CR LF, or defaultValue.
    QString section(const QString &name, const QString &defaultValue = QString()) const;

private:
    IniLines m_lines;
    QStringList m_names;
    QHash<QString, int> m_first; // case-folded name -> slot of its first header
    QHash<int, int> m_end;       // header slot -> one past its body
};

} // namespace modINI
