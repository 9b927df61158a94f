#pragma once

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
// window's current ones. The position is kept on the primary screen:
// Left < 0 -> 0, Left > screen width - 100 -> screen width - 200, the same
// for Top with the height.
void LoadPlacement(QWidget* window, bool readVisible, bool readSize);

// Writes all six values: the bounds the window has now (also when it is
// maximized), its visibility and its state.
void SavePlacement(QWidget* window);

}  // namespace blowden
