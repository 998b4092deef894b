#include "ui/UrlListFile.h"

#include "ini/TextFile.h"

namespace urlList {

QStringList entriesOfText(const QString &text)
{
    QStringList entries;
    for (const QString &piece : text.split(QStringLiteral("\r\n"))) {
        if (!piece.isEmpty())
            entries.append(piece);
    }
    return entries;
}

bool loadFile(const QString &path, QStringList &entries)
{
    QString text;
    if (!textFile::readLatin1(path, text))
        return false;
    entries += entriesOfText(text);
    return true;
}

bool saveFile(const QString &path, const QStringList &entries)
{
    QString text;
    for (const QString &entry : entries)
        text += entry + QStringLiteral("\r\n");
    return textFile::writeLatin1(path, text);
}

QString withTxtExtension(const QString &name)
{
    return name.right(4).toLower() == QLatin1String(".txt") ? name : name + QStringLiteral(".txt");
}

QString normaliseClipboardEntry(const QString &entry)
{
    if (entry.contains(QLatin1String("http://"), Qt::CaseInsensitive))
        return entry;
    if (entry.contains(QLatin1String("www."), Qt::CaseInsensitive))
        return QStringLiteral("http://") + entry;
    return QStringLiteral("http://www.") + entry;
}

QStringList clipboardEntries(const QString &clipboardText)
{
    // The text as a file would hold it: followed by CR LF, split at each CR LF. No scratch file is needed.
    QStringList entries;
    for (const QString &piece : entriesOfText(clipboardText + QStringLiteral("\r\n")))
        entries.append(normaliseClipboardEntry(piece));
    return entries;
}

} // namespace urlList
