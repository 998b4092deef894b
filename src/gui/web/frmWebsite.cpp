#include "gui/web/frmWebsite.h"

#include "core/program/ProductIdentity.h"
#include "core/program/ProgramEnd.h"
#include "core/scan/WebResults.h"
#include "gui/common/Twips.h"
#include "gui/common/modOnTop.h"
#include "gui/main/StatusPanel.h"
#include "gui/skin/SkinLabel.h"
#include "gui/skin/modSkin.h"
#include "gui/web/BrowserView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QWebEngineView>

using twips::box;
using twips::px;

namespace {
bool &closedFlag()
{
    static bool closed = false;
    return closed;
}
} // namespace

void navigate(QWebEngineView *browser, const QString &address)
{
    const QString trimmed = address.trimmed();
    if (!browser || trimmed.isEmpty())
        return;
    const QUrl url = webResults::browserAddress(trimmed);
    if (url.isValid())
        browser->setUrl(url);
}

void frmWebsite::setMainWindowClosed(bool closed)
{
    closedFlag() = closed;
}

bool frmWebsite::mainWindowClosed()
{
    return closedFlag();
}

frmWebsite::frmWebsite(QWidget *parent)
    : QWidget(parent, Qt::Window), m_frame(new QGroupBox(QStringLiteral("Browser"), this)),
      m_address(new QLineEdit(m_frame)), m_go(new QPushButton(QStringLiteral("Go"), m_frame)),
      m_browser(new BrowserView(m_frame)), m_status(new QStatusBar(this)),
      m_panel1(new StatusPanel(m_status)), m_panel2(new StatusPanel(m_status))
{
    setObjectName(QStringLiteral("frmWebsite"));
    resize(px(12000), px(9000));
    m_frame->setObjectName(QStringLiteral("frmBrowser"));
    auto *label = new QLabel(QStringLiteral("URL:"), m_frame);
    label->setObjectName(QStringLiteral("Label5"));
    label->setGeometry(box(120, 360, 500, 255));
    m_address->setObjectName(QStringLiteral("Text1"));
    m_address->setGeometry(box(600, 300, 6000, 315));
    m_go->setObjectName(QStringLiteral("Command3"));
    m_go->setToolTip(QStringLiteral("browse the entered url"));
    m_go->setGeometry(box(6700, 300, 795, 315));
    const struct
    {
        const char *name, *text, *tip;
    } buttons[4] = {{"Command4", "Back", "back"},
                    {"Command5", "Forward", "forward"},
                    {"Command6", "Stop", "stop"},
                    {"Command7", "Refresh", "refresh"}};
    QList<QPushButton *> navigation;
    for (int i = 0; i < 4; ++i) {
        auto *button = new QPushButton(QString::fromLatin1(buttons[i].text), m_frame);
        button->setObjectName(QString::fromLatin1(buttons[i].name));
        button->setToolTip(QString::fromLatin1(buttons[i].tip));
        button->setGeometry(box(600 + i * 960, 720, 915, 435));
        navigation.append(button);
    }
    m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    m_browser->move(px(60), px(1260));
    m_status->setObjectName(QStringLiteral("StatusBar1"));
    m_panel1->setObjectName(QStringLiteral("StatusBar1Panel1"));
    m_status->addWidget(m_panel1, 1);

    connect(m_go, &QPushButton::clicked, this, &frmWebsite::Command3_Click);
    connect(m_address, &QLineEdit::returnPressed, this, &frmWebsite::Command3_Click);
    connect(navigation.at(0), &QPushButton::clicked, m_browser, &QWebEngineView::back);
    connect(navigation.at(1), &QPushButton::clicked, m_browser, &QWebEngineView::forward);
    connect(navigation.at(2), &QPushButton::clicked, m_browser, &QWebEngineView::stop);
    connect(navigation.at(3), &QPushButton::clicked, m_browser, &QWebEngineView::reload);
    connect(m_browser->page(), &QWebEnginePage::linkHovered, m_panel1, &StatusPanel::setStatusText);
    connect(m_browser, &QWebEngineView::loadFinished, this, [this] {
        m_address->setText(m_browser->url().toString());
        m_address->setCursorPosition(0);
        if (!m_browser->title().isEmpty())
            setWindowTitle(m_browser->title());
    });
}

frmWebsite::~frmWebsite() = default;

void frmWebsite::load()
{
    // Step 2: a second panel.
    m_panel2->setObjectName(QStringLiteral("StatusBar1Panel2"));
    m_status->addWidget(m_panel2, 1);
    setWindowTitle(productIdentity::website());
    modOnTop::SetTopMost(this, true);
    if (modSkin::skinSwitch()) {
        new SkinLabel(QStringLiteral("SkinLabel1"), 0, m_frame);
        modSkin::substituteLabels(this, {{QStringLiteral("SkinLabel1"), m_frame}});
        modSkin::ApplySkin(this);
    }
    navigate(m_browser, productIdentity::website());
    // Top-most only until its navigation has started: the window keeps its place in front, and a window
    // the user brings up later can cover it.
    modOnTop::SetTopMost(this, false);
    ArrangeControls();
}

void frmWebsite::Command3_Click()
{
    navigate(m_browser, m_address->text());
}

void frmWebsite::ArrangeControls()
{
    const int W = width();
    const int H = height();
    const int SH = m_status->sizeHint().height();
    m_status->setGeometry(0, std::max(0, H - SH), W, SH);
    m_panel1->setMinimumWidth(std::max(0, W / 2 - 8));
    m_frame->setGeometry(px(60), 0, std::max(0, W - px(300)), std::max(0, H - SH));
    m_address->resize(std::max(0, m_frame->width() - m_address->x() - px(300) - m_go->width()),
                      m_address->height());
    m_go->move(m_address->x() + m_address->width() + px(100), m_go->y());
    m_browser->resize(std::max(0, m_frame->width() - m_browser->x() - px(100)),
                      std::max(0, m_frame->height() - m_browser->y() - px(100)));
}

void frmWebsite::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ArrangeControls();
}

void frmWebsite::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (mainWindowClosed()) {
        modSkin::stopSkin();
        programEnd::end();
    }
}
