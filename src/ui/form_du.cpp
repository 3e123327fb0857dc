#include "ui/form_du.h"

#include <algorithm>

#include <QTextDocument>
#include <QScrollBar>
#include <QScreen>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QVBoxLayout>

#include "core/output_file.h"
#include "dump/dump_source.h"
#include "ui/clickable_image.h"
#include "ui/form_yes_no.h"
#include "ui/pictures.h"
#include "ui/settings_store.h"
#include "ui/ui_text.h"
#include "ui/widget_factory.h"

namespace quillon::ui {
namespace {

const QColor kBackground(0x00, 0x00, 0x80);
const QColor kText(0x00, 0xFF, 0xFF);
const QColor kIdColour(0xFF, 0xFF, 0x00);
const QColor kSizeColour(0x00, 0xFF, 0x00);
const QColor kMatchBackground(0xC0, 0x00, 0xC0);

QRadioButton* Radio(QWidget* parent, const char* name, const char* caption) {
    auto* r = Make<QRadioButton>(parent, name);
    r->setText(QString::fromUtf8(caption));
    return r;
}

}  // namespace

TFormDU::TFormDU(Host& host, TFormYesNo* ask) : QWidget(nullptr, Qt::Window), host_(host), ask_(ask) {
    setObjectName("TFormDU");
    resize(820, 560);
    auto* layout = new QVBoxLayout(this);
    auto* options = new QHBoxLayout;
    Radio16 = Radio(this, "Radio16", "16");
    Radio24 = Radio(this, "Radio24", "24");
    Radio32 = Radio(this, "Radio32", "32");
    RadioRA = Radio(this, "RadioRA", "все");
    RadioR4 = Radio(this, "RadioR4", "4");
    RadioR8 = Radio(this, "RadioR8", "8");
    auto* widths = new QFrame(this);
    auto* widthRow = new QHBoxLayout(widths);
    for (QRadioButton* r : {Radio16, Radio24, Radio32}) widthRow->addWidget(r);
    auto* groups = new QFrame(this);
    auto* groupRow = new QHBoxLayout(groups);
    for (QRadioButton* r : {RadioRA, RadioR4, RadioR8}) groupRow->addWidget(r);
    Radio16->setChecked(true);
    RadioRA->setChecked(true);
    CheckTG = Make<QCheckBox>(this, "CheckTG");
    CheckTG->setText(QStringLiteral("тэги"));
    CheckTG->setChecked(ReadSetting("paint.tags") == "y");
    ImageFIND = Make<ClickableImage>(this, "ImageFIND");
    ImageFIND->setPixmap(pictures::Magnifier());
    ImageFIX = Make<ClickableImage>(this, "ImageFIX");
    ImageFIX->setPixmap(pictures::CrossMark());
    ImageFIX->hide();
    LabelST = Make<QLabel>(this, "LabelST");
    options->addWidget(widths);
    options->addWidget(groups);
    options->addWidget(CheckTG);
    options->addWidget(ImageFIND);
    options->addWidget(ImageFIX);
    options->addWidget(LabelST, 1);
    layout->addLayout(options);

    RichEdit1 = Make<QPlainTextEdit>(this, "RichEdit1");
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSize(10);
    RichEdit1->setFont(mono);
    QPalette colours = RichEdit1->palette();
    colours.setColor(QPalette::Base, kBackground);
    colours.setColor(QPalette::Text, kText);
    RichEdit1->setPalette(colours);
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(RichEdit1, 1);

    PanelFI = Make<QFrame>(this, "PanelFI");
    PanelFI->setFrameShape(QFrame::Panel);
    PanelFI->setAutoFillBackground(true);
    auto* find = new QGridLayout(PanelFI);
    LabelFI = Make<QLabel>(PanelFI, "LabelFI");
    find->addWidget(LabelFI, 0, 0, 1, 2);
    EditFI = Make<QLineEdit>(PanelFI, "EditFI");
    EditHE = Make<QLineEdit>(PanelFI, "EditHE");
    ImageFI = Make<ClickableImage>(PanelFI, "ImageFI");
    ImageFI->setPixmap(pictures::Magnifier());
    find->addWidget(EditFI, 1, 0);
    find->addWidget(EditHE, 2, 0);
    find->addWidget(ImageFI, 1, 1, 2, 1);
    PanelFI->resize(360, 100);
    PanelFI->hide();

    PopupDU = Make<QMenu>(this, "PopupDU");
    auto entry = [this](const char* name, const char* caption) {
        auto* action = Make<QAction>(this, name);
        action->setText(QString::fromUtf8(caption));
        PopupDU->addAction(action);
        return action;
    };
    N1 = entry("N1", "открыть файл");
    N3 = entry("N3", "копировать");
    N4 = entry("N4", "найти");
    rtf1 = entry("rtf1", "сохранить в .rtf");

    for (QRadioButton* r : {Radio16, Radio24, Radio32, RadioRA, RadioR4, RadioR8})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on) BuildDump();
        });
    connect(CheckTG, &QCheckBox::toggled, this, [this] { PaintView(); });
    connect(ImageFIND, &ClickableImage::clicked, this, &TFormDU::ShowSearchPanel);
    connect(N4, &QAction::triggered, this, &TFormDU::ShowSearchPanel);
    connect(ImageFI, &ClickableImage::clicked, this, &TFormDU::ImageFIClick);
    connect(ImageFIX, &ClickableImage::clicked, this, &TFormDU::ImageFIXClick);
    connect(EditFI, &QLineEdit::textEdited, this, &TFormDU::EditFIChanged);
    connect(EditHE, &QLineEdit::textEdited, this, &TFormDU::EditHEChanged);
    connect(N3, &QAction::triggered, RichEdit1, &QPlainTextEdit::copy);
    connect(N1, &QAction::triggered, this, &TFormDU::N1Click);
    connect(rtf1, &QAction::triggered, this, &TFormDU::rtf1Click);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupDU->exec(RichEdit1->viewport()->mapToGlobal(at)); });
}

