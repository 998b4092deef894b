// Any cell texts saved into any saved-search file: the save lands whole, or the file stays exactly as it was.
// A save that reports success reads back every value it wrote, and no cell text can add a section.
// Files live in memory (an outer transaction that is never committed), so the fuzzer never waits on a disk.
#include "core/ini/TextFile.h"
#include "core/ini/modINI.h"
#include "core/saved/SavedSearch.h"

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

QByteArray contents(const QString &file)
{
    QString text;
    return textFile::readLatin1(file, text) ? text.toLatin1() : QByteArray("\x01missing");
}

bool hasControl(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Input: a mode byte, six cell texts separated by 0x1F, a 0x1E, then the old file's bytes.
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.isEmpty())
        return 0;
    const bool append = bytes.at(0) & 1;
    const qsizetype split = bytes.indexOf('\x1e');
    const QByteArray cellBytes = bytes.mid(1, split < 0 ? -1 : split - 1);
    const QByteArray old = split < 0 ? QByteArray() : bytes.mid(split + 1);
    QStringList cells = QString::fromLatin1(cellBytes).split(QChar(0x1f));
    while (cells.size() < 6)
        cells.append(QString());

    textFile::Transaction memory; // never committed: nothing reaches the disk
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("fuzz.vty"));
    if (!old.isEmpty() && !textFile::writeBytes(file, old))
        __builtin_trap();
    const QByteArray before = contents(file);

    const QStringList captions{QStringLiteral("Google"), QStringLiteral("Altavista"),
                               QStringLiteral("Yahoo!"), QStringLiteral("Teoma"),
                               QStringLiteral("MSN"),    QStringLiteral("All The Web")};
    saved::SaveRow saveText;
    for (int i = 0; i < 6; ++i) {
        // A cell with a line end is saved without a count; a cell's text ends at its first ":".
        const QString cell = hasControl(cells.at(i)) ? QString() : cells.at(i).section(u':', 0, 0);
        saveText.cells.append({captions.at(i), cell});
    }
    const QDate date(2020 + int(size % 50), 1 + int(size % 12), 1 + int(size % 28));
    const saved::SaveResult result = saved::saveResults(
        saveText, file, append ? saved::SaveMode::Append : saved::SaveMode::CreateNew, date);
    if (!result.ok) {
        // Nothing of a failed save is left behind: the old file, byte for byte (or still no file).
        if (contents(file) != before)
            __builtin_trap();
        return 0;
    }
    for (int i = 0; i < 6; ++i) {
        const QString cell = hasControl(cells.at(i)) ? QString() : cells.at(i).split(u':').value(0);
        if (cell == QLatin1String("-"))
            continue;
        if (modINI::ReadINI(captions.at(i), saved::dateKey(date), QStringLiteral("\x01missing"), file) !=
            cell)
            __builtin_trap();
    }
    // Only the engines' sections and what the file held before: a cell never adds a section of its own.
    QStringList sections;
    modINI::GetINISections(sections, file);
    for (const QString &section : sections) {
        if (!captions.contains(section) && !QString::fromLatin1(old).contains(u'[' + section))
            __builtin_trap();
    }
    return 0;
}
