#pragma once

#include <QLabel>

#include <optional>
#include <utility>

// A status-bar panel: one line of text, cut with "..." when it is wider than the panel, the whole text in
// the tooltip. Its size never depends on its text, so a long URL cannot widen the window.
class StatusPanel : public QLabel
{
    Q_OBJECT

public:
    explicit StatusPanel(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

    // The text as shown (elided to the panel's width).
    QString shownText() const;

    // The link under the pointer shows while the pointer is on it (url empty: it left); what the panel held
    // before comes back then. While busy (a scan runs) nothing is replaced.
    void showHover(const QString &url, bool busy);
    // Forgets what a hover would give back.
    void dropHover() { m_hoverRestore.reset(); }

public slots:
    void setStatusText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<std::pair<QString, QString>> m_hoverRestore; // the text and tooltip under a hover
};
