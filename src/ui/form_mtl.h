// The import window: the tracks of the file being imported from, in a grid
// like the main one, where the user ticks the tracks to take. Shown modally
// over the main window; confirming needs at least one tick.
#pragma once

#include <QDialog>
#include <QPixmap>

#include "core/messages.h"
#include "core/track.h"

class QFrame;
class QTableWidget;

namespace quillon::ui {

class ClickableImage;
class TFormYesNo;

class TFormMTL : public QDialog {
    Q_OBJECT
public:
    // `yesNo` tells that nothing is ticked; it is made before this window.
    explicit TFormMTL(TFormYesNo* yesNo, QWidget* parent = nullptr);

    // Shows `tracks` modally over `owner` in `lang`; the ticks are written
    // into `tracks`. True when the user confirmed.
    bool Choose(TrackTable& tracks, QWidget* owner, Lang lang);
    bool Confirmed() const { return confirmed_; }

    // ---- handlers
    void TracksClick(int row, int column);
    void ImageSEClick();
    void Image2Click();
    void TrackList2Screen();

    QTableWidget* Tracks;
    QFrame* PanelSE;
    ClickableImage* ImageSE;
    ClickableImage* Image2;
    // The glyphs of a ticked row and of a default mark.
    QPixmap ImageRG, ImageBD;

protected:
    void showEvent(QShowEvent* event) override;  // FormShow
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString Tr(const char* rus) const;
    void FitColumns();

    TFormYesNo* yesNo_;
    TrackTable* tracks_ = nullptr;
    QWidget* owner_ = nullptr;
    Lang lang_ = Lang::Rus;
    bool confirmed_ = false;
};

}  // namespace quillon::ui
