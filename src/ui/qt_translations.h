// Qt's own texts (file dialogs, standard buttons, context menus) in the
// interface's language: Qt's Russian translations (Debian's
// qt6-translations-l10n) are installed while Russian is chosen.
#pragma once

#include "core/messages.h"

namespace quillon::ui {

// False when Russian is asked for and Qt's translations are not installed
// (Qt's texts then stay English).
bool UseQtTranslations(Lang lang);

}  // namespace quillon::ui
