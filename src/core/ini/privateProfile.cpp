#include "core/ini/privateProfile.h"

#include "core/ini/TextFile.h"
#include "core/ini/modINI.h"

#include <QFileInfo>

namespace privateProfile {

namespace {

QString trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin).toString();
}

// The section name of a header line, or a null string when the line is no header.
QString headerName(const QString &line)
{
    const QString trimmed = trimBlanks(line);
    if (!trimmed.startsWith(u'['))
        return QString();
    const qsizetype close = trimmed.indexOf(u']');
    const QString name = trimBlanks(QStringView(trimmed).mid(1, close < 0 ? -1 : close - 1));
    return name.isNull() ? QStringLiteral("") : name;
}

bool sameName(const QString &a, const QString &b)
{
    return QString::compare(trimBlanks(a), trimBlanks(b), Qt::CaseInsensitive) == 0;
}

struct Profile
{
    QStringList lines;
    bool load(const QString &file)
    {
        QString text;
        if (textFile::readLatin1(file, text)) {
            lines = textFile::splitLines(text);
            return true;
        }
        // A missing file is created; anything else that cannot be read is left alone.
        return !textFile::exists(file) && !QFileInfo::exists(file);
    }
    bool save(const QString &file) const
    {
        QString text;
        for (const QString &line : lines)
            text += line + QLatin1String("\r\n");
        return textFile::writeLatin1(file, text);
    }
    // Index of the section's header line, or -1.
    qsizetype findSection(const QString &section) const
    {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString name = headerName(lines.at(i));
            if (!name.isNull() && sameName(name, section))
                return i;
        }
        return -1;
    }
    // One past the section's last line: the next header, or the end of the file.
    qsizetype sectionEnd(qsizetype header) const
    {
        qsizetype i = header + 1;
        while (i < lines.size() && headerName(lines.at(i)).isNull())
            ++i;
        return i;
    }
};

} // namespace

bool WriteString(const QString &section, const QString &key, const QString &value, const QString &file)
{
    if (!modINI::isSingleLine(section) || !modINI::isSingleLine(key) || !modINI::isSingleLine(value))
        return false;
    const textFile::FileLock lock(file); // the read, the edit and the rewrite, with no writer between
    Profile profile;
    if (!lock.isLocked() || !profile.load(file))
        return false;
    const QString keyLine = trimBlanks(key) + u'=' + value;
    const qsizetype header = profile.findSection(section);
    if (header < 0) {
        profile.lines.append(u'[' + trimBlanks(section) + u']');
        profile.lines.append(keyLine);
        return profile.save(file);
    }
    const qsizetype end = profile.sectionEnd(header);
    qsizetype lastContent = header;
    for (qsizetype i = header + 1; i < end; ++i) {
        const QString &line = profile.lines.at(i);
        if (!trimBlanks(line).isEmpty())
            lastContent = i;
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && sameName(line.left(eq), key)) {
            profile.lines[i] = keyLine;
            return profile.save(file);
        }
    }
    profile.lines.insert(lastContent + 1, keyLine);
    return profile.save(file);
}

bool WriteSection(const QString &section, const QString &body, const QString &file)
{
    if (!modINI::isSingleLine(section))
        return false;
    const textFile::FileLock lock(file); // the read, the edit and the rewrite, with no writer between
    Profile profile;
    if (!lock.isLocked() || !profile.load(file))
        return false;
    QStringList bodyLines;
    for (const QString &piece : textFile::splitLines(QString(body).replace(u'\0', u'\r'))) {
        if (!piece.isEmpty())
            bodyLines.append(piece);
    }
    const qsizetype header = profile.findSection(section);
    if (header < 0) {
        profile.lines.append(u'[' + trimBlanks(section) + u']');
        profile.lines.append(bodyLines);
        return profile.save(file);
    }
    const qsizetype end = profile.sectionEnd(header);
    profile.lines.remove(header + 1, end - (header + 1));
    for (qsizetype i = 0; i < bodyLines.size(); ++i)
        profile.lines.insert(header + 1 + i, bodyLines.at(i));
    return profile.save(file);
}

} // namespace privateProfile
