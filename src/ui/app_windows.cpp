#include "ui/app_windows.h"

namespace quillon::ui {

AppWindows CreateAppWindows() {
    AppWindows windows;
    windows.main = std::make_unique<TFormMain>();
    windows.yesNo = std::make_unique<TFormYesNo>();
    windows.me = std::make_unique<TFormME>();
    windows.main->SetMessageWindows(windows.yesNo.get(), windows.me.get());
    return windows;
}

}  // namespace quillon::ui
