// The dump window: a hex dump of an element or of the start of a file, its
// element headers painted, searched by text or hex, copied, saved as RTF.
#pragma once

#include <cstdint>
#include <vector>

#include <QWidget>

#include "core/host.h"
#include "dump/hex_dump.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QRadioButton;

namespace quillon::ui {

class ClickableImage;
class TFormYesNo;

class TFormDU : public QWidget {
    Q_OBJECT
public:
    // `ask` answers the "what to show" question of a large file.
    TFormDU(Host& host, TFormYesNo* ask);
    ~TFormDU() override;

    // Its own texts in the interface's language.
    void ApplyLanguage();
    // Widens the window to show `line` (a line of the dump) whole.
    void FitWidthToLines(const QString& line);

    // Fills the window with `bytes`, which start at `position` of their file.
    void ShowBytes(std::vector<uint8_t> bytes, uint64_t position);
    // The open-file item after its dialog: the first 10,000 or 100,000 bytes
    // of a larger file, as the question's answer says. False when it cannot be read.
    bool OpenFile(const QString& path);
    // The RTF of the dump to `path`; false when it cannot be written.
    bool SaveRtf(const QString& path);
    // The search panel's run: every match of the pattern highlighted.
    void ImageFIClick();
    void ImageFIXClick();
    void BuildDump();
    QString DumpPlainText() const;

    // Controls, by their working names.
    QPlainTextEdit* RichEdit1;
    QRadioButton *Radio16, *Radio24, *Radio32, *RadioRA, *RadioR4, *RadioR8;
    QCheckBox* CheckTG;
    ClickableImage *ImageFIND, *ImageFI, *ImageFIX;
    QFrame* PanelFI;
    QLabel* LabelFI;
    QLineEdit *EditFI, *EditHE;
    QLabel* LabelST;
    QMenu* PopupDU;
    QAction *N1, *N3, *N4, *rtf1;

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    const std::vector<size_t>& matches() const { return matches_; }
    size_t paintedHeaders() const { return painted_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    DumpLayout Layout() const;
    void PaintView();
    void ShowSearchPanel();
    void EditFIChanged();
    void EditHEChanged();
    void N1Click();
    void rtf1Click();

    Host& host_;
    TFormYesNo* ask_;
    std::vector<uint8_t> bytes_;
    uint64_t position_ = 0;
    std::vector<uint8_t> pattern_;
    std::vector<size_t> matches_;
    size_t painted_ = 0;
    bool hexFieldLast_ = false;
    bool syncing_ = false;
    QString folder_;
};

}  // namespace quillon::ui
