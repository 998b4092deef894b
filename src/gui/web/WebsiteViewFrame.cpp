#include "gui/web/WebsiteViewFrame.h"

#include "gui/common/Twips.h"
#include "gui/main/ReportView.h"
#include "gui/web/BrowserView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QWebEngineView>

using twips::box;

WebsiteViewFrame::WebsiteViewFrame(QWidget *parent)
    : QGroupBox(QStringLiteral("Results - Website View"), parent), log(new ReportView(this)),
      urlLabel(new QLabel(QStringLiteral("URL:"), this)), address(new QLineEdit(this)),
      go(new QPushButton(QStringLiteral("Go"), this)), back(new QPushButton(QStringLiteral("Back"), this)),
      forward(new QPushButton(QStringLiteral("Forward"), this)),
      stop(new QPushButton(QStringLiteral("Stop"), this)),
      refresh(new QPushButton(QStringLiteral("Refresh"), this)), browser(new BrowserView(this))
{
    setObjectName(QStringLiteral("Frame4"));
    log->setObjectName(QStringLiteral("ListView2"));
    urlLabel->setObjectName(QStringLiteral("Label5"));
    address->setObjectName(QStringLiteral("Text1"));
    go->setObjectName(QStringLiteral("Command10"));
    back->setObjectName(QStringLiteral("Command8"));
    forward->setObjectName(QStringLiteral("Command9"));
    stop->setObjectName(QStringLiteral("Command11"));
    refresh->setObjectName(QStringLiteral("Command70"));
    browser->setObjectName(QStringLiteral("WebBrowser1"));
    go->setToolTip(QStringLiteral("browse the entered url"));
    stop->setToolTip(QStringLiteral("stop"));
    back->setToolTip(QStringLiteral("back"));
    forward->setToolTip(QStringLiteral("forward"));
    refresh->setToolTip(QStringLiteral("refresh"));
    log->setGeometry(box(60, 240, 9000, 1875));
    urlLabel->setGeometry(box(120, 2220, 1215, 255));
    address->setGeometry(box(600, 2160, 6000, 315));
    go->setGeometry(box(6700, 2160, 795, 315));
    back->setGeometry(box(600, 2520, 915, 435));
    forward->setGeometry(box(1560, 2520, 915, 435));
    stop->setGeometry(box(2520, 2520, 915, 435));
    refresh->setGeometry(box(3480, 2520, 915, 435));
    browser->setGeometry(box(60, 3000, 9000, 4000));
}
