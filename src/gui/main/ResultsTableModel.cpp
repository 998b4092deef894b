#include "gui/main/ResultsTableModel.h"

#include "gui/main/ProfileIcons.h"

#include <QBrush>
#include <QColor>

QVariant ResultsTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return scan::ResultsModel::data(index, role);
    const int row = index.row();
    const int column = index.column();
    const bool reported = rowReported(row);
    if (column == 0) {
        // A row for which no engine answered with a count shows that it has no profile, not a low one.
        if (role == Qt::DecorationRole)
            return hasNoCount(row) ? profileIcons::unknownIcon() : profileIcons::icon(int(profile(row)));
        if (role == Qt::ToolTipRole && hasNoCount(row))
            return QStringLiteral(
                "No engine answered with a count: the total and the profile are not known.");
    }
    if (column == changeColumn() && role == Qt::ForegroundRole && !alert(row).isEmpty())
        return QBrush(QColor(0xc0, 0, 0)); // an alert of the last update
    if (column >= 2 && column < cellColumns() && reported) {
        const scan::CellReport report = this->report(row, column - 1);
        if (role == Qt::DecorationRole && !report.hasCount())
            return profileIcons::warningIcon();
        if (role == Qt::ToolTipRole)
            return report.detail;
    }
    return scan::ResultsModel::data(index, role);
}
