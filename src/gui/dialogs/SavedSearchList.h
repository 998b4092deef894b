#pragma once

class QComboBox;
class QWidget;

// Fills a dialog's drop-down box with the saved searches, nothing chosen; says so when there is none.
void listSavedSearches(QComboBox *combo, QWidget *dialog);
