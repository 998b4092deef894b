#include "gui/web/WebsiteViewFrame.h"

#include "gui/common/Twips.h"
#include "gui/main/ReportView.h"
#include "gui/web/BrowserView.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdlib>

using twips::box;

WebsiteViewFrame::WebsiteViewFrame(QWidget *parent)
    : QGroupBox(QStringLiteral("Results - Website View"), parent), m_log(new ReportView(this)),
      m_urlLabel(new QLabel(QStringLiteral("URL:"), this)), m_address(new QLineEdit(this)),
      m_go(new QPushButton(QStringLiteral("Go"), this)),
      m_back(new QPushButton(QStringLiteral("Back"), this)),
      m_forward(new QPushButton(QStringLiteral("Forward"), this)),
      m_stop(new QPushButton(QStringLiteral("Stop"), this)),
      m_refresh(new QPushButton(QStringLiteral("Refresh"), this)), m_browser(new BrowserView(this)),
      m_grip(new QWidget(this)), m_logHeight(twips::px(1875))
{
    m_grip->setObjectName(QStringLiteral("splLog"));
    m_grip->setCursor(Qt::SplitVCursor);
    m_grip->setToolTip(QStringLiteral("Drag to give the log or the browser more room"));
    m_grip->installEventFilter(this);
    setObjectName(QStringLiteral("Frame4"));
    m_log->setObjectName(QStringLiteral("ListView2"));
    m_urlLabel->setObjectName(QStringLiteral("Label5"));
    m_address->setObjectName(QStringLiteral("Text1"));
    m_go->setObjectName(QStringLiteral("Command10"));
    m_back->setObjectName(QStringLiteral("Command8"));
    m_forward->setObjectName(QStringLiteral("Command9"));
    m_stop->setObjectName(QStringLiteral("Command11"));
    m_refresh->setObjectName(QStringLiteral("Command70"));
    m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    m_go->setToolTip(QStringLiteral("browse the entered url"));
    m_stop->setToolTip(QStringLiteral("stop"));
    m_back->setToolTip(QStringLiteral("back"));
    m_forward->setToolTip(QStringLiteral("forward"));
    m_refresh->setToolTip(QStringLiteral("refresh"));
    m_log->setGeometry(box(60, 240, 9000, 1875));
    m_urlLabel->setGeometry(box(120, 2220, 1215, 255));
    m_address->setGeometry(box(600, 2160, 6000, 315));
    m_go->setGeometry(box(6700, 2160, 795, 315));
    m_back->setGeometry(box(600, 2520, 915, 435));
    m_forward->setGeometry(box(1560, 2520, 915, 435));
    m_stop->setGeometry(box(2520, 2520, 915, 435));
    m_refresh->setGeometry(box(3480, 2520, 915, 435));
    m_browser->setGeometry(box(60, 3000, 9000, 4000));

    connect(m_back, &QPushButton::clicked, m_browser, &QWebEngineView::back);
    connect(m_forward, &QPushButton::clicked, m_browser, &QWebEngineView::forward);
    connect(m_stop, &QPushButton::clicked, m_browser, &QWebEngineView::stop);
    connect(m_refresh, &QPushButton::clicked, m_browser, &QWebEngineView::reload);
    connect(m_go, &QPushButton::clicked, this, &WebsiteViewFrame::goRequested);
    connect(m_address, &QLineEdit::returnPressed, this, &WebsiteViewFrame::goRequested);
    connect(m_log, &QTreeView::clicked, this,
            [this](const QModelIndex &index) { emit logRowChosen(index.row()); });
    connect(m_log->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { emit logColumnClicked(section + 1); });
    m_log->installEventFilter(this);
    m_log->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_log, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const QModelIndex index = m_log->indexAt(pos);
        if (!index.isValid())
            return;
        m_log->setCurrentIndex(index);
        emit logMenuRequested(index.row(), m_log->viewport()->mapToGlobal(pos));
    });
    // The browser's page (the web engine's start, the slowest part of the window's) is made when the browser
    // is first asked for or shown, which is after the window's first paint.
    m_browser->installEventFilter(this);
    connect(m_browser, &QWebEngineView::loadStarted, this,
            [this] { emit loadStarted(m_browser->url().toString()); });
    connect(m_browser, &QWebEngineView::loadFinished, this, [this] {
        m_address->setText(m_browser->url().toString());
        m_address->setCursorPosition(0);
        emit loadFinished();
    });
}

