#pragma once

#include "core/scan/ResultsModel.h"

// The results table as the window shows it: the core model with the profile icon on each row.
class ResultsTableModel : public scan::ResultsModel
{
    Q_OBJECT

public:
    using scan::ResultsModel::ResultsModel;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};
