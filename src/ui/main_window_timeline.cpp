// The timeline check as the open and the save run it: the model is built
// first (the check reads its block list and tracks), then the timeline
// window shows the tracks whose block times go backwards.
#include <QCheckBox>

#include "save/save_command.h"
#include "ui/form_main.h"
#include "ui/form_tl.h"
#include "ui/settings_tab.h"

namespace quillon::ui {

void TFormMain::TimelineCheckAfterOpen() {
    if (!formTL_ || !TabSheetCFG->ChecksTimeline()) return;
    if (!prepare2export(doc_, host_)) return;
    if (formTL_->TimeLineCheck()) formTL_->ShowReport();
}

bool TFormMain::TimelineAllowsSave() {
    if (!formTL_ || !TabSheetCFG->ChecksTimeline()) return true;
    // Nothing can be saved from a file that cannot be read; the preparation told why.
    if (!prepare2export(doc_, host_)) return false;
    if (!formTL_->TimeLineCheck() || doc_.leaveAsIs) return true;
    formTL_->ShowReport();
    return false;
}

}  // namespace quillon::ui
