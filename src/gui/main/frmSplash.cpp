#include "gui/main/frmSplash.h"

#include "gui/common/Twips.h"
#include "gui/main/ProfileIcons.h"
#include "gui/skin/modSkin.h"
#include "gui/web/frmWebsite.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "vantory_version.h"

frmSplash::frmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(twips::px(7170), twips::px(4770));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_timer->setObjectName(QStringLiteral("Timer2"));
    m_timer->setInterval(2);
    connect(m_timer, &QTimer::timeout, this, &frmSplash::Timer2_Timer);
}

void frmSplash::start()
{
    frmWebsite::setMainWindowClosed(false);
    modSkin::startSkin(this);
    m_counter = 0;
    show();
    m_timer->start();
}

void frmSplash::Timer2_Timer()
{
    m_counter += 2;
    if (m_counter == 150) {
        m_timer->stop();
        emit showMainWindow();
        hide();
    }
}

void frmSplash::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, height());
    ground.setColorAt(0, QColor(24, 52, 86));
    ground.setColorAt(1, QColor(12, 26, 44));
    p.fillRect(rect(), ground);
    // Three rising bars: the low, medium and high profiles.
    const QColor bars[3] = {QColor(214, 48, 49), QColor(240, 196, 25), QColor(46, 160, 67)};
    for (int i = 0; i < 3; ++i) {
        const int h = 40 + i * 35;
        p.setPen(Qt::NoPen);
        p.setBrush(bars[i]);
        p.drawRoundedRect(QRectF(40 + i * 34, 200 - h, 26, h), 5, 5);
    }
    p.setPen(Qt::white);
    QFont title(QStringLiteral("Verdana"), 30, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(160, 70, width() - 170, 60), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral(VANTORY_PRODUCT_NAME));
    QFont small(QStringLiteral("Verdana"), 10);
    p.setFont(small);
    p.setPen(QColor(200, 215, 235));
    p.drawText(QRect(162, 130, width() - 170, 24), Qt::AlignLeft,
               QStringLiteral("Link popularity, measured"));
    p.drawText(QRect(20, height() - 40, width() - 40, 24), Qt::AlignLeft,
               // The version as the About window gives it: major and minor.
               QStringLiteral("Version %1.%2  \u00b7  " VANTORY_COMPANY_NAME)
                   .arg(VANTORY_VERSION_MAJOR)
                   .arg(VANTORY_VERSION_MINOR));
}
