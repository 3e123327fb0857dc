// The attachments tab: the file's attachments with their keep marks, the
// edit panel, adding and saving, the preview beside the list (pictures,
// texts, fonts) and the viewer window.
#include "ui/attachments_tab.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCursor>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "attach/attach_list.h"
#include "attach/mime_table.h"
#include "attach/picture_fit.h"
#include "attach/ttf_names.h"
#include "core/generated/element_ids.h"
#include "reader/element_queries.h"
#include "ui/clickable_image.h"
#include "ui/blink_control.h"
#include "ui/form_view.h"
#include "ui/pictures.h"
#include "ui/track_grid.h"
#include "ui/ui_text.h"
#include "ui/widget_factory.h"

namespace quillon::ui {
namespace {

// One of the four wheel cursors: a wheel with its notch a quarter further round.
QCursor WheelCursor(int number) {
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(12, 12), 9, 9);
    const double angle = (number - 1) * 3.14159265 / 2;
    p.drawLine(QPointF(12, 12), QPointF(12 + 8 * std::cos(angle), 12 - 8 * std::sin(angle)));
    return QCursor(picture, 12, 12);
}

// A press on the edit panel's title strip drags the panel within the tab.
class DragByStrip : public QObject {
public:
    DragByStrip(QWidget* panel, QObject* parent) : QObject(parent), panel_(panel) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            grab_ = static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - panel_->pos();
            return true;
        }
        if (event->type() == QEvent::MouseMove && (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton)) {
            panel_->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - grab_);
            return true;
        }
        return false;
    }

private:
    QWidget* panel_;
    QPoint grab_;
};

}  // namespace

AttachmentsTab::AttachmentsTab(Document& doc, Host& host, const QString& dialogDir, QWidget* parent)
    : QWidget(parent), doc_(doc), host_(host), dialogDir_(dialogDir), ImageRG(pictures::ImageRG()), ImagePL(pictures::ImagePL()) {
    setObjectName("TabSheetATT");
    Build();
    BuildEditPanel();
    BuildPopup();
}

QString AttachmentsTab::Tr(const char* rus) const { return FromCore(host_.Tr(rus)); }

void AttachmentsTab::ApplyLanguage() {
    ImageADD->setToolTip(Tr("добавить вложение"));
    ImageADD->setAccessibleName(Tr("добавить вложение"));
}

