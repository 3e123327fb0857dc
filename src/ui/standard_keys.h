// The keys every desktop program answers: Ctrl+O opens a file, Ctrl+S saves,
// Ctrl+Q quits, F1 shows the README, Esc closes a secondary window.
#pragma once

#include "ui/app_windows.h"

namespace quillon::ui {

void AddStandardKeys(AppWindows& windows);

}  // namespace quillon::ui
