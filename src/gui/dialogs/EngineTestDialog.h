#pragma once

#include "core/engines/EngineProbe.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace scan {
class KeptPages;
}

// "Test Engine": one definition, as the Engines page holds it now, tried on a page: fetched for a URL through
// that engine, a kept page of the last scan, or a file. Shows the status, the count and the check text, and
// the page with the count markers (or the expression's match), the count, the check markers and the check
// text marked in colours.
class EngineTestDialog : public QDialog
{
    Q_OBJECT

public:
    EngineTestDialog(const engines::Definition &definition, const QString &address,
                     const scan::KeptPages *kept, QWidget *parent = nullptr);

    const engines::ProbeResult &result() const { return m_result; }
    QLineEdit *urlBox() const { return m_url; }
    QPlainTextEdit *pageView() const { return m_page; }
    bool isFetching() const { return m_probe->isRunning(); }

public slots:
    void cmdTestFetch_Click();
    void cmdTestFile_Click();
    void cmdTestKept_Click();
    // Shows what a test gave.
    void showResult(const engines::ProbeResult &result);

signals:
    void tested();

private:
    engines::Definition m_definition;
    QString m_address;
    const scan::KeptPages *m_kept;
    engines::EngineProbe *m_probe;
    engines::ProbeResult m_result;
    QLineEdit *m_url;
    QComboBox *m_keptBox;
    QLabel *m_status;
    QLabel *m_count;
    QLabel *m_check;
    QPlainTextEdit *m_request; // what is sent
    QPlainTextEdit *m_page;
};
