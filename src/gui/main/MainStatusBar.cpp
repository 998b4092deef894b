#include "gui/main/MainStatusBar.h"

#include "gui/common/Twips.h"
#include "gui/main/StatusPanel.h"

#include <QDateTime>
#include <QLocale>
#include <QTimer>

using twips::px;

MainStatusBar::MainStatusBar(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(true);
    const std::array<int, 4> widths{0, px(2400), px(1400), px(1500)};
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        m_panels[i] = new StatusPanel(this);
        m_panels[i]->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i + 1));
        m_panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (widths[i] > 0) {
            m_panels[i]->setFixedWidth(widths[i]);
            m_panels[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        }
        addWidget(m_panels[i], i == 0 ? 1 : 0);
    }
    tick();
    auto *clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &MainStatusBar::tick);
    clock->start(1000);
}

void MainStatusBar::tick()
{
    const QDateTime now = QDateTime::currentDateTime();
    m_panels[2]->setText(QLocale().toString(now.time(), QLocale::ShortFormat));
    m_panels[3]->setText(QLocale().toString(now.date(), QLocale::ShortFormat));
}
