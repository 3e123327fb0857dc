// The settings tab: its controls and how they hold together (the packing and
// reopen choices act as one choice each; switches enable their dependants).
#include "ui/settings_tab.h"

#include <QHBoxLayout>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/clickable_image.h"
#include "ui/pictures.h"
#include "ui/widget_factory.h"

namespace quillon::ui {
namespace {

QCheckBox* Box(QWidget* parent, const char* name, const char* caption) {
    auto* box = Make<QCheckBox>(parent, name);
    box->setText(QString::fromUtf8(caption));
    return box;
}

QLabel* Label(QWidget* parent, const char* name, const char* caption) {
    auto* label = Make<QLabel>(parent, name);
    label->setText(QString::fromUtf8(caption));
    return label;
}

QFrame* Section(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

}  // namespace

SettingsTab::SettingsTab(QWidget* parent) : QWidget(parent) {
    setObjectName("TabSheetCFG");
    Build();
    ConnectHandlers();
}

void SettingsTab::Build() {
    QWidget* page = this;
    auto* layout = new QVBoxLayout(page);

    auto* openSection = Section(page);
    CheckSFQO = Box(openSection, "CheckSFQO", "открывать выбираемый файл без нажатия на кнопку, т.е. сразу.");
    CheckSOD = Box(openSection, "CheckSOD", "при открытии нового файла автоматически переключаться в закладку  'содержание'");
    Check1G = Box(openSection, "Check1G", "выдавать сообщение при открытии больших файлов ( > 1Gb )");
    CheckTL = Box(openSection, "CheckTL",
                  "при полном открытии автоматически проверять timeline и сообщать, если он не линейный");
    auto* openLayout = new QVBoxLayout(openSection);
    for (QCheckBox* box : {CheckSFQO, CheckSOD, Check1G, CheckTL}) openLayout->addWidget(box);

    auto* packSection = Section(page);
    LabelPB = Label(packSection, "LabelPB", "паковать блоки");
    CheckKB = Box(packSection, "CheckKB", "оставить как было");
    CheckSB = Box(packSection, "CheckSB", "в SimpleBlock");
    CheckBG = Box(packSection, "CheckBG", "в BlockGroup");
    CheckKB->setChecked(true);
    CheckZNA = Box(packSection, "CheckZNA", " я знаю, что делаю");
    CheckKKF = Box(packSection, "CheckKKF",
                   "начинать кластер с KeyFrame видео потока.   (не надо ставить эту галку при нескольких видео в "
                   "контейнере)");
    CheckOTI = Box(packSection, "CheckOTI", "создавать кластеры со старыми значениями TimeCode");
    CheckKKF->setEnabled(false);
    CheckOTI->setEnabled(false);
    auto* packLayout = new QGridLayout(packSection);
    packLayout->addWidget(LabelPB, 0, 0);
    packLayout->addWidget(CheckKB, 0, 1);
    packLayout->addWidget(CheckSB, 0, 2);
    packLayout->addWidget(CheckBG, 0, 3);
    packLayout->setColumnStretch(4, 1);
    packLayout->addWidget(CheckZNA, 1, 0, 1, 5);
    packLayout->addWidget(CheckKKF, 2, 0, 1, 5);
    packLayout->addWidget(CheckOTI, 3, 0, 1, 5);

    auto* reopenSection = Section(page);
    LabelAE1 = Label(reopenSection, "LabelAE1", "после такого");
    LabelAE2 = Label(reopenSection, "LabelAE2", "экспорта открыть");
    CheckEISH = Box(reopenSection, "CheckEISH", "исходный файл");
    CheckEREZ = Box(reopenSection, "CheckEREZ", "результат");
    CheckEASK = Box(reopenSection, "CheckEASK", "спросить");
    CheckEISH->setChecked(true);
    auto* reopenLayout = new QGridLayout(reopenSection);
    // The two halves of the caption read as one line before the choices.
    auto* caption = new QHBoxLayout;
    caption->setSpacing(4);
    caption->addWidget(LabelAE1);
    caption->addWidget(LabelAE2);
    reopenLayout->addLayout(caption, 0, 0);
    reopenLayout->addWidget(CheckEISH, 0, 1);
    reopenLayout->addWidget(CheckEREZ, 0, 2);
    reopenLayout->addWidget(CheckEASK, 0, 3);
    reopenLayout->setColumnStretch(4, 1);

    auto* subsSection = Section(page);
    CheckDEF = Box(subsSection, "CheckDEF", "при добавлении субтитров ставить по умолчанию:");
    LabelDLA = Label(subsSection, "LabelDLA", "язык");
    EditDLA = Make<QLineEdit>(subsSection, "EditDLA");
    EditDLA->setMaxLength(3);
    EditDLA->setMaximumWidth(60);
    CheckDTR = Box(subsSection, "CheckDTR", "трек по умолчанию");
    auto* subsLayout = new QGridLayout(subsSection);
    subsLayout->addWidget(CheckDEF, 0, 0, 1, 4);
    subsLayout->addWidget(LabelDLA, 1, 0);
    subsLayout->addWidget(EditDLA, 1, 1);
    subsLayout->addWidget(CheckDTR, 1, 2);
    subsLayout->setColumnStretch(3, 1);

    ImageLOGO = Make<ClickableImage>(page, "ImageLOGO");
    ImageLOGO->setPixmap(pictures::Logo());
    ImageLOGO->setToolTip(QStringLiteral("README"));

    layout->addWidget(openSection);
    layout->addWidget(packSection);
    layout->addWidget(reopenSection);
    layout->addWidget(subsSection);
    layout->addStretch();
    layout->addWidget(ImageLOGO, 0, Qt::AlignRight | Qt::AlignBottom);
    CheckDEFClick();
}

void SettingsTab::ConnectHandlers() {
    for (QCheckBox* box : {CheckKB, CheckSB, CheckBG})
        connect(box, &QCheckBox::clicked, this, [this, box] { CheckKBClick(box); });
    for (QCheckBox* box : {CheckEISH, CheckEREZ, CheckEASK})
        connect(box, &QCheckBox::clicked, this, [this, box] { CheckEISHClick(box); });
    connect(CheckDEF, &QCheckBox::clicked, this, &SettingsTab::CheckDEFClick);
    connect(CheckZNA, &QCheckBox::clicked, this, &SettingsTab::CheckZNAClick);
    connect(ImageLOGO, &ClickableImage::clicked, this, &SettingsTab::ImageLOGOClick);
}

void SettingsTab::CheckKBClick(QCheckBox* chosen) {
    for (QCheckBox* box : {CheckKB, CheckSB, CheckBG}) box->setChecked(box == chosen);
}

void SettingsTab::CheckEISHClick(QCheckBox* chosen) {
    for (QCheckBox* box : {CheckEISH, CheckEREZ, CheckEASK}) box->setChecked(box == chosen);
}

void SettingsTab::CheckDEFClick() {
    const bool on = CheckDEF->isChecked();
    LabelDLA->setEnabled(on);
    EditDLA->setEnabled(on);
    CheckDTR->setEnabled(on);
    QPalette colours = EditDLA->palette();
    colours.setColor(QPalette::Disabled, QPalette::Base, palette().color(QPalette::Button));
    colours.setColor(QPalette::Active, QPalette::Base, palette().color(QPalette::Base));
    colours.setColor(QPalette::Inactive, QPalette::Base, palette().color(QPalette::Base));
    EditDLA->setPalette(colours);
}

void SettingsTab::CheckZNAClick() {
    CheckKKF->setEnabled(CheckZNA->isChecked());
    CheckOTI->setEnabled(CheckZNA->isChecked());
}

void SettingsTab::ImageLOGOClick() {
    // Beside an installed program first, else the source tree it was built from.
    const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/README.md");
    const QString readme = QFileInfo::exists(installed) ? installed : QStringLiteral(QUILLON_README_PATH);
    QDesktopServices::openUrl(QUrl::fromLocalFile(readme));
}

bool SettingsTab::OpensAtOnce() const { return CheckSFQO->isChecked(); }
bool SettingsTab::SwitchesToContents() const { return CheckSOD->isChecked(); }
bool SettingsTab::WarnsOfBigFiles() const { return Check1G->isChecked(); }
void SettingsTab::StopBigFileWarnings() { Check1G->setChecked(false); }
bool SettingsTab::ChecksTimeline() const { return CheckTL->isChecked(); }

void SettingsTab::ResetPacking() {
    CheckSB->setEnabled(true);
    CheckKBClick(CheckKB);
}

void SettingsTab::AllowSimpleBlocks(bool allowed) {
    CheckSB->setEnabled(allowed);
    if (!allowed) CheckKBClick(CheckKB);
}

Packing SettingsTab::packing() const {
    return CheckSB->isChecked() ? Packing::SimpleBlock : CheckBG->isChecked() ? Packing::BlockGroup : Packing::AsBefore;
}

// The cluster rules are offered only after "я знаю, что делаю"; a rule
// ticked then stays in force when that box is cleared again.
ClusterRule SettingsTab::clusterRule() const {
    return CheckKKF->isChecked() ? ClusterRule::KeyFrame : CheckOTI->isChecked() ? ClusterRule::OldClusters : ClusterRule::Time;
}

ReopenChoice SettingsTab::reopenChoice() const {
    if (CheckEASK->isChecked()) return ReopenChoice::Ask;
    return CheckEREZ->isChecked() ? ReopenChoice::Result : ReopenChoice::Source;
}

SubtitleDefaults SettingsTab::subtitleDefaults() const {
    return {CheckDEF->isChecked(), EditDLA->text(), CheckDTR->isChecked()};
}

}  // namespace quillon::ui
