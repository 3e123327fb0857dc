// The attachments tab as a widget of its own: the file's attachments with
// their keep marks (ATT), the preview beside the list (a picture, a text or a
// font sample), the edit panel (PanelATTE), adding and saving. It owns its
// controls and works on the document's attachment list; the main window
// shows it, tells it where the open dialog is and which viewer to use, and
// hears when an edit means the file must be saved anew.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include "core/document.h"
#include "core/host.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTableWidget;
class QTextEdit;

namespace quillon::ui {

class ClickableImage;
class TFormView;

class AttachmentsTab : public QWidget {
    Q_OBJECT
public:
    // `dialogDir` is the folder the window's open dialog remembers; the add
    // dialogs start there.
    AttachmentsTab(Document& doc, Host& host, const QString& dialogDir, QWidget* parent);

    void SetViewWindow(TFormView* window) { formView_ = window; }
    // Fills the list from the document (reading the attachments on first show).
    void TabSheetATTShow();
    // The tooltips of the picture-only controls in the interface's language.
    void ApplyLanguage();

    // The add and save commands once their dialog chose a file: add `path`
    // (refreshing the whole tab, as the add picture does, or only the list,
    // as the menu does); save the current row's attachment to `path`.
    bool AddAttachFile(const QString& path, bool refreshTab);
    bool SaveAttachTo(const QString& path);

    // The picture previewed beside the list (empty when the row is not a picture).
    const QImage& attachmentPicture() const { return attPicture_; }

signals:
    // A mark, a name or an added file: the document now needs a new file.
    void attachmentsEdited();
    // A save of an attachment runs; the window shows its wait panel meanwhile.
    void longStepStarted();
    void longStepFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void BuildEditPanel();
    void BuildPopup();
    void AttachList2Screen();
    // A press on the grid: a data row becomes current and, in column 0, its
    // keep mark toggles; column 0 of the title row clears every mark.
    void ATTMouseDown(int row, int column);
    void ATTClick();
    void ATTDblClick();
    void ImageADDClick();
    void MIattaddClick();
    void MIattparaClick();
    void MIattsaveClick();
    void Image1Click();
    void Image7Click();
    void SetAttPicture();
    void FillTTF();
    // A wheel step over the font sample: delta ≥ 0 smaller, < 0 larger (1..72).
    void TTFMouseWheel(int delta);
    void MarkEdited();
    QString Tr(const char* rus) const;

    Document& doc_;
    Host& host_;
    const QString& dialogDir_;
    TFormView* formView_ = nullptr;

    QSplitter* SplitterATT;
    ClickableImage* ImageADD;
    QLabel* LabelNA;
    QTableWidget* ATT;
    QWidget* PanelATT;
    QLabel* ImageATT;
    QPlainTextEdit* MemoATT;
    QTextEdit* TTF;
    QFrame* PanelATTE;
    QFrame* Panel7;
    QLineEdit* EditATTN;
    QLineEdit* EditATTM;
    QLineEdit* EditATTD;
    ClickableImage* Image1;
    ClickableImage* Image7;
    QLabel* LabelATTno;
    QMenu* PopupATT;
    QAction* MIattpara;
    QAction* MIattsave;
    QAction* MIattadd;

    // The keep marks: a mark of the file's own, a mark of an added file.
    QPixmap ImageRG, ImagePL;
    QImage attPicture_;
    int ttfSize = 12;   // the font sample's size in points, 1..72
    int ttfCursor = 1;  // which of the four wheel cursors shows
    QString ttfFamily, ttfCopyright;
    QString ttfFace;      // the family the preview draws with: the attached font's own copy
    QString ttfKind;      // "TrueType Font" or "OpenType Font"
    int ttfFontId_ = -1;  // the application font loaded for the preview
};

}  // namespace quillon::ui
