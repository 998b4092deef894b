#include "core/ini/IniLines.h"

#include "core/ini/TextFile.h"

namespace modINI {

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return (begin == 0 && end == text.size()) ? text : text.mid(begin, end - begin);
}

namespace {

bool isHeader(const QString &line)
{
    return line.startsWith(u'[');
}

} // namespace

const QString &IniLines::at(int index) const
{
    Q_ASSERT(index >= 1 && index <= count());
    return m_slots.at(index - 1);
}

void IniLines::set(int index, const QString &text)
{
    Q_ASSERT(index >= 1 && index <= count());
    m_slots[index - 1] = text;
}

QString IniLines::join(int from, int to) const
{
    QString text;
    for (int i = from; i < to; ++i) {
        if (i > from)
            text += QLatin1String("\r\n");
        text += at(i);
    }
    return text;
}

void IniLines::clear()
{
    m_slots.clear();
    m_cutAtLimit = false;
}

int IniLines::slotsWhenReloaded() const
{
    qint64 total = 0;
    for (const QString &slot : m_slots) {
        const QString written = trimSpaces(slot);
        if (!written.isEmpty())
            total += isHeader(written) ? 2 : 1;
    }
    return total > MaxSlots ? MaxSlots + 1 : int(total);
}

bool LoadINIFile(IniLines &lines, const QString &file)
{
    lines.clear();
    QString text;
    if (!textFile::readLatin1(file, text))
        return false;
    // One pass over the text; empty lines are skipped without being made, so a file of millions of blank
    // lines costs only the time to look at it.
    const qsizetype n = text.size();
    const QChar *data = text.constData();
    qsizetype start = 0;
    auto take = [&](qsizetype begin, qsizetype end) {
        if (end == begin)
            return true;
        const bool header = data[begin] == u'[';
        if (lines.count() + (header ? 2 : 1) > MaxSlots) {
            lines.m_cutAtLimit = true;
            return false;
        }
        if (header)
            lines.m_slots.append(QString());
        lines.m_slots.append(text.mid(begin, end - begin));
        return true;
    };
    for (qsizetype i = 0; i < n; ++i) {
        if (data[i] != u'\r')
            continue;
        if (!take(start, i))
            return true;
        if (i + 1 < n && data[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        take(start, n);
    return true;
}

bool SaveINIFile(const IniLines &lines, const QString &file)
{
    if (lines.cutAtLimit() || lines.slotsWhenReloaded() > MaxSlots)
        return false;
    QByteArray bytes;
    bytes.reserve(lines.count() * 24);
    for (int i = 1; i <= lines.count(); ++i) {
        bytes += trimSpaces(lines.at(i)).toLatin1();
        bytes += "\r\n";
    }
    return textFile::writeBytes(file, bytes);
}

bool FindINILine(IniLines &lines, qint32 &index, const QString &prefix, bool stopAtSection)
{
    const qint32 n = lines.count();
    qint32 last = 0;
    bool found = false;
    index = index + 1;
    while (index <= n) {
        const QString &slot = lines.at(index);
        if (!slot.isEmpty())
            last = index;
        if (stopAtSection && isHeader(slot))
            break;
        if (slot.startsWith(prefix, Qt::CaseInsensitive)) {
            found = true;
            break;
        }
        ++index;
    }
    if (index > last)
        lines.appendEmpty();
    index = last;
    return found;
}

void InsertINILine(IniLines &lines, const QString &text, qint32 &position)
{
    // Growing by one slot and moving slots position..last down by one is an insertion before position.
    const qint32 newCount = lines.count() + 1;
    if (position == 0)
        position = newCount;
    Q_ASSERT(position >= 1 && position <= newCount);
    lines.m_slots.insert(position - 1, text);
}

bool IsValidININame(const QString &name)
{
    for (const QChar c : {u'[', u']', u'='}) {
        if (name.contains(c))
            return false;
    }
    return true;
}

} // namespace modINI
