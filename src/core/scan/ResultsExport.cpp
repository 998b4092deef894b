#include "core/scan/ResultsExport.h"

#include "core/saved/SavedSearch.h"
#include "core/scan/EngineTable.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/ScanRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <QStringList>

namespace resultsExport {

using scan::ResultsModel;

QString csvField(const QString &field)
{
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\r') && !field.contains(u'\n'))
        return field;
    return u'"' + QString(field).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

QString printable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0))
            out += QStringLiteral("\\x") + QString::number(u, 16).rightJustified(2, u'0');
        else
            out += c;
    }
    return out;
}

namespace {

QStringList rowFields(const ResultsModel &model, int row, bool plain = false)
{
    QStringList fields;
    for (int c = 0; c < model.cellColumns(); ++c)
        fields.append(plain && c > 0 ? plainCount(model.cell(row, c)) : model.cell(row, c));
    fields.append(rowProfileText(model, row));
    return fields;
}

QStringList headerFields(const ResultsModel &model)
{
    QStringList fields;
    for (int c = 0; c < model.cellColumns(); ++c)
        fields.append(model.columnCaption(c));
    fields.append(QStringLiteral("Profile"));
    return fields;
}

QString csvRecord(QStringList fields)
{
    for (QString &field : fields)
        field = csvField(field);
    return fields.join(u',') + QStringLiteral("\r\n");
}

QString isoDate(const QString &key)
{
    const QDate date = saved::dateOfKey(key);
    return date.isValid() ? date.toString(Qt::ISODate) : key;
}

} // namespace

QString plainCount(const QString &text)
{
    static const QRegularExpression grouped(QStringLiteral(
        "^(?:\\d+|\\d{1,3}(?:,\\d{3})+|\\d{1,3}(?:\\.\\d{3})+|\\d{1,3}(?:[ \\x{a0}]\\d{3})+)$"));
    if (!grouped.match(text).hasMatch())
        return text;
    QString digits;
    for (const QChar c : text) {
        if (c.isDigit())
            digits += c;
    }
    return digits;
}

QList<QJsonObject> engineSummaries(const scan::ScanRun &run)
{
    QList<QJsonObject> engines;
    for (int e = 1; e <= run.engines().count(); ++e) {
        const scan::ScanRun::EngineSummary &s = run.summary(e);
        engines.append(QJsonObject{{QStringLiteral("engine"), run.engines().at(e).header},
                                   {QStringLiteral("key"), run.engines().at(e).key},
                                   {QStringLiteral("asked"), s.asked},
                                   {QStringLiteral("ok"), s.ok},
                                   {QStringLiteral("zero"), s.zero},
                                   {QStringLiteral("failed"), s.failedTotal()},
                                   {QStringLiteral("suspended"), s.suspended}});
    }
    return engines;
}

QString historyCsv(const saved::History &history)
{
    QString out = csvRecord(QStringList{QStringLiteral("Date")} + history.sections);
    for (qsizetype i = 0; i < history.dates.size(); ++i) {
        QStringList fields{isoDate(history.dates.at(i))};
        for (const QString &value : history.values.at(i))
            fields.append(plainCount(value));
        out += csvRecord(fields);
    }
    return out;
}

