#include "gui/main/TabStrip.h"

#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

TabStrip::TabStrip(QWidget *parent) : QWidget(parent), m_bar(new QTabBar(this))
{
    setObjectName(QStringLiteral("TabStrip1"));
    m_bar->setObjectName(QStringLiteral("TabStrip1Tabs"));
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    // The selected tab's caption is bold and so wider: the bar spans the strip, so that every caption stays
    // whole whichever tab is selected, without scroll buttons.
    m_bar->setUsesScrollButtons(false);
    m_bar->setElideMode(Qt::ElideNone);
    for (const char *caption : {"Data View", "Chart View", "Website View"})
        m_bar->addTab(QString::fromLatin1(caption));
    connect(m_bar, &QTabBar::currentChanged, this, [this](int index) { emit tabClicked(index + 1); });
}

int TabStrip::selectedTab() const
{
    return m_bar->currentIndex() + 1;
}

void TabStrip::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = rect().adjusted(0, m_bar->height() - 1, 0, 0);
    frame.tabBarSize = m_bar->size();
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}

void TabStrip::resizeEvent(QResizeEvent *)
{
    m_bar->setGeometry(0, 0, width(), m_bar->sizeHint().height());
}
