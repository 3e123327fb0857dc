// A hidden switch of the desktop program for the benchmarks in bench/:
//   quillon --open-full-and-quit FILE [--expand-segment] [--open-again]
// opens FILE on the container tab with the full check, lets the tree and the
// grid paint, optionally expands the Segment's whole branch and opens the file
// once more, and quits; the window's teardown is part of the run.
#pragma once

#include <QStringList>

#include "ui/app_windows.h"

namespace quillon::ui {

// Queues the run when `arguments` ask for it; false when they do not.
bool StartScriptedOpen(AppWindows& windows, const QStringList& arguments);

}  // namespace quillon::ui
