#include "core/ini/modINI.h"

#include "core/ini/IniLines.h"
#include "core/ini/TextFile.h"

namespace modINI {

namespace {

QString headerOf(const QString &section)
{
    return u'[' + section + u']';
}

QString keyPrefixOf(const QString &key)
{
    return key + u'=';
}

} // namespace

bool isSingleLine(const QString &text)
{
    return !text.contains(u'\r') && !text.contains(u'\n');
}

namespace {

} // namespace

QString ReadINI(const QString &section, const QString &key, const QString &defaultValue, const QString &file)
{
    if (!IsValidININame(section) || !IsValidININame(key))
        return defaultValue;
    IniLines lines;
    LoadINIFile(lines, file);
    return ReadINI(lines, section, key, defaultValue);
}

QString ReadINI(IniLines &lines, const QString &section, const QString &key, const QString &defaultValue)
{
    if (!IsValidININame(section) || !IsValidININame(key))
        return defaultValue;
    qint32 index = 0;
    if (!FindINILine(lines, index, headerOf(section), false))
        return defaultValue;
    if (!FindINILine(lines, index, keyPrefixOf(key), true))
        return defaultValue;
    const QString &line = lines.at(index);
    return line.mid(line.indexOf(u'=') + 1);
}

bool WriteINI(const QString &section, const QString &key, const QString &value, const QString &file)
{
    if (!IsValidININame(section) || !IsValidININame(key) || !isSingleLine(section) || !isSingleLine(key) ||
        !isSingleLine(value))
        return false;
    const textFile::FileLock lock(file); // the read, the edit and the rewrite, with no writer between
    if (!lock.isLocked())
        return false;
    IniLines lines;
    LoadINIFile(lines, file);
    const QString keyLine = keyPrefixOf(key) + value;
    qint32 header = 0;
    if (!FindINILine(lines, header, headerOf(section), false)) {
        if (header == 0)
            return false; // missing or empty file: nothing is created
        qint32 append = 0;
        InsertINILine(lines, QString(), append);
        append = 0;
        InsertINILine(lines, headerOf(section), append);
        append = 0;
        InsertINILine(lines, keyLine, append);
    } else {
        qint32 index = header;
        if (FindINILine(lines, index, keyPrefixOf(key), true)) {
            lines.set(index, keyLine);
        } else {
            qint32 below = header + 1;
            InsertINILine(lines, keyLine, below);
        }
    }
    return SaveINIFile(lines, file);
}

QString ReadINISection(const QString &section, const QString &defaultValue, const QString &file)
{
    if (!IsValidININame(section))
        return defaultValue;
    IniLines lines;
    LoadINIFile(lines, file);
    qint32 header = 0;
    if (!FindINILine(lines, header, headerOf(section), false))
        return defaultValue;
    qint32 end = header;
    if (!FindINILine(lines, end, QStringLiteral("["), false))
        end = lines.count();
    return lines.join(header + 1, end);
}

void GetINISections(QStringList &names, const QString &file)
{
    IniLines lines;
    LoadINIFile(lines, file);
    QStringList found;
    qint32 index = 0;
    while (FindINILine(lines, index, QStringLiteral("["), false)) {
        const QString &line = lines.at(index);
        const qsizetype close = line.indexOf(u']');
        found.append(close < 0 ? line.mid(1) : line.mid(1, close - 1));
    }
    if (!found.isEmpty())
        names = found;
}

} // namespace modINI
