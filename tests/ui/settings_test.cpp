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
        return {form.CheckSFQO, form.CheckSOD, form.Check1G, form.CheckTL, form.CheckDEF, form.CheckDTR};
    }
};

TEST_F(SettingsTest, FirstRunStartsFromTheDefaults) {
    for (QCheckBox* box : Switches(main())) EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_TRUE(main().CheckEISH->isChecked());
    EXPECT_FALSE(main().CheckEREZ->isChecked() || main().CheckEASK->isChecked());
    EXPECT_EQ(main().language(), Lang::Rus);
    EXPECT_EQ(main().openDialogFilterIndex, 2);
    EXPECT_TRUE(main().openDialogDir.isEmpty());
    EXPECT_TRUE(main().CheckKB->isChecked());
    EXPECT_FALSE(main().CheckKKF->isEnabled() || main().CheckOTI->isEnabled());
    EXPECT_FALSE(main().EditDLA->isEnabled());
}

TEST_F(SettingsTest, ClosingWritesAndTheNextWindowReadsEverything) {
    main().CheckSFQO->setChecked(true);
    main().Check1G->setChecked(true);
    main().CheckDEF->click();
    main().EditDLA->setText("rus");
    main().CheckDTR->setChecked(true);
    main().CheckEASK->click();
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
    EXPECT_TRUE(next->CheckSFQO->isChecked());
    EXPECT_FALSE(next->CheckSOD->isChecked());
    EXPECT_TRUE(next->Check1G->isChecked());
    EXPECT_TRUE(next->CheckEASK->isChecked());
    EXPECT_FALSE(next->CheckEISH->isChecked());
    EXPECT_TRUE(next->CheckDEF->isChecked());
    EXPECT_TRUE(next->EditDLA->isEnabled());
    EXPECT_EQ(next->EditDLA->text(), "rus");
    EXPECT_TRUE(next->CheckDTR->isChecked());
    EXPECT_EQ(next->openDialogDir, "/media/films");
    EXPECT_EQ(next->openDialogFilterIndex, 3);
    EXPECT_EQ(next->language(), Lang::Eng);
    next->show();  // showing applies the language
    EXPECT_EQ(next->PageControl1->tabText(next->PageControl1->indexOf(next->TabSheetCFG)), "config");
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
        {"export.reopen", "rez", [](TFormMain& f) { return f.CheckEREZ->isChecked() && !f.CheckEISH->isChecked(); }},
        {"export.reopen", "src", [](TFormMain& f) { return f.CheckEISH->isChecked(); }},
        {"export.reopen", "", [](TFormMain& f) { return f.CheckEISH->isChecked(); }},
        {"export.reopen", "whatever", [](TFormMain& f) { return f.CheckEISH->isChecked(); }},
        {"huge.file.message", "Y", [](TFormMain& f) { return !f.Check1G->isChecked(); }},  // exactly "y"
        {"lang", "", [](TFormMain& f) { return f.language() == Lang::Rus; }},
        {"lang", "deu", [](TFormMain& f) { return f.language() == Lang::Eng; }},
        {"add-sub.def.lang", "", [](TFormMain& f) { return f.EditDLA->text().isEmpty(); }},
    };
    for (const ReadCase& c : cases) {
        ClearSettings();
        WriteSetting(c.name, c.text);
        auto form = Restarted();
        EXPECT_TRUE(c.holds(*form)) << c.name << " = \"" << c.text << "\"";
    }
}

TEST_F(SettingsTest, PackingAndReopenChoicesActAsOneChoiceEach) {
    const std::vector<std::vector<QCheckBox*>> groups = {{main().CheckKB, main().CheckSB, main().CheckBG},
                                                         {main().CheckEISH, main().CheckEREZ, main().CheckEASK}};
    main().PageControl1->setCurrentWidget(main().TabSheetCFG);
    for (const auto& group : groups) {
        for (QCheckBox* chosen : group) {
            QTest::mouseClick(chosen, Qt::LeftButton);
            QTest::mouseClick(chosen, Qt::LeftButton);  // a second click keeps it chosen
            for (QCheckBox* box : group) EXPECT_EQ(box->isChecked(), box == chosen) << box->objectName().toStdString();
        }
    }
}

TEST_F(SettingsTest, SwitchesEnableTheirDependants) {
    main().CheckKKF->setChecked(true);
    main().CheckZNA->click();
    EXPECT_TRUE(main().CheckKKF->isEnabled() && main().CheckOTI->isEnabled());
    main().CheckZNA->click();
    EXPECT_FALSE(main().CheckKKF->isEnabled() || main().CheckOTI->isEnabled());
    EXPECT_TRUE(main().CheckKKF->isChecked());  // the state stays

    main().CheckDEF->click();
    EXPECT_TRUE(main().LabelDLA->isEnabled() && main().EditDLA->isEnabled() && main().CheckDTR->isEnabled());
    main().CheckDEF->click();
    EXPECT_FALSE(main().LabelDLA->isEnabled() || main().EditDLA->isEnabled() || main().CheckDTR->isEnabled());
}

}  // namespace
}  // namespace quillon::ui::test
