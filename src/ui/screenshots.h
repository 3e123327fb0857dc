// A hidden switch of the desktop program for scripts/screenshot:
//   quillon --screenshots DIR FILE
// opens FILE on the container tab with the full check, then shows each tab in
// turn and saves a picture of the main window there (DIR/1-container.png,
// 2-contents.png ...), and quits.
#pragma once

#include <QStringList>

#include "ui/app_windows.h"

namespace quillon::ui {

// Queues the run when `arguments` ask for it; false when they do not.
bool StartScreenshots(AppWindows& windows, const QStringList& arguments);

}  // namespace quillon::ui
