// Preferences: what a first run starts with, the round trip through the
// stored values, the read rules, and how the settings tab's controls hold
// together.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTabWidget>
#include <QTest>

#include "ui/settings_store.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class SettingsTest : public UiTest {
protected:
    // A new main window reads what the stored values say now.
    std::unique_ptr<TFormMain> Restarted() { return std::make_unique<TFormMain>(); }
    std::vector<QCheckBox*> Switches(TFormMain& form) {
        return {Find<QCheckBox>(form, "CheckSFQO"), Find<QCheckBox>(form, "CheckSOD"), Find<QCheckBox>(form, "Check1G"), Find<QCheckBox>(form, "CheckTL"), Find<QCheckBox>(form, "CheckDEF"), Find<QCheckBox>(form, "CheckDTR")};
    }
};

TEST_F(SettingsTest, FirstRunStartsFromTheDefaults) {
    for (QCheckBox* box : Switches(main())) EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_TRUE(Find<QCheckBox>("CheckEISH")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("CheckEREZ")->isChecked() || Find<QCheckBox>("CheckEASK")->isChecked());
    EXPECT_EQ(main().language(), Lang::Rus);
    EXPECT_EQ(main().openDialogFilterIndex, 2);
    EXPECT_TRUE(main().openDialogDir.isEmpty());
    EXPECT_TRUE(Find<QCheckBox>("CheckKB")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("CheckKKF")->isEnabled() || Find<QCheckBox>("CheckOTI")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("EditDLA")->isEnabled());
}

TEST_F(SettingsTest, ClosingWritesAndTheNextWindowReadsEverything) {
    Find<QCheckBox>("CheckSFQO")->setChecked(true);
    Find<QCheckBox>("Check1G")->setChecked(true);
    Find<QCheckBox>("CheckDEF")->click();
    Find<QLineEdit>("EditDLA")->setText("rus");
    Find<QCheckBox>("CheckDTR")->setChecked(true);
    Find<QCheckBox>("CheckEASK")->click();
    main().openDialogDir = "/media/films";
    main().openDialogFilterIndex = 3;
    main().ImageENClick();
    main().close();

    QSettings stored(kSettingsOrganisation, kSettingsApplication);
    const std::pair<const char*, const char*> values[] = {
        {"initial.dir", "/media/films"}, {"initial.fin", "3"},          {"source.file.quick.open", "y"},
        {"auto.switch.to.content", "n"}, {"huge.file.message", "y"},    {"auto.timeline.check", "n"},
        {"export.reopen", "ask"},        {"add-sub.def", "y"},          {"add-sub.def.lang", "rus"},
        {"add-sub.def.tr", "y"},         {"lang", "eng"},
    };
    for (const auto& [name, text] : values) EXPECT_EQ(stored.value(name).toString(), text) << name;
    EXPECT_FALSE(stored.contains("paint.tags"));  // the dump window's own

    auto next = Restarted();
    EXPECT_TRUE(Find<QCheckBox>(*next, "CheckSFQO")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(*next, "CheckSOD")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(*next, "Check1G")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(*next, "CheckEASK")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(*next, "CheckEISH")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(*next, "CheckDEF")->isChecked());
    EXPECT_TRUE(Find<QLineEdit>(*next, "EditDLA")->isEnabled());
    EXPECT_EQ(Find<QLineEdit>(*next, "EditDLA")->text(), "rus");
    EXPECT_TRUE(Find<QCheckBox>(*next, "CheckDTR")->isChecked());
    EXPECT_EQ(next->openDialogDir, "/media/films");
    EXPECT_EQ(next->openDialogFilterIndex, 3);
    EXPECT_EQ(next->language(), Lang::Eng);
    next->show();  // showing applies the language
    EXPECT_EQ(next->PageControl1->tabText(next->PageControl1->indexOf(Find<QWidget>(*next, "TabSheetCFG"))), "config");
}

