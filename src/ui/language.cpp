// The interface language: the caption table applied to the main window's
// controls, the texts the window sets itself, and the two flags that switch.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>

#include "core/messages.h"
#include "ui/attachments_tab.h"
#include "ui/caption_panel.h"
#include "ui/clickable_image.h"
#include "ui/codecs_tab.h"
#include "ui/container_tab.h"
#include "ui/contents_tab.h"
#include "ui/form_du.h"
#include "ui/form_main.h"
#include "ui/form_view.h"
#include "ui/form_yes_no.h"
#include "ui/qt_translations.h"
#include "ui/ui_text.h"

namespace quillon::ui {
namespace {

// The caption table names controls by the classes they were first made
// with; these are the Qt classes that stand in for them.
const char* TableClassName(const QObject* object, const QTabWidget* pages) {
    if (qobject_cast<const QAction*>(object)) return "TMenuItem";
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (!widget) return nullptr;
    if (pages->indexOf(const_cast<QWidget*>(widget)) >= 0) return "TTabSheet";
    if (qobject_cast<const QRadioButton*>(object)) return "TRadioButton";
    if (qobject_cast<const QCheckBox*>(object)) return "TCheckBox";
    if (qobject_cast<const QPushButton*>(object)) return "TBitBtn";
    if (qobject_cast<const QLineEdit*>(object)) return "TEdit";
    if (qobject_cast<const QLabel*>(object)) return "TLabel";  // before QFrame: a label is a frame too
    if (qobject_cast<const QFrame*>(object) || qobject_cast<const QGroupBox*>(object)) return "TPanel";
    return nullptr;
}

void SetCaption(QObject* object, QTabWidget* pages, const QString& caption) {
    if (auto* action = qobject_cast<QAction*>(object)) return action->setText(caption);
    auto* widget = qobject_cast<QWidget*>(object);
    if (const int page = pages->indexOf(widget); page >= 0) return pages->setTabText(page, caption);
    if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->setText(caption);
    if (auto* edit = qobject_cast<QLineEdit*>(object)) return edit->setText(caption);
    if (auto* label = qobject_cast<QLabel*>(object)) return label->setText(caption);
    if (auto* panel = qobject_cast<CaptionPanel*>(object)) return panel->setText(caption);
    if (auto* group = qobject_cast<QGroupBox*>(object)) return group->setTitle(caption);
}

}  // namespace

void TFormMain::TranslateMainWindow() {
    const Lang lang = host_.language();
    UseQtTranslations(lang);
    if (formDU_) formDU_->ApplyLanguage();
    // Controls that show only a picture say what they do to the mouse and to a screen reader.
    const std::pair<QWidget*, const char*> icons[] = {
        {ImageFI, "выбрать файл (Ctrl+O)"}, {ImageRU, "русский интерфейс"}, {ImageEN, "английский интерфейс"},
        {ImageX, "остановить"},
    };
    for (const auto& [icon, text] : icons) {
        icon->setToolTip(Tr(text));
        icon->setAccessibleName(Tr(text));
    }
    if (formView_) formView_->setWindowTitle(Tr("просмотр вложений"));
    for (QObject* object : findChildren<QObject*>()) {
        const char* className = TableClassName(object, PageControl1);
        if (!className || object->objectName().isEmpty()) continue;
        const TCompLangRec* row = FindCaption(ToCore(object->objectName()), className);
        if (row) SetCaption(object, PageControl1, QString::fromUtf8(lang == Lang::Rus ? row->rus : row->eng));
    }
    // The open button's caption follows the page it opens for.
    if (PageControl1->currentWidget() == TabSheetCH) BitBtnHDR->setText(Tr("открыть и проверить контейнер"));
    ButtonBATCH->setText(Tr("много файлов…"));
    ButtonBATCH->setToolTip(Tr("пересобрать много файлов по одним правилам (Ctrl+B)"));


    // The file name is re-labelled only while it still shows the placeholder.
    const TMessLangRec& placeholder = MessageTable()[0];
    if (EditIN->text() == QString::fromUtf8(placeholder.rus) || EditIN->text() == QString::fromUtf8(placeholder.eng))
        EditIN->setText(Tr(placeholder.rus));

    TabSheetRE->ApplyLanguage();
    TabSheetCDK->ApplyLanguage();
    TabSheetATT->ApplyLanguage();
    TabSheetCH->ApplyLanguage();
}

void TFormMain::ApplyLanguage(Lang lang) {
    if (lang == Lang::Rus)
        ImageRUClick();
    else
        ImageENClick();
}

void TFormMain::ImageRUClick() {
    ImageRU->setPixmap(ImageBRU);
    ImageEN->setPixmap(ImageGEN);
    host_.setLanguage(Lang::Rus);
    if (formYesNo_) formYesNo_->SetLanguageChar('r');
    TranslateMainWindow();
}

void TFormMain::ImageENClick() {
    ImageRU->setPixmap(ImageGRU);
    ImageEN->setPixmap(ImageBEN);
    host_.setLanguage(Lang::Eng);
    if (formYesNo_) formYesNo_->SetLanguageChar('e');
    TranslateMainWindow();
}

}  // namespace quillon::ui
