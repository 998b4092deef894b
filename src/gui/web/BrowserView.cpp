#include "gui/web/BrowserView.h"

#include "gui/common/FrameLimiter.h"

BrowserView::BrowserView(QWidget *parent) : QWebEngineView(parent)
{
    // The browser makes its window be composed as a whole on every paint.
    FrameLimiter::limit(this);
}

QWebEngineView *BrowserView::createWindow(QWebEnginePage::WebWindowType)
{
    return this;
}
