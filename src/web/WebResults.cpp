#include "web/WebResults.h"

#include "scan/EngineTable.h"
#include "web/URLEncode.h"

namespace webResults {

QString logRowAddress(const QString &type, const QString &target, const QString &settingsIni)
{
    if (type == QLatin1String("Home Page"))
        return target;
    for (const scan::Engine &engine : scan::engines()) {
        if (type == QLatin1String(engine.logText))
            return scan::readPrefix(engine.number, settingsIni) + xurlEncode::URLEncode(target);
    }
    return QString();
}

} // namespace webResults
