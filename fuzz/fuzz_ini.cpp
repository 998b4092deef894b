// Any bytes as an INI file: read, write, read again. No crash, no sanitizer report, and a write followed by a
// read gives back the value written whenever the write could take place into a file whose lines have been
// trimmed by a rewrite.
#include "core/ini/IniLines.h"
#include "core/ini/TextFile.h"
#include "core/ini/modINI.h"
#include "core/ini/privateProfile.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

// Names and values the INI format can carry through a write: no line ending, no spaces at the ends that a
// rewrite trims, and no name characters.
bool writable(const QString &section, const QString &key, const QString &value)
{
    auto clean = [](const QString &t) { return !t.contains(u'\r') && !t.endsWith(u' '); };
    return modINI::IsValidININame(section) && modINI::IsValidININame(key) && clean(section) && clean(key) &&
           clean(value) && !key.startsWith(u' ') && !section.contains(u'\n');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Small inputs stand for files at the slot limit: a first byte "x" repeats the rest up to its last line
    // (second byte + 1) * 2,000 times, which passes 32,767 slots for lines of a few bytes.
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.size() > 2 && bytes.at(0) == 'x') {
        const qsizetype last = bytes.lastIndexOf('\n');
        const QByteArray body = bytes.mid(2, last < 2 ? -1 : last - 1);
        const QByteArray tail = last < 2 ? QByteArray() : bytes.mid(last);
        const qsizetype times = (uchar(bytes.at(1)) % 32 + 1) * 2000;
        bytes = body.repeated(qMin(times, 1024 * 1024 / qMax<qsizetype>(body.size(), 1) + 1)) + tail;
    }
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("fuzz.ini"));
    // Every write goes to memory (a transaction that is never committed): no disk, no fsync.
    textFile::Transaction memory;
    textFile::writeBytes(file, bytes);
    // Section, key and value come from the file's last line, split at "|".
    const QString text = QString::fromLatin1(bytes);
    const QStringList spec = text.section(u'\n', -1).split(u'|');
    const QString section = spec.value(0, QStringLiteral("S"));
    const QString key = spec.value(1, QStringLiteral("k"));
    const QString value = spec.value(2, QStringLiteral("v"));

    modINI::ReadINI(section, key, QString(), file);
    modINI::ReadINISection(section, QString(), file);
    QStringList names;
    modINI::GetINISections(names, file);

    modINI::IniLines before;
    modINI::LoadINIFile(before, file);
    // A write takes place when the file has content and room for a new section with its key.
    auto roomFor = [](const modINI::IniLines &lines) {
        return lines.count() > 0 && !lines.cutAtLimit() && lines.slotsWhenReloaded() + 3 <= modINI::MaxSlots;
    };

    // A line that begins with a space is neither a header nor a key until a rewrite trims it, so the first
    // write into such a file may land in a section or under a key line that the rewrite then shadows. Once
    // rewritten, every file reads back what is written (the second check below).
    auto trimmedForm = [](const modINI::IniLines &lines) {
        for (int i = 1; i <= lines.count(); ++i)
            if (lines.at(i).startsWith(u' '))
                return false;
        return true;
    };

    modINI::WriteINI(section, key, value, file);
    const QString back = modINI::ReadINI(section, key, QStringLiteral("\x01missing"), file);
    if (roomFor(before) && trimmedForm(before) && writable(section, key, value) && back != value)
        __builtin_trap();

    privateProfile::WriteString(section, key, value, file);
    privateProfile::WriteSection(section, QString(), file);
    modINI::IniLines after;
    modINI::LoadINIFile(after, file);
    modINI::WriteINI(section, key, value, file);
    if (roomFor(after) && writable(section, key, value) &&
        modINI::ReadINI(section, key, QStringLiteral("\x01missing"), file) != value)
        __builtin_trap();
    return 0;
}
