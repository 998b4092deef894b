#pragma once

#include <QStatusBar>

#include <array>

class StatusPanel;

// StatusBar1 of the main window: panel 1 for the scan's and the chart's messages, panel 2 under the progress
// bar, panel 3 the time and panel 4 the date, both kept current.
class MainStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit MainStatusBar(QWidget *parent = nullptr);

    // Panels 1 to 4 as indexes 0 to 3 (objectNames "StatusBar1Panel1" to "StatusBar1Panel4").
    const std::array<StatusPanel *, 4> &panels() const { return m_panels; }

private:
    void tick();
    std::array<StatusPanel *, 4> m_panels{};
};