TEST_F(SettingsTest, ReadRules) {
    struct ReadCase {
        const char* name;
        const char* text;
        std::function<bool(TFormMain&)> holds;
    };
    const ReadCase cases[] = {
        {"initial.fin", "abc", [](TFormMain& f) { return f.openDialogFilterIndex == 2; }},
        {"initial.fin", "", [](TFormMain& f) { return f.openDialogFilterIndex == 2; }},
        {"initial.fin", "-2", [](TFormMain& f) { return f.openDialogFilterIndex == -2; }},
        {"initial.fin", "-", [](TFormMain& f) { return f.openDialogFilterIndex == 2; }},
        {"export.reopen", "rez", [](TFormMain& f) { return Find<QCheckBox>(f, "CheckEREZ")->isChecked() && !Find<QCheckBox>(f, "CheckEISH")->isChecked(); }},
        {"export.reopen", "src", [](TFormMain& f) { return Find<QCheckBox>(f, "CheckEISH")->isChecked(); }},
        {"export.reopen", "", [](TFormMain& f) { return Find<QCheckBox>(f, "CheckEISH")->isChecked(); }},
        {"export.reopen", "whatever", [](TFormMain& f) { return Find<QCheckBox>(f, "CheckEISH")->isChecked(); }},
        {"huge.file.message", "Y", [](TFormMain& f) { return !Find<QCheckBox>(f, "Check1G")->isChecked(); }},  // exactly "y"
        {"lang", "", [](TFormMain& f) { return f.language() == Lang::Rus; }},
        {"lang", "deu", [](TFormMain& f) { return f.language() == Lang::Eng; }},
        {"add-sub.def.lang", "", [](TFormMain& f) { return Find<QLineEdit>(f, "EditDLA")->text().isEmpty(); }},
    };
    for (const ReadCase& c : cases) {
        ClearSettings();
        WriteSetting(c.name, c.text);
        auto form = Restarted();
        EXPECT_TRUE(c.holds(*form)) << c.name << " = \"" << c.text << "\"";
    }
}

TEST_F(SettingsTest, PackingAndReopenChoicesActAsOneChoiceEach) {
    const std::vector<std::vector<QCheckBox*>> groups = {{Find<QCheckBox>("CheckKB"), Find<QCheckBox>("CheckSB"), Find<QCheckBox>("CheckBG")},
                                                         {Find<QCheckBox>("CheckEISH"), Find<QCheckBox>("CheckEREZ"), Find<QCheckBox>("CheckEASK")}};
    main().PageControl1->setCurrentWidget(Find<QWidget>("TabSheetCFG"));
    for (const auto& group : groups) {
        for (QCheckBox* chosen : group) {
            QTest::mouseClick(chosen, Qt::LeftButton);
            QTest::mouseClick(chosen, Qt::LeftButton);  // a second click keeps it chosen
            for (QCheckBox* box : group) EXPECT_EQ(box->isChecked(), box == chosen) << box->objectName().toStdString();
        }
    }
}

TEST_F(SettingsTest, SwitchesEnableTheirDependants) {
    Find<QCheckBox>("CheckKKF")->setChecked(true);
    Find<QCheckBox>("CheckZNA")->click();
    EXPECT_TRUE(Find<QCheckBox>("CheckKKF")->isEnabled() && Find<QCheckBox>("CheckOTI")->isEnabled());
    Find<QCheckBox>("CheckZNA")->click();
    EXPECT_FALSE(Find<QCheckBox>("CheckKKF")->isEnabled() || Find<QCheckBox>("CheckOTI")->isEnabled());
    EXPECT_TRUE(Find<QCheckBox>("CheckKKF")->isChecked());  // the state stays

    Find<QCheckBox>("CheckDEF")->click();
    EXPECT_TRUE(Find<QLabel>("LabelDLA")->isEnabled() && Find<QLineEdit>("EditDLA")->isEnabled() && Find<QCheckBox>("CheckDTR")->isEnabled());
    Find<QCheckBox>("CheckDEF")->click();
    EXPECT_FALSE(Find<QLabel>("LabelDLA")->isEnabled() || Find<QLineEdit>("EditDLA")->isEnabled() || Find<QCheckBox>("CheckDTR")->isEnabled());
}

}  // namespace
}  // namespace quillon::ui::test
