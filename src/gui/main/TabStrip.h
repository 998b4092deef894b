#pragma once

#include <QWidget>

class QTabBar;

// TabStrip1: the tabs "Data View", "Chart View" and "Website View" over a framed area on which the view
// frames stand.
class TabStrip : public QWidget
{
    Q_OBJECT

public:
    explicit TabStrip(QWidget *parent = nullptr);
    QTabBar *bar() const { return m_bar; }
    int selectedTab() const; // 1-based

signals:
    void tabClicked(int tab); // 1-based

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QTabBar *m_bar;
};
