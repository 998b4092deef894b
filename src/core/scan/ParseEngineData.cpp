#include "core/scan/ParseEngineData.h"

#include "core/engines/EngineSet.h"
#include "core/scan/EngineTable.h"

namespace scan {

bool isGroupedNumber(const QString &count, int engine)
{
    const QString separators = engine >= 1 && engine <= EngineCount
                                   ? engines::EngineSet::builtin().at(engine).separators
                                   : QStringLiteral(",");
    return engines::isGroupedNumber(count, separators);
}

QString GetBetween(const QString &IStringStr, const QString &IBefore, const QString &IPast)
{
    return engines::between(IStringStr, IBefore, IPast);
}

QString ParseEngineData(QString strData, int intEngine)
{
    if (intEngine < 1 || intEngine > EngineCount)
        return QString();
    return engines::extract(engines::EngineSet::builtin().at(intEngine), strData).count;
}

} // namespace scan