TFormDU::~TFormDU() = default;

void TFormDU::closeEvent(QCloseEvent* event) {
    WriteSetting("paint.tags", CheckTG->isChecked() ? "y" : "n");
    QWidget::closeEvent(event);
}

DumpLayout TFormDU::Layout() const {
    DumpLayout layout;
    layout.width = Radio24->isChecked() ? 24 : Radio32->isChecked() ? 32 : 16;
    layout.group = RadioR4->isChecked() ? 4 : RadioR8->isChecked() ? 8 : 0;
    return layout;
}

void TFormDU::ShowBytes(std::vector<uint8_t> bytes, uint64_t position) {
    bytes_ = std::move(bytes);
    position_ = position;
    BuildDump();
    if (isMinimized()) showNormal();
    show();
    raise();
}

void TFormDU::ApplyLanguage() {
    if (bytes_.empty()) setWindowTitle(FromCore(host_.Tr("дамп")));
    LabelFI->setText(FromCore(host_.Tr("поиск строки (с учётом регистра) / hex")));
}

void TFormDU::BuildDump() {
    const bool large = bytes_.size() > kDumpShortLimit;
    if (large) LabelST->setText(QStringLiteral("p l e a s e   w a i t . . ."));
    // The text without its last line break: a QPlainTextEdit counts one
    // character per line break, as the positions do.
    QString text = QString::fromStdString(DumpText(bytes_, 0, Layout(), DumpChars::Cyrillic));
    if (text.endsWith('\n')) text.chop(1);
    RichEdit1->setPlainText(text);
    FitWidthToLines(text.left(text.indexOf('\n')));
    setWindowTitle(FromCore(DumpCaption(host_.Tr("смещение от начала файла:"), position_, host_.Tr("размер дампа:"),
                                        bytes_.size())));
    if (!ImageFIX->isHidden()) matches_ = FindPattern(bytes_, pattern_);
    PaintView();
    if (large) LabelST->setText(QStringLiteral("r e a d y"));
}

// Wide enough for a whole line of the dump (24 and 32 bytes a row are far
// wider than 16), as far as the screen allows.
void TFormDU::FitWidthToLines(const QString& line) {
    const int text = RichEdit1->fontMetrics().horizontalAdvance(line) + 2 * RichEdit1->frameWidth() +
                     RichEdit1->verticalScrollBar()->sizeHint().width() + 2 * int(RichEdit1->document()->documentMargin()) + 8;
    const int needed = width() - RichEdit1->viewport()->width() + text - RichEdit1->verticalScrollBar()->sizeHint().width();
    int limit = needed;
    if (const QScreen* s = screen()) limit = std::min(needed, s->availableGeometry().width());
    if (width() < limit) resize(limit, height());
}

// The headers' colours and the search highlights, as extra selections over the text.
void TFormDU::PaintView() {
    QList<QTextEdit::ExtraSelection> selections;
    const DumpLayout layout = Layout();
    QTextDocument* document = RichEdit1->document();
    auto mark = [&](size_t byte, const QTextCharFormat& format) {
        QTextCursor cursor(document);
        cursor.setPosition(int(HexDigitsAt(byte, layout)));
        cursor.setPosition(int(HexDigitsAt(byte, layout)) + 2, QTextCursor::KeepAnchor);
        selections.append({cursor, format});
    };
    painted_ = 0;
    if (CheckTG->isChecked()) {
        QTextCharFormat id, size;
        id.setForeground(kIdColour);
        size.setForeground(kSizeColour);
        for (const HeaderMark& m : PaintTags(bytes_)) {
            for (size_t i = m.at; i < m.at + m.length && i < bytes_.size(); ++i) mark(i, m.part == HeaderPart::Id ? id : size);
            ++painted_;
        }
    }
    if (!ImageFIX->isHidden()) {
        QTextCharFormat found;
        found.setBackground(kMatchBackground);
        for (size_t at : matches_)
            for (size_t i = at; i < at + pattern_.size() && i < bytes_.size(); ++i) mark(i, found);
    }
    RichEdit1->setExtraSelections(selections);
}

