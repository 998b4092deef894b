#pragma once

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

// The Options dialog's "Updates" page: when an update raises an alert, the proxies the engines are asked
// through (for all engines, and an engine's own), and where web graph releases are read from.
class UpdatesPage : public QWidget
{
    Q_OBJECT

public:
    explicit UpdatesPage(QWidget *parent = nullptr);

    // Fills the page from the settings store, with a line for each engine key given.
    void load(const QStringList &engineKeys);
    // Why the page cannot be saved (a proxy that is none), or empty.
    QString problem() const;
    // Writes the page into the settings store.
    // False when the settings store could not be written.
    bool save() const;

    QSpinBox *dropBox() const { return m_drop; }
    QSpinBox *failuresBox() const { return m_failures; }
    QLineEdit *proxiesBox() const { return m_proxies; }
    QPlainTextEdit *engineProxiesBox() const { return m_engineProxies; }
    QLineEdit *graphSourceBox() const { return m_graphSource; }

private:
    QSpinBox *m_drop;
    QSpinBox *m_failures;
    QLineEdit *m_proxies;
    QPlainTextEdit *m_engineProxies;
    QLineEdit *m_graphSource;
    QStringList m_keys;
};
