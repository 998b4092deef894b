#include "core/lists/UrlListFile.h"

#include "core/ini/TextFile.h"

#include <QDir>
#include <QStringDecoder>

namespace urlList {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Calls line(start, length) for every line of text; lines end at CR LF, LF or CR.
template <typename Line> void forEachLine(const QString &text, Line &&line)
{
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        line(start, i - start);
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        line(start, n - start);
}

} // namespace

QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        return utf16.decode(bytes.mid(2));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1252("windows-1252");
    if (cp1252.isValid())
        return cp1252.decode(bytes);
    return QString::fromLatin1(bytes);
}

QStringList entriesOfText(const QString &text)
{
    QStringList entries;
    forEachLine(text, [&](qsizetype start, qsizetype length) {
        qsizetype end = start + length;
        while (start < end && isBlank(text.at(start)))
            ++start;
        while (end > start && isBlank(text.at(end - 1)))
            --end;
        if (end > start)
            entries.append(text.mid(start, end - start));
    });
    return entries;
}

LoadStatus entriesOfBytes(const QByteArray &bytes, QStringList &entries)
{
    const QString text = decodeText(bytes);
    bool tooLong = false;
    forEachLine(text, [&](qsizetype, qsizetype length) { tooLong = tooLong || length > MaxLineLength; });
    if (tooLong)
        return LoadStatus::LineTooLong;
    entries += entriesOfText(text);
    return LoadStatus::Ok;
}

LoadStatus loadFile(const QString &path, QStringList &entries)
{
    QByteArray bytes;
    if (!textFile::readBytes(path, bytes))
        return LoadStatus::Unreadable;
    return entriesOfBytes(bytes, entries);
}

QString loadError(LoadStatus status, const QString &path)
{
    const QString name = QDir::toNativeSeparators(path);
    switch (status) {
    case LoadStatus::Ok:
        return QString();
    case LoadStatus::LineTooLong:
        return QStringLiteral(
                   "The file %1 was not loaded: it holds a line longer than %2 KiB, which is no URL.")
            .arg(name)
            .arg(MaxLineLength / 1024);
    case LoadStatus::Unreadable:
        break;
    }
    return QStringLiteral("The file %1 could not be read.").arg(name);
}

bool saveFile(const QString &path, const QStringList &entries)
{
    QString text;
    for (const QString &entry : entries)
        text += entry + QStringLiteral("\r\n");
    return textFile::writeBytes(path, text.toUtf8());
}

QString withTxtExtension(const QString &name)
{
    return name.right(4).toLower() == QLatin1String(".txt") ? name : name + QStringLiteral(".txt");
}

QString normaliseClipboardEntry(const QString &entry)
{
    if (entry.contains(QLatin1String("http://"), Qt::CaseInsensitive) ||
        entry.contains(QLatin1String("https://"), Qt::CaseInsensitive))
        return entry;
    if (entry.contains(QLatin1String("www."), Qt::CaseInsensitive))
        return QStringLiteral("http://") + entry;
    return QStringLiteral("http://www.") + entry;
}

QStringList clipboardEntries(const QString &clipboardText)
{
    QStringList entries = entriesOfText(clipboardText);
    for (QString &entry : entries)
        entry = normaliseClipboardEntry(entry);
    return entries;
}

} // namespace urlList
