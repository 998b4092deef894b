#include "cli/ResultsTable.h"

#include "scan/EngineTable.h"
#include "scan/ResultsModel.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <QStringList>

namespace cliOutput {

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

QStringList rowFields(const ResultsModel &model, int row)
{
    QStringList fields;
    for (int c = 0; c < ResultsModel::ColumnCount; ++c)
        fields.append(model.cell(row, c));
    fields.append(profileText(int(model.profile(row))));
    return fields;
}

QStringList headerFields()
{
    QStringList fields;
    for (int c = 0; c < ResultsModel::ColumnCount; ++c)
        fields.append(ResultsModel::columnCaption(c));
    fields.append(QStringLiteral("Profile"));
    return fields;
}

} // namespace

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

QString toJson(const ResultsModel &model, const QList<QJsonObject> &engines)
{
    QJsonArray rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QJsonArray cells;
        for (int engine = 1; engine <= scan::EngineCount; ++engine) {
            const scan::CellReport report = model.report(row, engine);
            cells.append(QJsonObject{{QStringLiteral("engine"), scan::engineCaption(engine)},
                                     {QStringLiteral("text"), model.cell(row, engine + 1)},
                                     {QStringLiteral("status"), scan::statusWord(report.status)},
                                     {QStringLiteral("http"), report.http},
                                     {QStringLiteral("bytes"), report.bytes},
                                     {QStringLiteral("ms"), report.ms},
                                     {QStringLiteral("detail"), report.detail}});
        }
        rows.append(QJsonObject{{QStringLiteral("url"), model.cell(row, 0)},
                                {QStringLiteral("total"), model.cell(row, 1).toLongLong()},
                                {QStringLiteral("profile"), rowProfileText(model, row)},
                                {QStringLiteral("cells"), cells}});
    }
    QJsonArray summaries;
    for (const QJsonObject &engine : engines)
        summaries.append(engine);
    const QJsonObject document{{QStringLiteral("rows"), rows}, {QStringLiteral("engines"), summaries}};
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

QString csvHeader()
{
    return headerFields().join(u',');
}

QString toCsv(const ResultsModel &model)
{
    QString out = csvHeader() + QStringLiteral("\r\n");
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList fields = rowFields(model, row);
        for (QString &field : fields)
            field = csvField(field);
        out += fields.join(u',') + QStringLiteral("\r\n");
    }
    return out;
}

QString toText(const ResultsModel &model)
{
    QList<QStringList> lines{headerFields()};
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList fields = rowFields(model, row);
        for (QString &field : fields)
            field = printable(field); // page text never reaches the terminal raw
        lines.append(fields);
    }
    QList<qsizetype> widths(lines.first().size(), 0);
    for (const QStringList &line : lines) {
        for (qsizetype c = 0; c < line.size(); ++c)
            widths[c] = qMax(widths[c], line.at(c).size());
    }
    QString out;
    for (const QStringList &line : lines) {
        QStringList cells;
        for (qsizetype c = 0; c < line.size(); ++c) {
            const bool number = c >= 1 && c < ResultsModel::ColumnCount;
            cells.append(number ? line.at(c).rightJustified(widths[c]) : line.at(c).leftJustified(widths[c]));
        }
        out += cells.join(QStringLiteral("  ")).trimmed() + u'\n';
    }
    return out;
}

} // namespace cliOutput
