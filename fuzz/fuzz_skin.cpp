// Any bytes as a skin file and its style sheet: the skin loads (or falls back to the built-in look) without a
// crash, its colours are colours, and no colour name of the style sheet is left unreplaced.
#include "gui/skin/modSkin.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    qInstallMessageHandler(quiet);
    // Input: the skin file, 0x1E, the style sheet "Standard.qss".
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\x1e');
    const QString skinFile = dir.filePath(QStringLiteral("Fuzz.skin"));
    if (!write(skinFile, bytes.left(split)) ||
        !write(dir.filePath(QStringLiteral("Standard.qss")), split < 0 ? QByteArray() : bytes.mid(split + 1)))
        return 0;
    modSkin::Skin skin;
    skin.load(skinFile);
    if (!skin.wasRead())
        __builtin_trap();
    for (int id : {2, 3, 4}) {
        if (!skin.property(id).isValid() || skin.property(id).toUInt() > 0xffffff)
            __builtin_trap();
    }
    for (const char *name : {"@window", "@accent", "@picture", "@back", "@fore"}) {
        if (skin.styleSheet().contains(QLatin1String(name)))
            __builtin_trap();
    }
    if (skin.styleSheet().size() > 8 * 1024 * 1024)
        __builtin_trap();
    return 0;
}
