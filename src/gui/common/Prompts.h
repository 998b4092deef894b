#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

// Every modal question, message, input box and file dialog of the program goes through here, so that a test
// can queue the answers and never waits on a dialog. Without queued answers the real dialogs show.
namespace prompts {

// Yes/No question, No preselected; true for Yes. A question whose Yes loses something (a list, results, a
// file, an import) shows the warning icon, any other the question icon.
enum class Stakes
{
    None,
    Loss
};
bool askYesNo(QWidget *parent, const QString &title, const QString &text, Stakes stakes = Stakes::Loss);
void information(QWidget *parent, const QString &title, const QString &text);
void warning(QWidget *parent, const QString &title, const QString &text);

// The input box; a null string when cancelled.
QString inputText(QWidget *parent, const QString &title, const QString &prompt, const QString &defaultText);

// File dialogs; empty when cancelled. filter uses Qt's "Text Files (*.txt *.TXT);;All Files (*)" form.
QString openFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter);
// chosenFilter, when given, receives the filter the user left selected (in test mode the first one, which the
// dialog opens on).
QString saveFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter,
                 QString *chosenFilter = nullptr);

// The file a name typed into a save dialog stands for: the name as typed when it already ends in one of the
// filter's extensions (any case), else the name with the extension of the filter left selected.
QString withExtension(const QString &typed, const QString &filter, const QString &chosenFilter);

// Test support. In test mode no dialog ever shows: messages are only recorded, and a question without a
// queued answer is answered No (or cancel).
void setTestMode(bool on);
// Answers handed out in order, and a record of what was shown.
void queueYesNo(bool yes);
void queueText(const QString &text); // a null QString answers "cancel"
void queueFile(const QString &path); // an empty string answers "cancel"
// "title|text" of every message and question shown (or answered from the queue) since the last call.
QStringList takeShown();
void reset();

} // namespace prompts
