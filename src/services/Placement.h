#pragma once

#include <QRect>

class QWidget;

namespace blowden {

// Window placement in the settings store, section = the window's
// objectName, values "Left", "Top", "Width", "Height", "Visible" and
// "WinState" (0 normal, 1 minimized, 2 maximized).
//
// Left/Top are the window's outer position (QWidget::pos(), which includes
// the frame and is what move() restores); Width/Height are its size without
// the frame (QWidget::size(), what resize() restores), so that saving and
// loading round-trips without the window growing by its frame each time.

// Restores the values present in the store; missing values keep the
// window's current ones. The window is then kept inside the available area
// of its screen (FitOnScreen): a size saved on a larger screen, or at a
// smaller scale factor, shrinks to the screen, and a position off it moves
// the window back onto it.
void LoadPlacement(QWidget* window, bool readVisible, bool readSize);

// The window bounds `window` (its frame included) moved and, where it is
// larger, shrunk to lie inside `available`, never smaller than `minimum`
// (then its top left corner is inside).
//   (1500, 900, 800 x 600) in (0, 0, 1600 x 1000) -> (800, 400, 800 x 600)
//   (0, 0, 2800 x 1800) in (0, 0, 800 x 500)       -> (0, 0, 800 x 500)
QRect FitInside(const QRect& window, const QRect& available, const QSize& minimum = QSize());

// Keeps a window inside the available area of its screen (the primary
// screen before it is shown): its size at most the area's, less its frame,
// and its position such that all of it is on the screen.
void FitOnScreen(QWidget* window);

// Writes all six values: the bounds the window has now (also when it is
// maximized), its visibility and its state.
void SavePlacement(QWidget* window);

}  // namespace blowden
