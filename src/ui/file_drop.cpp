// Files dropped onto the main window: a Matroska file from the file manager
// is chosen and opened as with the open image and the open button; several
// files or a folder go to the batch window; anything else is not taken.
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "ui/batch_window.h"
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

// Several local files or any folder among the dropped URLs: a batch.
QStringList DroppedBatch(const QMimeData* data) {
    QStringList paths;
    bool folder = false;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QFileInfo file(url.toLocalFile());
        folder = folder || file.isDir();
        if (file.isDir() || file.isFile()) paths << file.absoluteFilePath();
    }
    return folder || paths.size() > 1 ? paths : QStringList{};
}

}  // namespace

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedMatroskaFile(event->mimeData()).isEmpty() || !DroppedBatch(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    if (const QStringList batch = DroppedBatch(event->mimeData()); !batch.isEmpty()) {
        event->acceptProposedAction();
        OpenBatchWindow(batch);
        return;
    }
    const QString file = DroppedMatroskaFile(event->mimeData());
    if (file.isEmpty()) return;
    event->acceptProposedAction();
    OpenDroppedFile(file);
}

void TFormMain::OpenBatchWindow(const QStringList& paths) {
    if (!batch_ || (!batch_->isVisible() && !batch_->Running())) batch_ = std::make_unique<TFormBatch>(host_.language());
    batch_->show();
    batch_->raise();
    batch_->activateWindow();
    if (!paths.isEmpty()) batch_->AddFiles(paths);
}

void TFormMain::OpenDroppedFile(const QString& path) {
    // The open image's second half opens at once when the settings say so;
    // otherwise the open button follows.
    OpenChosenFile(path);
    if (!TabSheetCFG->OpensAtOnce()) BitBtnHDRClick();
}

}  // namespace quillon::ui
