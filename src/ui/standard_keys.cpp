#include "ui/standard_keys.h"

#include <QKeySequence>
#include <QShortcut>

#include "ui/contents_tab.h"
#include "ui/form_du.h"
#include "ui/form_main.h"
#include "ui/form_tl.h"
#include "ui/form_view.h"
#include "ui/settings_tab.h"

namespace quillon::ui {

void AddStandardKeys(AppWindows& windows) {
    TFormMain* main = windows.main.get();
    const auto key = [](QWidget* window, QKeySequence sequence, auto act) {
        auto* shortcut = new QShortcut(sequence, window);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, window, act);
    };
    key(main, QKeySequence(Qt::CTRL | Qt::Key_O), [main] { main->ImageFIClick(); });
    // Saves what the save panel shows, as its button does; nothing while it is hidden.
    key(main, QKeySequence(Qt::CTRL | Qt::Key_S), [main] {
        main->TabSheetRE->SaveByKey();
    });
    key(main, QKeySequence(Qt::CTRL | Qt::Key_Q), [main] { main->close(); });
    key(main, QKeySequence(Qt::CTRL | Qt::Key_B), [main] { main->OpenBatchWindow(); });
    key(main, QKeySequence(Qt::Key_F1), [main] { main->TabSheetCFG->ImageLOGOClick(); });
    for (QWidget* window : std::initializer_list<QWidget*>{windows.du.get(), windows.view.get(), windows.tl.get()})
        key(window, QKeySequence(Qt::Key_Escape), [window] { window->close(); });
}

}  // namespace quillon::ui
