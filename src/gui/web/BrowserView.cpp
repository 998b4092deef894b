#include "gui/web/BrowserView.h"

BrowserView::BrowserView(QWidget *parent) : QWebEngineView(parent) {}

QWebEngineView *BrowserView::createWindow(QWebEnginePage::WebWindowType)
{
    return this;
}
