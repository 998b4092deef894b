#pragma once

#include <QLabel>

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

public slots:
    void setStatusText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
};
