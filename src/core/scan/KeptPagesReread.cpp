#include "core/scan/KeptPagesReread.h"

#include "core/engines/EngineDefinition.h"
#include "core/scan/KeptPages.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"

#include <QHash>

namespace scan {

RereadResult rereadKeptPages(ResultsModel &results, WebLogModel *log, const KeptPages &kept, qint64 low,
                             qint64 medium)
{
    const QHash<QString, const KeptPage *> newest = kept.newest();

    const engines::EngineSet set = results.engines();
    QHash<QString, CellReport> logReports; // log text + URL -> the new report
    RereadResult done;
    for (int row = 0; row < results.rowCount(); ++row) {
        const QString url = results.cell(row, 0);
        bool touched = false;
        for (int e = 1; e <= set.count(); ++e) {
            const engines::Definition &engine = set.at(e);
            const KeptPage *page = newest.value(KeptPages::newestKey(url, engine.key));
            if (!page)
                continue;
            const QString text = QString::fromLatin1(page->body());
            const engines::Extraction extraction = engines::extract(engine, text);
            const QString &count = extraction.count;
            CellReport report = classifyCell(page->outcome, text, engines::judgedText(engine, count),
                                             page->prefixEmpty, extraction.located);
            report.detail += QStringLiteral("; read again from the kept page");
            results.setReport(row, e, report);
            results.setCell(row, e + 1, engines::cellText(engine, count));
            logReports.insert(engine.logText + u'\n' + url, report);
            touched = true;
            ++done.pages;
        }
        if (!touched)
            continue;
        done.total += results.settleRow(row, low, medium).value_or(0);
        ++done.rows;
    }
    if (log)
        log->updateResults(
            [&logReports](const QString &type, const QString &url) -> std::optional<CellReport> {
                const auto it = logReports.constFind(type + u'\n' + url);
                if (it == logReports.constEnd())
                    return std::nullopt;
                return *it;
            });
    return done;
}

} // namespace scan
