#pragma once

class QWidget;

namespace modOnTop {

// Keeps the window above all others (onTop) or returns it to the normal order.
void SetTopMost(QWidget *window, bool onTop);
bool isTopMost(const QWidget *window);

} // namespace modOnTop
