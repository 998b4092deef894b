#pragma once

#include <QWidget>

class QPushButton;

// Picture1, the tool strip across the top of the main window: Start, Stop, Options and Visit.
class ToolStrip : public QWidget
{
    Q_OBJECT

public:
    explicit ToolStrip(QWidget *parent = nullptr);

    QPushButton *start;   // Command1
    QPushButton *stop;    // Command2
    QPushButton *options; // Command6
    QPushButton *visit;   // Command3
};
