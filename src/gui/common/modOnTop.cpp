#include "gui/common/modOnTop.h"

#include <QWidget>

namespace modOnTop {

void SetTopMost(QWidget *window, bool onTop)
{
    if (!window || isTopMost(window) == onTop)
        return;
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible)
        window->show(); // changing the flags hides a window
}

bool isTopMost(const QWidget *window)
{
    return window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace modOnTop
