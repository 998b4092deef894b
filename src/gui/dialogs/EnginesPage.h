#pragma once

#include "core/engines/EngineDefinition.h"

#include <QHash>
#include <QList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace scan {
class KeptPages;
}

// The Options dialog's "Engines" page: the definitions of engines.ini, to add, remove, reorder, enable and
// edit, each with its query address of settings.ini, and a Test of the definition as it stands on the page.
class EnginesPage : public QWidget
{
    Q_OBJECT

public:
    explicit EnginesPage(QWidget *parent = nullptr);

    // The definitions to edit and the settings.ini to read their addresses from.
    void load(const QList<engines::Definition> &definitions, const QString &settingsIni);
    QList<engines::Definition> definitions() const { return m_definitions; }
    // The query address typed for each engine, by key.
    QHash<QString, QString> addresses() const;
    void setAddress(const QString &key, const QString &address);
    // True when the definitions differ from the loaded ones.
    bool changed() const;
    // Why an engine cannot be used ("Teoma: empty count markers"), one per engine; empty when all can.
    QStringList problems() const;
    // The pages of the last scan, for the Test window.
    void setKeptPages(const scan::KeptPages *kept) { m_kept = kept; }

    QListWidget *list() const { return m_list; }
    QLabel *problemLabel() const { return m_problem; }
    int current() const { return m_current; }
    void select(int index);
    // A field of the editor by its objectName ("txtCountBefore").
    QLineEdit *field(const QString &name) const;

public slots:
    void cmdEngineAdd_Click();
    void cmdEngineRemove_Click();
    void cmdEngineMove_Click(int by);
    void cmdEngineTest_Click();

signals:
    void addressEdited(const QString &key, const QString &address);

private:
    void showCurrent();
    void showState();
    void takeEdits();
    void refreshItem(int index);
    QString problemOf(int index) const;

    QList<engines::Definition> m_definitions;
    QByteArray m_loaded;     // the definitions as loaded, as file text
    QStringList m_addresses; // one per definition
    const scan::KeptPages *m_kept = nullptr;
    int m_current = -1;
    bool m_showing = false;

    QListWidget *m_list;
    QLabel *m_problem;
    QComboBox *m_kind;
    QComboBox *m_spaces;
    QCheckBox *m_replaceQuotes;
    QCheckBox *m_keepSeparators;
    QPlainTextEdit *m_countRemove;
    QPlainTextEdit *m_checkRemove;
    QPlainTextEdit *m_headers;
    QComboBox *m_method;    // GET or POST
    QPlainTextEdit *m_body; // a POST's body template
    QSpinBox *m_batch;      // targets a request
    QList<QLineEdit *> m_fields;
    QWidget *m_editor;
};
