#pragma once

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class QWebEngineView;

// Frame4 "Results - Website View": the web-result log ListView2, the address box Text1 with "Go", the
// navigation buttons and the browser area WebBrowser1.
class WebsiteViewFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit WebsiteViewFrame(QWidget *parent = nullptr);

    QTreeView *log;          // ListView2
    QLabel *urlLabel;        // Label5
    QLineEdit *address;      // Text1
    QPushButton *go;         // Command10
    QPushButton *back;       // Command8
    QPushButton *forward;    // Command9
    QPushButton *stop;       // Command11
    QPushButton *refresh;    // Command70
    QWebEngineView *browser; // WebBrowser1
};