void TFormDU::ShowSearchPanel() {
    PanelFI->move((width() - PanelFI->width()) / 2, (height() - PanelFI->height()) / 2);
    PanelFI->raise();
    PanelFI->show();
    EditFI->setFocus();
}

void TFormDU::EditFIChanged() {
    if (syncing_) return;
    syncing_ = true;
    hexFieldLast_ = false;
    QString hex;
    for (const QChar c : EditFI->text()) {
        const unsigned code = c.unicode() & 0xFF;
        hex += (hex.isEmpty() ? "" : " ") + QString::asprintf("%02X", code);
    }
    EditHE->setText(hex);
    syncing_ = false;
}

void TFormDU::EditHEChanged() {
    if (syncing_) return;
    syncing_ = true;
    hexFieldLast_ = true;
    const std::string normal = NormalizeHexField(ToCore(EditHE->text()));
    EditHE->setText(FromCore(normal));
    QString text;
    for (uint8_t b : HexFieldBytes(normal.size() % 3 == 1 ? normal.substr(0, normal.size() - 1) : normal))
        text += QChar(b);
    EditFI->setText(text);
    syncing_ = false;
}

void TFormDU::ImageFIClick() {
    pattern_.clear();
    if (hexFieldLast_) {
        pattern_ = HexFieldBytes(ToCore(EditHE->text()));
    } else {
        for (const QChar c : EditFI->text()) pattern_.push_back(uint8_t(c.unicode() & 0xFF));
    }
    PanelFI->hide();
    ImageFIX->show();
    matches_ = FindPattern(bytes_, pattern_);
    PaintView();
}

void TFormDU::ImageFIXClick() {
    ImageFIX->hide();
    matches_.clear();
    PaintView();
}

QString TFormDU::DumpPlainText() const { return RichEdit1->toPlainText(); }

bool TFormDU::OpenFile(const QString& path) {
    QFileInfo info(path);
    size_t length = kDumpLimit;
    if (info.size() > qint64(kDumpLimit)) {
        const bool first10 = ask_ && ask_->AskWithCaptions(FromCore(host_.Tr("Внимание!\r\nРазмер файла больше 100kb.\r\nЧто показать?")),
                                                           FromCore(host_.Tr("первые 10kb")), FromCore(host_.Tr("первые 100kb")), this, 'y');
        length = first10 ? kDumpShortLimit : kDumpLimit;
    }
    std::vector<uint8_t> bytes;
    const DumpRead read = ReadFileBytes(ToCore(path), 0, length, bytes);
    if (read != DumpRead::Ok && read != DumpRead::PastEnd) {  // an empty file shows an empty dump
        LabelST->setText(FromCore(host_.Tr(DumpReadMessage(read))));
        return false;
    }
    ImageFIX->hide();  // a new dump has no search marks
    matches_.clear();
    ShowBytes(std::move(bytes), 0);
    return true;
}

void TFormDU::N1Click() {
    const QString path = QFileDialog::getOpenFileName(this, QString(), folder_, QStringLiteral("*.*"));
    if (path.isEmpty()) return;
    folder_ = QFileInfo(path).absolutePath();
    OpenFile(path);
}

bool TFormDU::SaveRtf(const QString& path) {
    const std::string rtf = DumpRtf(bytes_, 0, Layout(), CheckTG->isChecked() ? PaintTags(bytes_) : std::vector<HeaderMark>{},
                                    ImageFIX->isHidden() ? std::vector<size_t>{} : matches_, pattern_.size());
    const std::string failure = WriteWholeFile(ToCore(path), rtf.data(), rtf.size());
    if (!failure.empty()) LabelST->setText(FromCore(host_.Tr("Файл не записан: ") + failure));
    return failure.empty();
}

void TFormDU::rtf1Click() {
    const QString path = QFileDialog::getSaveFileName(this, QString(), QDir(folder_).filePath("dump.rtf"), QStringLiteral("*.rtf"),
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path) && !(ask_ && ask_->Ask(FromCore(host_.Tr("Файл с таким именем уже существует.\r\nПерезаписать?")), this)))
        return;
    SaveRtf(path);
}

}  // namespace quillon::ui
