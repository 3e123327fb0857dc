// Reading the preferences when the main window is made and writing them when
// it closes: the window's own (open dialog, language) and the settings tab's. A missing value reads as the empty text: every switch off, the
// language Russian, the reopen choice "source file".
#include "ui/settings_store.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>

#include "ui/form_main.h"
#include "ui/settings_tab.h"

namespace quillon::ui {
namespace {

QString YesNo(const QCheckBox* box) { return box->isChecked() ? QStringLiteral("y") : QStringLiteral("n"); }

}  // namespace

QString ReadSetting(const char* name) {
    const QSettings settings(kSettingsOrganisation, kSettingsApplication);
    return settings.value(QString::fromLatin1(name)).toString();
}

void WriteSetting(const char* name, const QString& text) {
    QSettings settings(kSettingsOrganisation, kSettingsApplication);
    settings.setValue(QString::fromLatin1(name), text);
}

bool IsIntegerText(const QString& text) {
    const qsizetype start = text.startsWith('-') ? 1 : 0;
    if (text.size() <= start) return false;
    for (qsizetype i = start; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

void TFormMain::ReadConfig() {
    const QString dir = ReadSetting("initial.dir");
    if (!dir.isEmpty()) openDialogDir = dir;
    const QString filterIndex = ReadSetting("initial.fin");
    if (IsIntegerText(filterIndex)) openDialogFilterIndex = filterIndex.toInt();

    TabSheetCFG->ReadSettings();

    const QString lang = ReadSetting("lang");
    // A first start speaks the locale's language; the stored choice wins afterwards.
    host_.setLanguage(lang.isEmpty() ? LangFromEnvironment() : LangFromCode(lang.toStdString()));
}

void TFormMain::SaveConfig() {
    WriteSetting("initial.dir", openDialogDir);
    WriteSetting("initial.fin", QString::number(openDialogFilterIndex));
    TabSheetCFG->WriteSettings();
    WriteSetting("lang", QString::fromLatin1(LangCode(host_.language())));
}

void SettingsTab::ReadSettings() {
    const std::pair<const char*, QCheckBox*> switches[] = {
        {"source.file.quick.open", CheckSFQO}, {"auto.switch.to.content", CheckSOD}, {"huge.file.message", Check1G},
        {"auto.timeline.check", CheckTL},      {"add-sub.def", CheckDEF},            {"add-sub.def.tr", CheckDTR},
    };
    for (const auto& [name, box] : switches) box->setChecked(ReadSetting(name) == "y");
    CheckDEFClick();

    const QString reopen = ReadSetting("export.reopen");
    CheckEISHClick(reopen == "ask" ? CheckEASK : reopen == "rez" ? CheckEREZ : CheckEISH);

    const QString language = ReadSetting("add-sub.def.lang");
    if (!language.isEmpty()) EditDLA->setText(language);
}

void SettingsTab::WriteSettings() const {
    WriteSetting("source.file.quick.open", YesNo(CheckSFQO));
    WriteSetting("auto.switch.to.content", YesNo(CheckSOD));
    WriteSetting("huge.file.message", YesNo(Check1G));
    WriteSetting("auto.timeline.check", YesNo(CheckTL));
    if (CheckEISH->isChecked()) WriteSetting("export.reopen", "src");
    if (CheckEREZ->isChecked()) WriteSetting("export.reopen", "rez");
    if (CheckEASK->isChecked()) WriteSetting("export.reopen", "ask");
    WriteSetting("add-sub.def", YesNo(CheckDEF));
    WriteSetting("add-sub.def.lang", EditDLA->text());
    WriteSetting("add-sub.def.tr", YesNo(CheckDTR));
}

}  // namespace quillon::ui
