// Message windows open centred over the window that asks, or on the screen.
#pragma once

class QWidget;

namespace quillon::ui {

// Moves `window` so that its centre is the centre of `owner`'s window (halves
// rounded toward zero), or of the primary screen when there is no owner.
void CentreOver(QWidget* window, QWidget* owner);

}  // namespace quillon::ui
