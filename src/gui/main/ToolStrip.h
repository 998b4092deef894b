#pragma once

#include <QWidget>

class QPushButton;

// Picture1, the tool strip across the top of the main window: Start, Stop, Options, Web Graph and Visit.
class ToolStrip : public QWidget
{
    Q_OBJECT

public:
    explicit ToolStrip(QWidget *parent = nullptr);

    // Start reads "Searching..." and is disabled while a scan runs, Stop the other way round.
    void setRunning(bool running);
    // True while Start reads "Start": no scan runs (the results table sorts on a header click only then).
    bool idle() const;
    // The "Visit" button's address.
    void setWebsite(const QString &address);
    // Widens the "Visit" button to the strip's width.
    void fitTo(int width);

signals:
    void startRequested();
    void stopRequested();
    void optionsRequested();
    void visitRequested();
    void webGraphRequested();

private:
    QPushButton *m_start;   // Command1
    QPushButton *m_stop;    // Command2
    QPushButton *m_options; // Command6
    QPushButton *m_visit;   // Command3
    QPushButton *m_webGraph;
};
