#include "ui/ResultsTableModel.h"

#include "ui/ProfileIcons.h"

QVariant ResultsTableModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DecorationRole && index.isValid() && index.column() == 0)
        return profileIcons::icon(int(profile(index.row())));
    return scan::ResultsModel::data(index, role);
}