bool AttachmentsTab::eventFilter(QObject* watched, QEvent* event) {
    // Wheel steps over the font sample change its size, not its scroll position.
    if (watched == TTF->viewport() && event->type() == QEvent::Wheel) {
        TTFMouseWheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AttachmentsTab::Build() {
    auto* page = new QHBoxLayout(this);
    page->setContentsMargins(2, 2, 2, 2);
    SplitterATT = Make<QSplitter>(this, "SplitterATT");
    page->addWidget(SplitterATT);

    auto* listSide = new QWidget(SplitterATT);
    auto* listLayout = new QVBoxLayout(listSide);
    listLayout->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    ImageADD = Make<ClickableImage>(listSide, "ImageADD");
    ImageADD->setPixmap(pictures::OpenFolder());
    ImageADD->setToolTip(QStringLiteral("добавить вложение"));
    LabelNA = Make<QLabel>(listSide, "LabelNA");
    top->addWidget(ImageADD);
    top->addWidget(LabelNA, 1);
    listLayout->addLayout(top);
    ATT = Make<QTableWidget>(listSide, "ATT");
    ATT->setColumnCount(3);
    ATT->setRowCount(2);
    ATT->horizontalHeader()->hide();
    ATT->verticalHeader()->hide();
    ATT->verticalHeader()->setDefaultSectionSize(ATT->fontMetrics().height() + 6);
    ATT->setColumnWidth(0, 19);
    ATT->setColumnWidth(1, 240);
    ATT->horizontalHeader()->setStretchLastSection(true);
    ATT->setSelectionBehavior(QAbstractItemView::SelectRows);
    ATT->setSelectionMode(QAbstractItemView::SingleSelection);
    ATT->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ATT->setStyleSheet(QStringLiteral("QTableWidget { selection-background-color: #E0E0FF; selection-color: black; }"));
    ATT->setContextMenuPolicy(Qt::CustomContextMenu);
    listLayout->addWidget(ATT, 1);

    PanelATT = Make<QWidget>(SplitterATT, "PanelATT");
    ImageATT = Make<QLabel>(PanelATT, "ImageATT");
    ImageATT->setScaledContents(true);
    MemoATT = Make<QPlainTextEdit>(PanelATT, "MemoATT");
    MemoATT->setReadOnly(true);
    TTF = Make<QTextEdit>(PanelATT, "TTF");
    TTF->setReadOnly(true);
    TTF->setLineWrapMode(QTextEdit::NoWrap);
    TTF->setAcceptRichText(false);
    TTF->viewport()->installEventFilter(this);
    TTF->viewport()->setCursor(WheelCursor(1));
    for (QWidget* preview : {static_cast<QWidget*>(ImageATT), static_cast<QWidget*>(MemoATT), static_cast<QWidget*>(TTF)})
        preview->hide();
    SplitterATT->setStretchFactor(0, 3);
    SplitterATT->setStretchFactor(1, 2);  // the preview takes 40 % of the width

    connect(ATT, &QTableWidget::cellPressed, this, [this](int row, int column) { ATTMouseDown(row, column); });
    connect(ATT, &QTableWidget::cellDoubleClicked, this, [this] { ATTDblClick(); });
    connect(ImageADD, &ClickableImage::clicked, this, &AttachmentsTab::ImageADDClick);
}

// The edit panel floats over the tab, dragged by its title strip.
void AttachmentsTab::BuildEditPanel() {
    PanelATTE = Make<QFrame>(this, "PanelATTE");
    PanelATTE->setFrameShape(QFrame::Panel);
    PanelATTE->setAutoFillBackground(true);
    auto* edit = new QGridLayout(PanelATTE);
    Panel7 = Make<QFrame>(PanelATTE, "Panel7");
    Panel7->setFixedHeight(8);
    Panel7->setStyleSheet(QStringLiteral("background: #8080C0;"));
    Panel7->setCursor(Qt::SizeAllCursor);
    Panel7->installEventFilter(new DragByStrip(PanelATTE, Panel7));
    edit->addWidget(Panel7, 0, 0, 1, 3);
    const char* captions[] = {"имя файла:", "тип mime:", "описание:"};
    QLineEdit** edits[] = {&EditATTN, &EditATTM, &EditATTD};
    const char* names[] = {"EditATTN", "EditATTM", "EditATTD"};
    const char* labels[] = {"LabelATTN", "LabelATTM", "LabelATTD"};  // the language switch finds them by these names
    for (int i = 0; i < 3; ++i) {
        auto* label = Make<QLabel>(PanelATTE, labels[i]);
        label->setText(QString::fromUtf8(captions[i]));
        edit->addWidget(label, i + 1, 0);
        *edits[i] = Make<QLineEdit>(PanelATTE, names[i]);
        edit->addWidget(*edits[i], i + 1, 1, 1, 2);
    }
    Image1 = Make<ClickableImage>(PanelATTE, "Image1");
    Image1->setPixmap(pictures::ConfirmMark());
    Image1->setToolTip(QStringLiteral("принять изменения"));
    Image7 = Make<ClickableImage>(PanelATTE, "Image7");
    Image7->setPixmap(pictures::CrossMark());
    Image7->setToolTip(QStringLiteral("отмена"));
    edit->addWidget(Image1, 4, 1, Qt::AlignRight);
    edit->addWidget(Image7, 4, 2);
    LabelATTno = Make<QLabel>(PanelATTE, "LabelATTno");
    LabelATTno->hide();
    PanelATTE->resize(380, 150);
    PanelATTE->hide();
    connect(Image1, &ClickableImage::clicked, this, &AttachmentsTab::Image1Click);
    connect(Image7, &ClickableImage::clicked, this, &AttachmentsTab::Image7Click);
}

void AttachmentsTab::BuildPopup() {
    PopupATT = Make<QMenu>(ATT, "PopupATT");
    auto entry = [this](const char* name, const char* caption) {
        auto* action = Make<QAction>(this, name);
        action->setText(QString::fromUtf8(caption));
        PopupATT->addAction(action);
        return action;
    };
    MIattpara = entry("MIattpara", "изменить параметры");
    MIattsave = entry("MIattsave", "сохранить файл");
    MIattadd = entry("MIattadd", "добавить вложение");

    connect(ATT, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupATT->exec(ATT->viewport()->mapToGlobal(at)); });
    connect(MIattadd, &QAction::triggered, this, &AttachmentsTab::MIattaddClick);
    connect(MIattpara, &QAction::triggered, this, &AttachmentsTab::MIattparaClick);
    connect(MIattsave, &QAction::triggered, this, &AttachmentsTab::MIattsaveClick);
}

void AttachmentsTab::TabSheetATTShow() {
    ATT->hide();
    PanelATT->hide();
    LabelNA->setText(QStringLiteral("no attachments found"));
    LabelNA->hide();
    ImageADD->show();
    if (doc_.lista.empty()) {
        LabelNA->setText(QStringLiteral("open file first"));
        LabelNA->show();
        ImageADD->hide();
        return;
    }
    GridCell(*ATT, 0, 1)->setText(Tr("имя файла"));
    GridCell(*ATT, 0, 2)->setText(QStringLiteral("mime type"));
    GridCell(*ATT, 0, 0)->setIcon(QIcon(pictures::SelectAll()));
    if (doc_.attachList.empty()) lista2attach(doc_);
    if (doc_.attachList.empty()) {
        LabelNA->show();
        return;
    }
    ATT->show();
    PanelATT->show();
    AttachList2Screen();
    if (ATT->currentRow() < 1) ATT->setCurrentCell(1, 1);
    ATTClick();
}

void AttachmentsTab::AttachList2Screen() {
    ATT->setRowCount(int(doc_.attachList.size()) + 1);
    for (size_t i = 0; i < doc_.attachList.size(); ++i) {
        const TAttach& a = doc_.attachList[i];
        const int row = int(i) + 1;
        QTableWidgetItem* mark = GridCell(*ATT, row, 0);
        // The picture is what shows: a text would show through the selection's colours.
        mark->setText(QString());
        mark->setData(Qt::UserRole, FromCore(a.keep));
        mark->setIcon(a.keep == "y" ? QIcon(a.added == 'y' ? ImagePL : ImageRG) : QIcon());
        GridCell(*ATT, row, 1)->setText(FromCore(a.fileName));
        GridCell(*ATT, row, 2)->setText(FromCore(a.fileMimeType));
    }
}

void AttachmentsTab::ATTMouseDown(int row, int column) {
    if (row == 0) {
        if (column == 0) {
            ResetActiveATT(doc_.attachList);
            AttachList2Screen();
            MarkEdited();
        }
        return;
    }
    if (row < 1 || size_t(row) > doc_.attachList.size()) return;
    ATT->setCurrentCell(row, column);
    if (column == 0) {
        std::string& keep = doc_.attachList[size_t(row) - 1].keep;
        keep = keep == "y" ? "" : "y";
        AttachList2Screen();
        MarkEdited();
    }
    ATTClick();
}

void AttachmentsTab::SetAttPicture() {
    if (attPicture_.isNull()) return;
    const PictureRect r = setATTPICsize(PanelATT->width(), PanelATT->height(), attPicture_.width(), attPicture_.height());
    ImageATT->setGeometry(r.x, r.y, r.width, r.height);
}

void AttachmentsTab::ATTClick() {
    TTF->hide();
    ImageATT->hide();
    MemoATT->hide();
    attPicture_ = QImage();
    const int row = ATT->currentRow();
    if (row < 1 || size_t(row) > doc_.attachList.size()) return;
    const TAttach& a = doc_.attachList[size_t(row) - 1];
    const bool picture = IsPictureMime(a.fileMimeType), text = IsTextMime(a.fileMimeType), font = IsFontMime(a.fileMimeType);
    if (!picture && !text && !font) return;
    std::vector<uint8_t> data;
    const AttachRead read = ReadAttachment(doc_, a, data);
    if (read != AttachRead::Ok) {
        host_.SetStatus(AttachReadMessage(read));
        return;
    }
    const QRect inside = PanelATT->rect().adjusted(8, 8, -8, -8);
    if (picture) {
        ImageATT->clear();
        ImageATT->show();
        QByteArray bytes(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        attPicture_ = reader.read();  // a picture that does not decode leaves the preview empty
        if (!attPicture_.isNull()) {
            ImageATT->setPixmap(QPixmap::fromImage(attPicture_));
            SetAttPicture();
        }
    } else if (text) {
        MemoATT->setGeometry(inside);
        MemoATT->setPlainText(QString::fromUtf8(reinterpret_cast<const char*>(data.data()), qsizetype(data.size())));
        MemoATT->show();
        MemoATT->raise();
    } else {
        TTF->setGeometry(inside);
        TTF->show();
        // The font is loaded under a family name of its own: under its real
        // name the system would draw an installed font of that family in its
        // place (a bold attached face as the installed regular one).
        static int previews = 0;
        const std::vector<uint8_t> renamed = TtfWithFamily(data, "Attached Font Preview " + std::to_string(++previews));
        const std::vector<uint8_t>& loaded = renamed.empty() ? data : renamed;
        if (ttfFontId_ >= 0) QFontDatabase::removeApplicationFont(ttfFontId_);
        ttfFontId_ = QFontDatabase::addApplicationFontFromData(
            QByteArray(reinterpret_cast<const char*>(loaded.data()), qsizetype(loaded.size())));
        if (ttfFontId_ < 0) return;
        const QString family = FromCore(TtfNameText(data, "name"));
        if (family.isEmpty() || family.size() >= 33) return;
        const QStringList faces = QFontDatabase::applicationFontFamilies(ttfFontId_);
        ttfFace = faces.isEmpty() ? family : faces.first();
        ttfFamily = family;
        ttfKind = TtfKindText(data);
        ttfCopyright = FromCore(TtfNameText(data, "copyright"));
        FillTTF();
    }
}

void AttachmentsTab::FillTTF() {
    QStringList lines = {ttfKind, "Name: " + ttfFamily, "Size: " + QString::number(ttfSize), "----------"};
    if (!ttfCopyright.isEmpty()) lines << ttfCopyright;
    lines << "" << "1234567890 + (!@#$%^&*)" << "";
    lines << "eng:" << "abcdefghijklmnopqrstuvwxyz" << "ABCDEFGHIJKLMNOPQRSTUVWXYZ" << "";
    lines << "rus:" << QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя")
          << QStringLiteral("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
    QFont font(ttfFace);
    font.setPointSize(ttfSize);
    TTF->hide();
    TTF->setFont(font);
    TTF->setPlainText(lines.join('\n'));
    TTF->moveCursor(QTextCursor::Start);
    TTF->ensureCursorVisible();
    TTF->show();
}

void AttachmentsTab::TTFMouseWheel(int delta) {
    if (delta >= 0) {
        ttfSize = std::max(1, ttfSize - 1);
        ttfCursor = ttfCursor == 1 ? 4 : ttfCursor - 1;
    } else {
        ttfSize = std::min(72, ttfSize + 1);
        ttfCursor = ttfCursor == 4 ? 1 : ttfCursor + 1;
    }
    TTF->viewport()->setCursor(WheelCursor(ttfCursor));
    if (!ttfFamily.isEmpty()) FillTTF();
}

void AttachmentsTab::ATTDblClick() {
    const int row = ATT->currentRow();
    if (row < 1 || size_t(row) > doc_.attachList.size() || !formView_) return;
    const TAttach& a = doc_.attachList[size_t(row) - 1];
    if (!IsTextMime(a.fileMimeType) && !IsPictureMime(a.fileMimeType)) return;
    std::vector<uint8_t> data;
    if (ReadAttachment(doc_, a, data) != AttachRead::Ok) return;
    if (formView_->ShowAttach(data, a.fileMimeType)) {
        formView_->setWindowModality(Qt::ApplicationModal);
        formView_->show();
    }
}

void AttachmentsTab::MarkEdited() {
    doc_.saveMode = SaveMode::Build;
    emit attachmentsEdited();
}

bool AttachmentsTab::AddAttachFile(const QString& path, bool refreshTab) {
    if (!AddAttach(doc_, ToCore(path), host_)) return false;
    if (refreshTab) TabSheetATTShow();
    else AttachList2Screen();
    MarkEdited();
    return true;
}

void AttachmentsTab::ImageADDClick() {
    const QString path = QFileDialog::getOpenFileName(this, QString(), dialogDir_, QStringLiteral("*.*"));
    if (!path.isEmpty()) AddAttachFile(path, true);
}

void AttachmentsTab::MIattaddClick() {
    const QString path = QFileDialog::getOpenFileName(this, QString(), dialogDir_, QStringLiteral("*.*"));
    if (!path.isEmpty()) AddAttachFile(path, false);
}

void AttachmentsTab::MIattparaClick() {
    const int row = ATT->currentRow();
    if (row < 1 || size_t(row) > doc_.attachList.size()) return;
    const TAttach& a = doc_.attachList[size_t(row) - 1];
    PanelATTE->move((width() - PanelATTE->width()) / 2, (height() - PanelATTE->height()) / 2);
    LabelATTno->setText(QString::number(row - 1));
    EditATTN->setText(FromCore(a.fileName));
    EditATTM->setText(FromCore(a.fileMimeType));
    EditATTD->setText(FromCore(a.fileDescription));
    PanelATTE->raise();
    PanelATTE->show();
}

void AttachmentsTab::Image1Click() {
    if (EditATTN->text().isEmpty()) return BlinkControl(EditATTN);
    if (EditATTM->text().isEmpty()) return BlinkControl(EditATTM);
    const size_t index = LabelATTno->text().toULong();
    if (index >= doc_.attachList.size()) return;
    TAttach& a = doc_.attachList[index];
    a.fileName = ToCore(EditATTN->text());
    a.fileMimeType = ToCore(EditATTM->text());
    a.fileDescription = ToCore(EditATTD->text());
    PanelATTE->hide();
    AttachList2Screen();
    MarkEdited();
}

void AttachmentsTab::Image7Click() { PanelATTE->hide(); }

void AttachmentsTab::MIattsaveClick() {
    const int row = ATT->currentRow();
    if (row < 1 || size_t(row) > doc_.attachList.size()) return;
    // The name from the file is only proposed as a name, never as a path.
    const QString name = FromCore(SafeFileName(doc_.attachList[size_t(row) - 1].fileName, size_t(row)));
    const QString path = QFileDialog::getSaveFileName(this, QString(), name, QString(), nullptr, QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty()) SaveAttachTo(path);
}

bool AttachmentsTab::SaveAttachTo(const QString& path) {
    const int row = ATT->currentRow();
    if (row < 1 || size_t(row) > doc_.attachList.size()) return false;
    emit longStepStarted();
    const bool saved = SaveAttach(doc_, doc_.attachList[size_t(row) - 1], ToCore(path), false, host_);
    emit longStepFinished();
    return saved;
}

}  // namespace quillon::ui
