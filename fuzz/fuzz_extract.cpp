// Any bytes as a result page, for every engine number and for GetBetween with markers from the input.
#include "core/scan/ParseEngineData.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    for (int engine = 0; engine <= 7; ++engine) {
        const QString count = scan::ParseEngineData(page, engine);
        // Ten characters at most, unless the count is a number written with thousands separators.
        if ((count.size() > 10 && !scan::isGroupedNumber(count, engine)) ||
            ((engine < 1 || engine > 6) && !count.isEmpty()))
            __builtin_trap();
    }
    // "before|past|text": GetBetween never fails and never grows its input.
    const QStringList parts = page.split(u'|');
    if (parts.size() >= 3) {
        const QString between = scan::GetBetween(parts.at(2), parts.at(0), parts.at(1));
        if (between.size() > parts.at(2).size())
            __builtin_trap();
    }
    return 0;
}
