#pragma once

class QWidget;

// Every window opens inside the available area of its screen and at most as large: a window designed (or
// remembered) larger than the screen is made smaller, one placed partly off it is moved in. Installed once
// for the whole program; each window is fitted whenever it is shown.
namespace screenFit {

void install();
// Fits one window now (its size, its minimum size when that is larger than the screen, its place).
void fit(QWidget *window);

} // namespace screenFit
