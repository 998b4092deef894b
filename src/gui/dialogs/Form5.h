#pragma once

#include "core/saved/SavedSearch.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Save Search Results": saves the chosen results row as a new saved search ("Save") or into an existing one
// ("Ok"). The dialog stays open, with a message, until a save has been written or the user cancels.
class Form5 : public QDialog
{
    Q_OBJECT

public:
    Form5(const saved::SaveRow &row, QWidget *parent = nullptr);

    // Lists the saved searches; says so when there is none. Called when the dialog opens.
    void load();
    QString savedFile() const { return m_savedFile; } // the file written by the last successful save
    // A line under the frames, naming the engines whose cells have no count ("" hides it).
    void setNote(const QString &note);

public slots:
    void Command3_Click(); // "Save": create new save file
    void Command1_Click(); // "Ok": append
    void Command2_Click(); // "Cancel"

private:
    saved::SaveRow m_row;
    QString m_savedFile;
    QLineEdit *m_name;  // Text1
    QComboBox *m_combo; // Combo1
    QLabel *m_note = nullptr;
    QGroupBox *m_create = nullptr; // Frame1 "Create New Save File"
    QGroupBox *m_append = nullptr; // Frame2 "Save Into An Old Search Result"
};
