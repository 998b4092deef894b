#include "core/ini/IniSnapshot.h"

namespace modINI {

bool IniSnapshot::load(const QString &file)
{
    m_names.clear();
    m_first.clear();
    m_end.clear();
    if (!LoadINIFile(m_lines, file))
        return false;
    int previous = 0;
    for (int i = 1; i <= m_lines.count(); ++i) {
        const QString &line = m_lines.at(i);
        if (!line.startsWith(u'['))
            continue;
        if (previous > 0)
            m_end.insert(previous, i);
        previous = i;
        const qsizetype close = line.indexOf(u']');
        const QString name = close < 0 ? line.mid(1) : line.mid(1, close - 1);
        m_names.append(name);
        // Only a header with its "]" is found by name, as the prefix "[" + name + "]" would find it.
        const QString key = name.toCaseFolded();
        if (close >= 0 && !m_first.contains(key))
            m_first.insert(key, i);
    }
    if (previous > 0)
        m_end.insert(previous, m_lines.count() + 1);
    return true;
}

QString IniSnapshot::section(const QString &name, const QString &defaultValue) const
{
    if (!IsValidININame(name))
        return defaultValue;
    const auto it = m_first.constFind(name.toCaseFolded());
    if (it == m_first.constEnd())
        return defaultValue;
    const int header = it.value();
    const int end = m_end.value(header);
    return m_lines.join(header + 1, end);
}

} // namespace modINI
