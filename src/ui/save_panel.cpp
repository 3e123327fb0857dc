// The save panel: building it, the request its controls make, and what it
// shows once the window has run the save.
#include "ui/save_panel.h"

#include <filesystem>

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

#include "save/output_name.h"
#include "ui/clickable_image.h"
#include "ui/pictures.h"
#include "ui/settings_tab.h"
#include "ui/ui_text.h"
#include "ui/widget_factory.h"

namespace quillon::ui {

SavePanel::SavePanel(const Document& doc, const Host& host, const SettingsTab& settings, QWidget* parent)
    : QFrame(parent), doc_(doc), host_(host), settings_(settings) {
    setObjectName("PanelSAVE");
    setFrameShape(QFrame::StyledPanel);
    Build();
    ConnectHandlers();
    // Idle until export or convert is ticked.
    OutOff();
    galkiOff();
    PanelSND->hide();
    PanelSUB->hide();
}

void SavePanel::Build() {
    CheckEX = Make<QCheckBox>(this, "CheckEX");
    CheckEX->setText(QStringLiteral("экспорт"));
    CheckAVI = Make<QCheckBox>(this, "CheckAVI");
    CheckAVI->setText(QStringLiteral("конверт"));
    EditOUT = Make<QLineEdit>(this, "EditOUT");
    ImageSA = Make<ClickableImage>(this, "ImageSA");
    ImageSA->setPixmap(pictures::SaveDisk());
    ImageSATT = Make<QLabel>(this, "ImageSATT");
    ImageSATT->setPixmap(pictures::NewFileMark());
    ImageSATT->hide();

    PanelSND = Make<QFrame>(this, "PanelSND");
    PanelSUB = Make<QFrame>(this, "PanelSUB");
    auto typeButton = [](QFrame* typePanel, const char* name, const char* caption) {
        auto* button = Make<QRadioButton>(typePanel, name);
        button->setText(QString::fromUtf8(caption));
        typePanel->layout()->addWidget(button);
        return button;
    };
    for (QFrame* typePanel : {PanelSND, PanelSUB}) {
        typePanel->setFrameShape(QFrame::StyledPanel);
        typePanel->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
        auto* row = new QHBoxLayout(typePanel);
        row->setContentsMargins(8, 2, 8, 2);
        row->setSpacing(8);
    }
    // The row order is the order the buttons are laid out in.
    RadioMKA = typeButton(PanelSND, "RadioMKA", "mka");
    RadioAAC = typeButton(PanelSND, "RadioAAC", "aac");
    RadioAC3 = typeButton(PanelSND, "RadioAC3", "ac3");
    RadioMP3 = typeButton(PanelSND, "RadioMP3", "mp3");
    RadioOGG = typeButton(PanelSND, "RadioOGG", "ogg");
    RadioFLAC = typeButton(PanelSND, "RadioFLAC", "flac");
    RadioWA3 = typeButton(PanelSND, "RadioWA3", "wav (mp3)");
    RadioWAV = typeButton(PanelSND, "RadioWAV", "wav (pcm)");
    RadioMKS = typeButton(PanelSUB, "RadioMKS", "mks");
    RadioSRT = typeButton(PanelSUB, "RadioSRT", "srt");
    RadioASS = typeButton(PanelSUB, "RadioASS", "ass");

    CheckCH = Make<QCheckBox>(this, "CheckCH");
    CheckCH->setText(QStringLiteral("выгрузить Chapters"));
    CheckAT = Make<QCheckBox>(this, "CheckAT");
    CheckAT->setText(QStringLiteral("выгрузить Attachments"));
    CheckTG = Make<QCheckBox>(this, "CheckTG");
    CheckTG->setText(QStringLiteral("выгрузить Tags"));
    CheckCU = Make<QCheckBox>(this, "CheckCU");
    CheckCU->setText(QStringLiteral("не создавать Cues"));
    CheckSH = Make<QCheckBox>(this, "CheckSH");
    CheckSH->setText(QStringLiteral("не создавать SeekHead"));

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(CheckEX);
    nameRow->addWidget(CheckAVI);
    nameRow->addWidget(EditOUT, 1);
    nameRow->addWidget(ImageSA);
    nameRow->addWidget(ImageSATT);
    // The type panels sit right-aligned with the output name.
    auto* typeRow = new QHBoxLayout;
    typeRow->addStretch();
    typeRow->addWidget(PanelSND);
    typeRow->addWidget(PanelSUB);
    typeRow->addSpacing(ImageSA->sizeHint().width() + 6);
    auto* optionRow = new QHBoxLayout;
    for (QCheckBox* option : {CheckCH, CheckAT, CheckTG, CheckCU, CheckSH}) optionRow->addWidget(option);
    optionRow->addStretch();

    // What the last save did, where the user looks: the file, its size, its folder.
    LabelSR = Make<QLabel>(this, "LabelSR");
    LabelSR->setTextFormat(Qt::RichText);
    LabelSR->setTextInteractionFlags(Qt::TextBrowserInteraction);
    LabelSR->setWordWrap(true);
    connect(LabelSR, &QLabel::linkActivated, this, [](const QString& folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    });

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(6, 4, 6, 4);
    rows->addLayout(nameRow);
    rows->addLayout(typeRow);
    rows->addLayout(optionRow);
    rows->addWidget(LabelSR);
}

QString SavePanel::Tr(const char* rus) const { return FromCore(host_.Tr(rus)); }

void SavePanel::ApplyLanguage() {
    ImageSA->setToolTip(Tr("сохранить (Ctrl+S)"));
    ImageSA->setAccessibleName(Tr("сохранить (Ctrl+S)"));
    ImageSATT->setToolTip(ScreenText(host_.Tr(
        "Требуется сохранение в новом файле.\r\nПосле сохранения исходный файл будет переоткрыт заново.")));
}

void SavePanel::ProposeOutputName() { EditOUT->setText(FromCore(makeOutFN(doc_.sourcePath))); }

void SavePanel::ShowNewFileNeeded() { ImageSATT->show(); }

void SavePanel::HideNewFileNeeded() { ImageSATT->hide(); }

bool SavePanel::NewFileNeeded() const { return !ImageSATT->isHidden(); }

void SavePanel::SaveByKey() {
    if (ImageSA->isVisible() && ImageSA->isEnabled()) emit saveRequested();
}

SaveRequest SavePanel::StartSave() {
    SaveRequest request;
    request.outputPath = ToCore(EditOUT->text());
    RemuxOptions remux;
    remux.packing = settings_.packing();
    remux.clusterRule = settings_.clusterRule();
    remux.writeCues = !CheckCU->isChecked();
    remux.writeSeekHeads = !CheckSH->isChecked();
    remux.chapters = CheckCH->isChecked();
    remux.attachments = CheckAT->isChecked();
    remux.tags = CheckTG->isChecked();
    if (CheckEX->isChecked()) request.job = ExportJob(ChosenExportType(), ToCore(RadioASS->text()), remux);
    else if (CheckAVI->isChecked()) request.job = AviJob{};
    OutOff();
    return request;
}

void SavePanel::FinishSave(SaveOutcome outcome, const std::string& outputPath) {
    UncheckOutputSwitches();
    ShowSaveResult(outcome, outputPath);
    HideNewFileNeeded();
}

void SavePanel::ShowSaveResult(SaveOutcome outcome, const std::string& outputPath) {
    const QString path = FromCore(outputPath);
    if (outcome != SaveOutcome::Written && outcome != SaveOutcome::WrittenWithWarnings) {
        const char* what = outcome == SaveOutcome::Stopped  ? "запись остановлена: "
                           : outcome == SaveOutcome::Failed ? "файл не записан: "
                                                            : "ничего не записано";
        LabelSR->setText(outcome == SaveOutcome::NothingWritten ? Tr(what) : Tr(what) + path.toHtmlEscaped());
        return;
    }
    std::error_code error;
    const auto bytes = std::filesystem::file_size(outputPath, error);
    const QFileInfo file(path);
    QString line = Tr(outcome == SaveOutcome::Written ? "записан файл: " : "записан файл (с предупреждениями, см. журнал): ") +
                   file.fileName().toHtmlEscaped();
    if (!error) line += " (" + QLocale().formattedDataSize(qint64(bytes)) + ")";
    line += QStringLiteral(" &nbsp;<a href=\"%1\">%2</a>").arg(file.absolutePath().toHtmlEscaped(), Tr("открыть папку"));
    LabelSR->setText(line);
    // The next save would ask to overwrite this one: its proposed name moves on.
    EditOUT->setText(FromCore(makeOutFN(outputPath)));
}

}  // namespace quillon::ui
