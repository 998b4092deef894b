#pragma once

#include <QWebEngineView>

// The program's browser control: a web view that keeps every page in itself. A link or script that asks for
// a new window (target="_blank", window.open) opens in the same view.
class BrowserView : public QWebEngineView
{
    Q_OBJECT

public:
    explicit BrowserView(QWidget *parent = nullptr);

protected:
    QWebEngineView *createWindow(QWebEnginePage::WebWindowType type) override;
};
