#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class StatusPanel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QWebEngineView;

// The stand-alone browser window: opens the product's website; its caption follows the page's title.
class frmWebsite : public QWidget
{
    Q_OBJECT

public:
    explicit frmWebsite(QWidget *parent = nullptr);
    ~frmWebsite() override;

    // The load steps: caption, top-most while the first page loads, the skin, the website.
    void load();
    void setMode(const QString &mode) { m_mode = mode; }
    QString mode() const { return m_mode; }
    QWebEngineView *browser() const { return m_browser; }

    // Set by the main window when it closes while this window is open: closing this one then ends the
    // program.
    static void setMainWindowClosed(bool closed);
    static bool mainWindowClosed();

public slots:
    void Command3_Click(); // "Go"
    void ArrangeControls();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QGroupBox *m_frame;
    QLineEdit *m_address;
    QPushButton *m_go;
    QWebEngineView *m_browser;
    QStatusBar *m_status;
    StatusPanel *m_panel1;
    StatusPanel *m_panel2;
    QString m_mode;
};

// Navigation shared by both browsers: an address the browser cannot take (an empty one) is left alone.
void navigate(QWebEngineView *browser, const QString &address);
