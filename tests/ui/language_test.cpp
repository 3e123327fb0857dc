// The interface language: captions from the table in both languages, the
// texts the window sets itself, the placeholder rule, and the lookup of
// everything the core reports.
#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include "core/messages.h"
#include "ui/caption_panel.h"
#include "ui/clickable_image.h"
#include "ui/form_yes_no.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class LanguageTest : public UiTest {
protected:
    // The text a control of the caption table shows now; null when the
    // window has no such control.
    QString Caption(const char* name) {
        QObject* object = main().findChild<QObject*>(name);
        if (!object) return QString();
        if (auto* action = qobject_cast<QAction*>(object)) return action->text();
        if (auto* page = qobject_cast<QWidget*>(object); main().PageControl1->indexOf(page) >= 0)
            return main().PageControl1->tabText(main().PageControl1->indexOf(page));
        if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->text();
        if (auto* label = qobject_cast<QLabel*>(object)) return label->text();
        if (auto* panel = qobject_cast<CaptionPanel*>(object)) return panel->text();
        return QString();
    }
};

TEST_F(LanguageTest, EveryControlOfTheTableShowsItsCaptionInBothLanguages) {
    int present = 0;
    for (const bool english : {true, false, true}) {
        english ? main().ImageENClick() : main().ImageRUClick();
        for (const TCompLangRec& row : CaptionTable()) {
            if (!main().findChild<QObject*>(row.component)) continue;  // comes with a later window part
            ++present;
            EXPECT_EQ(Caption(row.component), QString::fromUtf8(english ? row.eng : row.rus)) << row.component;
        }
    }
    EXPECT_GE(present, 3 * 38);  // the tabs, the save panel, the settings tab, the tree menu
}

TEST_F(LanguageTest, AFirstStartFollowsTheLocaleAndTheStoredChoiceWins) {
    // The tests run under a Russian locale; an English one makes a fresh
    // start English.
    windows_ = AppWindows{};
    ClearSettings();
    qputenv("LC_ALL", "en_US.UTF-8");
    windows_ = CreateAppWindows();
    qputenv("LC_ALL", "ru_RU.UTF-8");
    main().show();
    EXPECT_EQ(main().host().language(), Lang::Eng);
    EXPECT_EQ(main().PageControl1->tabText(main().PageControl1->indexOf(Find<QWidget>("TabSheetCH"))), "container review");
    // Russian chosen and stored: it comes back whatever the locale says.
    main().ImageRUClick();
    main().SaveConfig();
    windows_ = AppWindows{};
    qputenv("LC_ALL", "en_US.UTF-8");
    windows_ = CreateAppWindows();
    qputenv("LC_ALL", "ru_RU.UTF-8");
    EXPECT_EQ(main().host().language(), Lang::Rus);
}

TEST_F(LanguageTest, QtsOwnTextsFollowTheLanguage) {
    const auto cancel = [] { return QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text(); };
    main().ImageRUClick();
    EXPECT_EQ(cancel(), QStringLiteral("Отмена"));
    main().ImageENClick();
    EXPECT_EQ(cancel(), "Cancel");
}

TEST_F(LanguageTest, RussianCaptionsComeFromTheTableNotTheWindowDefinition) {
    const int page = main().PageControl1->indexOf(Find<QWidget>("TabSheetCH"));
    EXPECT_EQ(main().PageControl1->tabText(page), QStringLiteral("контейнер"));
    EXPECT_EQ(main().PageControl1->tabText(main().PageControl1->indexOf(Find<QWidget>("TabSheetATT"))), QStringLiteral("вложения"));
}

TEST_F(LanguageTest, WindowTextsFollowTheLanguage) {
    main().ImageENClick();
    EXPECT_EQ(Find<QTableWidget>("Tracks")->item(0, 1)->text(), "type");
    EXPECT_EQ(Find<QTableWidget>("Tracks")->item(0, 2)->text(), "description");
    EXPECT_EQ(Find<QTableWidget>("Tracks")->item(0, 3)->text(), "lang");
    EXPECT_EQ(Find<QLabel>("ImageSATT")->toolTip(), "To new file saving needs.\nAfter saving source file will be reopened");
    main().PageControl1->setCurrentWidget(Find<QWidget>("TabSheetCH"));
    EXPECT_EQ(main().BitBtnHDR->text(), "open file and check container");
    main().ImageRUClick();
    EXPECT_EQ(main().BitBtnHDR->text(), QStringLiteral("открыть и проверить контейнер"));
    EXPECT_EQ(Find<QTableWidget>("Tracks")->item(0, 1)->text(), QStringLiteral("тип"));
}

TEST_F(LanguageTest, PlaceholderIsRelabelledButATypedPathIsNot) {
    OpenOn(QString(), Find<QWidget>("TabSheetRE"));
    ASSERT_EQ(main().EditIN->text(), QStringLiteral("сюда надо положить имя файла"));
    main().ImageENClick();
    EXPECT_EQ(main().EditIN->text(), "you sould put filename here first");
    main().ImageRUClick();
    EXPECT_EQ(main().EditIN->text(), QStringLiteral("сюда надо положить имя файла"));

    main().EditIN->setText("/films/кино.mkv");
    main().ImageENClick();
    EXPECT_EQ(main().EditIN->text(), QStringLiteral("/films/кино.mkv"));
}

TEST_F(LanguageTest, FlagsShowTheChosenLanguage) {
    const auto shows = [](const QLabel* image, const QPixmap& picture) { return image->pixmap().toImage() == picture.toImage(); };
    main().ImageENClick();
    EXPECT_TRUE(shows(main().ImageEN, main().ImageBEN));
    EXPECT_TRUE(shows(main().ImageRU, main().ImageGRU));
    main().ImageRUClick();
    EXPECT_TRUE(shows(main().ImageEN, main().ImageGEN));
    EXPECT_TRUE(shows(main().ImageRU, main().ImageBRU));
}

TEST_F(LanguageTest, CoreMessagesAndQuestionsComeInTheChosenLanguage) {
    main().ImageENClick();
    EXPECT_EQ(yesNo().LanguageChar(), 'e');
    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), true);
    EXPECT_TRUE(LogLines().contains("• operation complete"));
    EXPECT_TRUE(LogLines().contains("• loading data"));
    main().host().AddLog("• ошибка в структуре файла");
    main().host().AddLog("r e a d y");  // no row: unchanged
    EXPECT_EQ(LogLines().mid(LogLines().size() - 2), (QStringList{"• file structure error", "r e a d y"}));

    ModalSeen& seen = AnswerNextModal(false);
    main().host().Ask("Файл с таким именем уже существует.\r\nПерезаписать?");
    EXPECT_EQ(seen.text, "File already exists.   Override?");
    EXPECT_EQ(seen.yes, "yes");
    EXPECT_EQ(seen.no, "no");
}

}  // namespace
}  // namespace quillon::ui::test
