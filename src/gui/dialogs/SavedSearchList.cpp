#include "gui/dialogs/SavedSearchList.h"

#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "gui/common/Prompts.h"

#include <QComboBox>

void listSavedSearches(QComboBox *combo, QWidget *dialog)
{
    combo->clear();
    combo->addItems(saved::listSearches(programFolder::savedFolder()));
    combo->setCurrentIndex(-1);
    if (combo->count() == 0)
        prompts::information(dialog, QStringLiteral("Information"),
                             QStringLiteral("You currently do not have any saved searches"));
}
