// Files dropped onto the main window: a Matroska file from the file manager
// is chosen and opened as with the open image and the open button; anything
// else is not taken.
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "ui/form_main.h"
#include "ui/settings_tab.h"

namespace quillon::ui {
namespace {

// The one local Matroska file among the dropped URLs; empty when there is none.
QString DroppedMatroskaFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QFileInfo file(url.toLocalFile());
        const QString suffix = file.suffix().toLower();
        if (file.isFile() && (suffix == "mkv" || suffix == "mka" || suffix == "mks" || suffix == "webm"))
            return file.absoluteFilePath();
    }
    return {};
}

}  // namespace

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedMatroskaFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    const QString file = DroppedMatroskaFile(event->mimeData());
    if (file.isEmpty()) return;
    event->acceptProposedAction();
    OpenDroppedFile(file);
}

void TFormMain::OpenDroppedFile(const QString& path) {
    // The open image's second half opens at once when the settings say so;
    // otherwise the open button follows.
    OpenChosenFile(path);
    if (!TabSheetCFG->OpensAtOnce()) BitBtnHDRClick();
}

}  // namespace quillon::ui