void WebsiteViewFrame::showLog(QAbstractItemModel *model)
{
    m_log->setModel(model);
    // The keyboard opens log rows too: moving the selection (not a click, which says so itself).
    connect(m_log->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (!m_selecting && QGuiApplication::mouseButtons() == Qt::NoButton && current.isValid())
                    emit logRowChosen(current.row());
            });
}

int WebsiteViewFrame::selectedLogRow() const
{
    const QModelIndexList rows =
        m_log->selectionModel() ? m_log->selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void WebsiteViewFrame::selectLogRow(int row)
{
    const QModelIndex index = m_log->model()->index(row, 0);
    m_selecting = true;
    m_log->selectionModel()->setCurrentIndex(index,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_selecting = false;
    m_log->scrollToTop();
    m_log->scrollTo(index, QAbstractItemView::PositionAtTop);
}

QString WebsiteViewFrame::address() const
{
    return m_address->text();
}

void WebsiteViewFrame::fitTo(int width, int height)
{
    using twips::px;
    // The log takes its height, within what leaves the browser some room; the address row, the buttons and
    // the browser follow below it at their designed distances.
    const int logTop = px(240);
    const int most = std::max(px(600), height - logTop - px(885) - px(900));
    const int logHeight = std::clamp(m_logHeight, px(600), most);
    m_log->setGeometry(m_log->x(), logTop, std::abs(width - 2 * m_log->x()), logHeight);
    const int below = logTop + logHeight; // 2115 twips as designed
    m_grip->setGeometry(m_log->x(), below, m_log->width(), px(45));
    m_urlLabel->move(m_urlLabel->x(), below + px(105));
    m_address->move(m_address->x(), below + px(45));
    m_go->move(m_go->x(), below + px(45));
    for (QPushButton *button : {m_back, m_forward, m_stop, m_refresh})
        button->move(button->x(), below + px(405));
    m_browser->setGeometry(m_browser->x(), below + px(885), m_log->width(),
                           std::abs(height - below - px(885) - px(100)));
    m_address->resize(std::abs(width - m_address->x() - px(300) - m_go->width()), m_address->height());
    m_go->move(m_address->x() + m_address->width() + px(100), m_go->y());
}

void WebsiteViewFrame::setLogHeight(int height)
{
    m_logHeight = std::max(twips::px(600), height);
    fitTo(width(), this->height());
}

QWebEngineView *WebsiteViewFrame::browser() const
{
    if (!m_pageMade) {
        m_pageMade = true;
        connect(m_browser->page(), &QWebEnginePage::linkHovered, this, &WebsiteViewFrame::linkHovered);
    }
    return m_browser;
}

bool WebsiteViewFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_browser && event->type() == QEvent::Show)
        browser();
    if (watched == m_grip) {
        // The pointer's height in the frame, for the mouse's events only.
        const auto at = [this, event] {
            return int(m_grip->mapToParent(static_cast<QMouseEvent *>(event)->position()).y());
        };
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
                m_dragFrom = at();
                m_dragHeight = m_log->height();
            }
            return true;
        case QEvent::MouseMove:
            if (m_dragFrom >= 0)
                setLogHeight(m_dragHeight + at() - m_dragFrom);
            return true;
        case QEvent::MouseButtonRelease:
            m_dragFrom = -1;
            m_logHeight = m_log->height(); // what the window allowed is what is kept
            return true;
        default:
            break;
        }
    }
    if (watched == m_log && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && selectedLogRow() >= 0) {
            emit logRowChosen(selectedLogRow());
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}