QString historyJson(const saved::History &history)
{
    QJsonArray dates;
    for (qsizetype i = 0; i < history.dates.size(); ++i) {
        QJsonObject row{{QStringLiteral("date"), isoDate(history.dates.at(i))}};
        for (qsizetype s = 0; s < history.sections.size(); ++s) {
            const QString value = plainCount(history.values.at(i).value(s));
            bool ok = false;
            const qint64 number = value.toLongLong(&ok);
            row.insert(history.sections.at(s), ok ? QJsonValue(number) : QJsonValue(QJsonValue::Null));
        }
        dates.append(row);
    }
    const QJsonObject document{{QStringLiteral("engines"), QJsonArray::fromStringList(history.sections)},
                               {QStringLiteral("dates"), dates}};
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

QString profileText(int profile)
{
    switch (profile) {
    case 1:
        return QStringLiteral("low");
    case 2:
        return QStringLiteral("medium");
    case 3:
        return QStringLiteral("high");
    default:
        return QString();
    }
}

QString rowProfileText(const ResultsModel &model, int row)
{
    return model.hasNoCount(row) ? QStringLiteral("unknown") : profileText(int(model.profile(row)));
}

QString toJson(const ResultsModel &model, const QList<QJsonObject> &engines,
               const std::optional<QList<QJsonObject>> &alerts)
{
    QJsonArray rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QJsonArray cells;
        for (int engine = 1; engine <= model.engineCount(); ++engine) {
            const scan::CellReport report = model.report(row, engine);
            bool counted = false;
            const qint64 count = plainCount(model.cell(row, engine + 1)).toLongLong(&counted);
            cells.append(QJsonObject{{QStringLiteral("engine"), model.engines().at(engine).header},
                                     {QStringLiteral("text"), model.cell(row, engine + 1)},
                                     {QStringLiteral("count"), counted ? QJsonValue(count) : QJsonValue()},
                                     {QStringLiteral("status"), scan::statusWord(report.status)},
                                     {QStringLiteral("http"), report.http},
                                     {QStringLiteral("bytes"), report.bytes},
                                     {QStringLiteral("ms"), report.ms},
                                     {QStringLiteral("detail"), report.detail}});
        }
        rows.append(QJsonObject{{QStringLiteral("url"), model.cell(row, 0)},
                                {QStringLiteral("total"), model.cell(row, 1).isEmpty()
                                                              ? QJsonValue(QJsonValue::Null)
                                                              : QJsonValue(model.cell(row, 1).toLongLong())},
                                {QStringLiteral("profile"), rowProfileText(model, row)},
                                {QStringLiteral("cells"), cells}});
    }
    QJsonArray summaries;
    for (const QJsonObject &engine : engines)
        summaries.append(engine);
    QJsonObject document{{QStringLiteral("rows"), rows}, {QStringLiteral("engines"), summaries}};
    if (alerts) {
        QJsonArray list;
        for (const QJsonObject &alert : *alerts)
            list.append(alert);
        document.insert(QStringLiteral("alerts"), list);
    }
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

QString csvHeader(const ResultsModel &model)
{
    return headerFields(model).join(u',');
}

namespace {

// Collects chunks of text and hands each to the sink when it has grown past a size.
class Chunks
{
public:
    explicit Chunks(const Sink &sink) : m_sink(sink) {}
    bool add(const QString &text)
    {
        m_text += text;
        return m_text.size() < 64 * 1024 || flush();
    }
    bool flush()
    {
        const bool ok = m_text.isEmpty() || m_sink(m_text);
        m_text.clear();
        return ok;
    }

private:
    const Sink &m_sink;
    QString m_text;
};

} // namespace

bool writeCsv(const ResultsModel &model, bool withStatuses, const Sink &sink)
{
    QStringList header = headerFields(model);
    if (withStatuses) {
        for (int engine = 1; engine <= model.engineCount(); ++engine)
            header.append(model.engines().at(engine).header + QStringLiteral(" Status"));
    }
    Chunks out(sink);
    if (!out.add(csvRecord(header)))
        return false;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList fields = rowFields(model, row, true);
        if (withStatuses) {
            for (int engine = 1; engine <= model.engineCount(); ++engine)
                fields.append(scan::statusWord(model.report(row, engine).status));
        }
        if (!out.add(csvRecord(fields)))
            return false;
    }
    return out.flush();
}

QString toCsv(const ResultsModel &model, bool withStatuses)
{
    QString text;
    writeCsv(model, withStatuses, [&text](const QString &chunk) {
        text += chunk;
        return true;
    });
    return text;
}

bool writeText(const ResultsModel &model, const Sink &sink)
{
    // Two passes over the table: the columns' widths, then the lines; no copy of the table is made.
    const QStringList header = headerFields(model);
    auto field = [&model](int row, int column) {
        return printable(column < model.cellColumns() ? model.cell(row, column)
                                                      : profileText(int(model.profile(row))));
    };
    QList<qsizetype> widths(header.size(), 0);
    for (qsizetype c = 0; c < header.size(); ++c)
        widths[c] = printable(header.at(c)).size();
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int c = 0; c < int(header.size()); ++c)
            widths[c] = qMax(widths[c], field(row, c).size());
    }
    auto line = [&](const QStringList &cells) {
        QString text;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (c > 0)
                text += QStringLiteral("  ");
            const bool number = c >= 1 && c < model.cellColumns();
            text += number ? cells.at(c).rightJustified(widths[c]) : cells.at(c).leftJustified(widths[c]);
        }
        return text.trimmed() + u'\n';
    };
    Chunks out(sink);
    QStringList headerCells;
    for (const QString &h : header)
        headerCells.append(printable(h));
    if (!out.add(line(headerCells)))
        return false;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        cells.reserve(header.size());
        for (int c = 0; c < int(header.size()); ++c)
            cells.append(field(row, c));
        if (!out.add(line(cells)))
            return false;
    }
    return out.flush();
}

QString toText(const ResultsModel &model)
{
    QString text;
    writeText(model, [&text](const QString &chunk) {
        text += chunk;
        return true;
    });
    return text;
}

} // namespace resultsExport
