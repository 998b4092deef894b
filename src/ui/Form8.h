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

private:
    QTextBrowser *m_text; // rtf1
    QCheckBox *m_check;   // Check1
};
