// A control that refuses its input flashes light red a few times, so the
// eye finds which box wants a value.
#pragma once

class QWidget;

namespace quillon::ui {

// Returns after the flashes (about half a second, events pumped meanwhile).
void BlinkControl(QWidget* control);

}  // namespace quillon::ui
