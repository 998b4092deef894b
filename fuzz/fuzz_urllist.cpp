// Any bytes as a URL list file: the entries are trimmed single lines, and saving them and loading the saved
// file gives the same entries back.
#include "core/ini/TextFile.h"
#include "core/lists/UrlListFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList entries;
    if (urlList::entriesOfBytes(bytes, entries) != urlList::LoadStatus::Ok)
        return 0;
    for (const QString &entry : std::as_const(entries)) {
        if (entry.isEmpty() || entry.contains(u'\r') || entry.contains(u'\n') || entry.front() == u' ' ||
            entry.front() == u'\t' || entry.back() == u' ' || entry.back() == u'\t')
            __builtin_trap();
    }
    // Round trip through a saved file: everything that is valid text comes back as it was (a first entry
    // that starts with a byte-order mark loses it, as any reader drops it).
    bool text = true;
    for (const QString &entry : std::as_const(entries))
        text = text && entry.isValidUtf16();
    if (!text || (!entries.isEmpty() && entries.first().startsWith(QChar(0xfeff))))
        return 0;
    static QTemporaryDir dir;
    textFile::Transaction memory; // never committed: the saved list lives in memory
    const QString file = dir.filePath(QStringLiteral("list.txt"));
    if (!urlList::saveFile(file, entries))
        return 0;
    QStringList again;
    if (urlList::loadFile(file, again) != urlList::LoadStatus::Ok || again != entries)
        __builtin_trap();
    return 0;
}
