// The program's windows, made once at start in their fixed order: the main
// window, the confirmation window, the import window, the information window,
// the timeline window, the dump window, the attachment viewer.
#pragma once

#include <memory>

#include "ui/form_main.h"
#include "ui/form_du.h"
#include "ui/form_me.h"
#include "ui/form_mtl.h"
#include "ui/form_tl.h"
#include "ui/form_view.h"
#include "ui/form_yes_no.h"

namespace quillon::ui {

struct AppWindows {
    std::unique_ptr<TFormMain> main;
    std::unique_ptr<TFormYesNo> yesNo;
    std::unique_ptr<TFormMTL> mtl;
    std::unique_ptr<TFormME> me;
    std::unique_ptr<TFormTL> tl;  // reads the main window's document: goes first
    std::unique_ptr<TFormDU> du;
    std::unique_ptr<TFormView> view;
};

AppWindows CreateAppWindows();

}  // namespace quillon::ui
