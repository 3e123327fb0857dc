#include "ui/app_windows.h"


#include "ui/contents_tab.h"
#include "ui/standard_keys.h"

namespace quillon::ui {

AppWindows CreateAppWindows() {
    AppWindows windows;
    windows.main = std::make_unique<TFormMain>();
    windows.yesNo = std::make_unique<TFormYesNo>();
    windows.mtl = std::make_unique<TFormMTL>(windows.yesNo.get());
    windows.me = std::make_unique<TFormME>();
    windows.tl = std::make_unique<TFormTL>(windows.main->document(), windows.main->host());
    windows.du = std::make_unique<TFormDU>(windows.main->host(), windows.yesNo.get());
    windows.main->SetDumpWindow(windows.du.get());
    windows.view = std::make_unique<TFormView>();
    windows.main->SetViewWindow(windows.view.get());
    windows.main->SetMessageWindows(windows.yesNo.get(), windows.me.get());
    windows.main->TabSheetRE->SetImportWindow(windows.mtl.get());
    windows.main->SetTimelineWindow(windows.tl.get());
    TFormMain* main = windows.main.get();
    windows.tl->modelChanged = [main] { main->TabSheetRE->ShowNewFileNeeded(); };
    AddStandardKeys(windows);
    return windows;
}

}  // namespace quillon::ui
