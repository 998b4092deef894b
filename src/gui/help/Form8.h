#pragma once

#include <QWidget>

class QCheckBox;
class QTextBrowser;

// "Readme/Help": Help.rtf from the program folder, and "Show at Startup", which mirrors showHelp.
class Form8 : public QWidget
{
    Q_OBJECT

public:
    explicit Form8(QWidget *parent = nullptr);
    // The load steps: the skin, then Help.rtf with the window top-most and the check box from the store;
    // without the file an empty window, not top-most.
    void load();
    QTextBrowser *text() const { return m_text; }

public slots:
    void Check1_Click();

protected:
    // While a dialog of the program is up, the help window gives up its top-most place so that the dialog
    // is in front of it; it takes the place back when the last such dialog has gone.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void dialogGone(QObject *dialog);

    QList<QObject *> m_dialogs; // dialogs shown while the window wanted to be top-most
    bool m_wantsTopMost = false;
    QTextBrowser *m_text; // rtf1
    QCheckBox *m_check;   // Check1
};
