// Any bytes as a saved search: the history table and every chart model are built without a crash, and in
// time that grows with the file's size, never faster (a reader that reloads the file per section or pairs
// dates by searching lists would exceed the bound on large inputs).
#include "core/ini/TextFile.h"
#include "core/ini/modINI.h"
#include "core/saved/ChartData.h"
#include "core/saved/SavedSearch.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <ctime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Small inputs stand for large files: a first byte "x" repeats the rest (its second byte + 1) * 500
    // times.
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.size() > 2 && bytes.at(0) == 'x') {
        const QByteArray body = bytes.mid(2);
        const qsizetype times = (uchar(bytes.at(1)) % 16 + 1) * 500;
        bytes = body.repeated(qMin(times, 2 * 1024 * 1024 / body.size() + 1)); // at most about 2 MiB
    }

    textFile::Transaction memory; // never committed: the file lives in memory
    static QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("read.vty"));
    textFile::writeBytes(file, bytes);

    // Processor time, not wall time: a busy machine must not look like a slow reader.
    const std::clock_t start = std::clock();
    saved::History history;
    if (!saved::readHistory(file, history))
        __builtin_trap();
    if (history.values.size() != history.dates.size())
        __builtin_trap();
    for (const QStringList &row : std::as_const(history.values)) {
        if (row.size() != history.sections.size())
            __builtin_trap();
    }
    QStringList sections;
    modINI::GetINISections(sections, file);
    const chartData::ChartModel all = chartData::allEnginesChart(file, sections, QStringLiteral("fuzz"));
    if (all.seriesLabels.size() > chartData::MaxSeries || all.values.size() != all.seriesLabels.size())
        __builtin_trap();
    for (const auto &row : all.values) {
        if (row.size() != all.categoryLabels.size())
            __builtin_trap();
    }
    if (!sections.isEmpty())
        chartData::engineHistoryChart(file, sections.first(), QStringLiteral("fuzz"));
    chartData::hasSingleDateSeries(file, sections);
    // Linear time: a generous fixed part plus a bound per byte (sanitizers included).
    const double cpuMs = 1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC;
    if (cpuMs > 2000 + bytes.size() / 50.0)
        __builtin_trap();
    return 0;
}
