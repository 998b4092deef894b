#pragma once

#include <QWidget>

class QTimer;

// The splash window: borderless and centred, it shows the product's picture while the timer Timer2 counts;
// on its 75th tick (counter 150) it asks for the main window and hides itself.
class frmSplash : public QWidget
{
    Q_OBJECT

public:
    explicit frmSplash(QWidget *parent = nullptr);
    void start();
    int counter() const { return m_counter; }

signals:
    void showMainWindow();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Timer2_Timer();

    QTimer *m_timer;
    int m_counter = 0;
};
