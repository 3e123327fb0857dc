// The save panel: which types the checked tracks offer, the output name's
// extension, and saves driven through the panel into real files.
#include <QDir>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "reader/open_file.h"
#include "ui/caption_panel.h"
#include "ui/clickable_image.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

// Records the log of a second reading without a window.
class QuietHost : public Host {
protected:
    void logLine(const std::string&) override {}
};

class SavePanelTest : public UiTest {
protected:
    void Open(const QString& path) { OpenOn(path, Find<QWidget>("TabSheetRE")); }
    // Leaves only the tracks whose grid rows are listed checked, the way a
    // user does: select none, then press the check cells.
    void CheckOnly(std::initializer_list<int> rows) {
        QTest::mouseClick(Find<ClickableImage>("ImageTX"), Qt::LeftButton);
        ASSERT_EQ(main().document().tatra[0].selectMark, "");
        QTableWidget* grid = Find<QTableWidget>("Tracks");
        for (int row : rows)
            QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                              grid->visualRect(grid->model()->index(row, 0)).center());
    }
    QStringList ShownButtons(QWidget* panel) {
        QStringList shown;
        for (QRadioButton* button : panel->findChildren<QRadioButton*>())
            if (!button->isHidden()) shown << button->text();
        return shown;
    }
    QString Extension() { return "." + Find<QLineEdit>("EditOUT")->text().section('.', -1); }
    TrackTable TracksOf(const QString& path) {
        Document doc;
        doc.sourcePath = path.toStdString();
        QuietHost host;
        ReadHeader(doc, host);
        return doc.tatra;
    }
};

TEST_F(SavePanelTest, ExportOffersTypesByTheCheckedTracks) {
    struct PanelCase {
        const char* what;
        QString file;
        std::initializer_list<int> checked;
        const char* extension;
        bool soundPanel, subsPanel;
        QStringList buttons;  // shown on the visible type panel
    };
    const PanelCase cases[] = {
        {"all tracks", SamplePath(), {1, 2, 3}, ".mkv", false, false, {}},
        {"audio and subtitles count as several", SamplePath(), {2, 3}, ".mkv", false, false, {}},
        {"one AC-3 track", SamplePath(), {2}, ".mka", true, false, {"mka", "ac3", "wav (pcm)"}},
        {"one SRT track", SamplePath(), {3}, ".mks", false, true, {"mks", "srt"}},
        {"one ASS track", FfmpegSamplePath(), {3}, ".mks", false, true, {"mks", "srt", "ass"}},
        {"one Opus track: Matroska or decoded", FfmpegSamplePath(), {2}, ".mka", true, false, {"mka", "wav (pcm)"}},
    };
    for (const PanelCase& c : cases) {
        SCOPED_TRACE(c.what);
        Open(c.file);
        CheckOnly(c.checked);
        Find<QCheckBox>("CheckEX")->click();
        ASSERT_TRUE(Find<QCheckBox>("CheckEX")->isChecked());
        EXPECT_EQ(Extension(), c.extension);
        EXPECT_EQ(Find<QFrame>("PanelSND")->isVisible(), c.soundPanel);
        EXPECT_EQ(Find<QFrame>("PanelSUB")->isVisible(), c.subsPanel);
        if (c.soundPanel) {
            EXPECT_EQ(ShownButtons(Find<QFrame>("PanelSND")), c.buttons);
        }
        if (c.subsPanel) {
            EXPECT_EQ(ShownButtons(Find<QFrame>("PanelSUB")), c.buttons);
        }
        EXPECT_TRUE(Find<QLineEdit>("EditOUT")->isEnabled());
        EXPECT_TRUE(Find<ClickableImage>("ImageSA")->isVisible());
        EXPECT_TRUE(Find<QCheckBox>("CheckCU")->isEnabled());
        EXPECT_TRUE(Find<QCheckBox>("CheckSH")->isEnabled());
        Find<QCheckBox>("CheckEX")->click();  // back to idle
    }
}

TEST_F(SavePanelTest, SeveralTracksKeepChaptersAndAttachmentsOfTheFile) {
    Open(SamplePath());
    Find<QCheckBox>("CheckEX")->click();
    EXPECT_TRUE(Find<QCheckBox>("CheckCH")->isEnabled() && Find<QCheckBox>("CheckCH")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("CheckAT")->isEnabled() && Find<QCheckBox>("CheckAT")->isChecked());

    Find<QCheckBox>("CheckEX")->click();
    for (QCheckBox* option : {Find<QCheckBox>("CheckCH"), Find<QCheckBox>("CheckAT"), Find<QCheckBox>("CheckCU"), Find<QCheckBox>("CheckSH")}) {
        EXPECT_FALSE(option->isChecked()) << option->objectName().toStdString();
        EXPECT_FALSE(option->isEnabled()) << option->objectName().toStdString();
    }
    EXPECT_FALSE(Find<QLineEdit>("EditOUT")->isEnabled());
    EXPECT_FALSE(Find<ClickableImage>("ImageSA")->isVisible());
    EXPECT_FALSE(Find<QFrame>("PanelSND")->isVisible());
}

TEST_F(SavePanelTest, TypeButtonsChangeTheExtension) {
    Open(SamplePath());
    CheckOnly({2});
    Find<QLineEdit>("EditOUT")->setText("/tmp/dir.with.dot/film.001.mka");
    Find<QCheckBox>("CheckEX")->click();
    Find<QRadioButton>("RadioAC3")->click();
    EXPECT_EQ(Find<QLineEdit>("EditOUT")->text(), "/tmp/dir.with.dot/film.001.ac3");
    Find<QRadioButton>("RadioMKA")->click();
    EXPECT_EQ(Find<QLineEdit>("EditOUT")->text(), "/tmp/dir.with.dot/film.001.mka");

    Find<QLineEdit>("EditOUT")->setText("/tmp/dir.with.dot/film");  // no dot in the name part
    Find<QRadioButton>("RadioAC3")->click();
    EXPECT_EQ(Find<QLineEdit>("EditOUT")->text(), "/tmp/dir.with.dot/film.ac3");
}

TEST_F(SavePanelTest, ExportAndConvertExcludeEachOther) {
    Open(SamplePath());
    CheckOnly({1, 2});
    Find<QCheckBox>("CheckEX")->click();
    ASSERT_TRUE(Find<QCheckBox>("CheckAVI")->isEnabled());
    Find<QCheckBox>("CheckAVI")->click();
    EXPECT_TRUE(Find<QCheckBox>("CheckAVI")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("CheckEX")->isChecked());
    EXPECT_EQ(Extension(), ".avi");
    EXPECT_TRUE(Find<QLineEdit>("EditOUT")->isEnabled());
    Find<QCheckBox>("CheckEX")->click();
    EXPECT_FALSE(Find<QCheckBox>("CheckAVI")->isChecked());
    EXPECT_EQ(Extension(), ".mkv");
}

TEST_F(SavePanelTest, SavingTheCheckedTracksWritesANewMatroskaFile) {
    QTemporaryDir dir;
    Open(SamplePath());
    CheckOnly({2, 3});
    Find<QCheckBox>("CheckEX")->click();
    const QString output = dir.filePath("two.mkv");
    Find<QLineEdit>("EditOUT")->setText(output);
    QTest::mouseClick(Find<ClickableImage>("ImageSA"), Qt::LeftButton);

    EXPECT_EQ(main().LabelST->text(), "r e a d y");
    EXPECT_FALSE(Find<QCheckBox>("CheckEX")->isChecked());
    EXPECT_FALSE(Find<QLineEdit>("EditOUT")->isEnabled());
    EXPECT_TRUE(main().ImageWO->isHidden());
    const TrackTable written = TracksOf(output);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].numberText, "1");
    EXPECT_EQ(written[0].typeText, "AUDIO");
    EXPECT_EQ(written[1].numberText, "2");
    EXPECT_EQ(written[1].typeText, "SUBTITLES");
    // The header read was not enough: the save scanned the whole file.
    EXPECT_EQ(main().document().readState, ReadState::FullNoTree);
    // The result is said under the panel, with the folder one click away;
    // the next save is proposed a new name instead of asking to overwrite.
    EXPECT_TRUE(Find<QLabel>("LabelSR")->text().startsWith(QStringLiteral("записан файл: two.mkv ("))) << Find<QLabel>("LabelSR")->text().toStdString();
    EXPECT_TRUE(Find<QLabel>("LabelSR")->text().contains(QStringLiteral("<a href=\"%1\">открыть папку</a>").arg(QDir(dir.path()).absolutePath())))
        << Find<QLabel>("LabelSR")->text().toStdString();
    EXPECT_EQ(Find<QLineEdit>("EditOUT")->text(), dir.filePath("two.001.mkv"));
}

TEST_F(SavePanelTest, ExportingTheAudioTrackWritesARawAc3Stream) {
    QTemporaryDir dir;
    Open(SamplePath());
    CheckOnly({2});
    Find<QLineEdit>("EditOUT")->setText(dir.filePath("sound.mka"));
    Find<QCheckBox>("CheckEX")->click();
    Find<QRadioButton>("RadioAC3")->click();
    QTest::mouseClick(Find<ClickableImage>("ImageSA"), Qt::LeftButton);
    QFile ac3(dir.filePath("sound.ac3"));
    ASSERT_TRUE(ac3.open(QIODevice::ReadOnly));
    EXPECT_EQ(ac3.read(2), QByteArray("\x0B\x77", 2));  // the AC-3 sync word
    // Every frame of the track, back to back, without the lacing headers.
    qint64 frames = 0;
    const tabrick& lista = main().document().lista;
    for (size_t r = 0; r < lista.size(); ++r)
        if (lista[r].isBlock() && lista[r].block.trackNumber == 2)
            for (size_t k = 0; k < lista[r].block.frameCount; ++k) frames += lista[r].block.frameSize(k);
    EXPECT_GT(frames, 0);
    EXPECT_EQ(ac3.size(), frames);
    EXPECT_EQ(Find<QLineEdit>("EditOUT")->text(), dir.filePath("sound.001.ac3"));  // the next export does not ask to overwrite
}

TEST_F(SavePanelTest, TheWavButtonDecodesTheAudioTrack) {
    QTemporaryDir dir;
    Open(SamplePath());
    CheckOnly({2});
    Find<QLineEdit>("EditOUT")->setText(dir.filePath("sound.mka"));
    Find<QCheckBox>("CheckEX")->click();
    ASSERT_FALSE(Find<QRadioButton>("RadioWAV")->isHidden());
    EXPECT_TRUE(Find<QRadioButton>("RadioWA3")->isHidden());  // MP3 in WAV is for MP3 tracks
    Find<QRadioButton>("RadioWAV")->click();
    EXPECT_EQ(Extension(), ".wav");
    QTest::mouseClick(Find<ClickableImage>("ImageSA"), Qt::LeftButton);
    QFile wav(dir.filePath("sound.wav"));
    ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
    const QByteArray header = wav.read(44);
    EXPECT_EQ(header.left(4), QByteArray("RIFF"));
    EXPECT_EQ(header.mid(8, 8), QByteArray("WAVEfmt "));
    const auto le32 = [&](int at) { return quint32(quint8(header[at])) | quint32(quint8(header[at + 1])) << 8 |
                                           quint32(quint8(header[at + 2])) << 16 | quint32(quint8(header[at + 3])) << 24; };
    EXPECT_EQ(le32(4), quint32(wav.size() - 8));
    EXPECT_EQ(header.mid(36, 4), QByteArray("data"));
    EXPECT_EQ(le32(40), quint32(wav.size() - 44));
    EXPECT_GT(le32(40), 1000u);
}

TEST_F(SavePanelTest, RefusalsAndTheOverwriteQuestionWriteNothing) {
    QTemporaryDir dir;
    Open(SamplePath());

    Find<QCheckBox>("CheckEX")->click();
    Find<QLineEdit>("EditOUT")->setText(SamplePath());
    ModalSeen& same = AnswerNextModal(true);
    QTest::mouseClick(Find<ClickableImage>("ImageSA"), Qt::LeftButton);
    EXPECT_TRUE(same.shown);
    EXPECT_EQ(same.text, QStringLiteral("Нельзя сохранить с тем же именем.\nИз этого файла сейчас будем читать."));
    EXPECT_EQ(same.className, "TFormME");  // a message with one button, not a question with two that mean the same

    const QString existing = dir.filePath("exists.mkv");
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep");
    file.close();
    Find<QCheckBox>("CheckEX")->click();
    Find<QLineEdit>("EditOUT")->setText(existing);
    ModalSeen& overwrite = AnswerNextModal(false);
    QTest::mouseClick(Find<ClickableImage>("ImageSA"), Qt::LeftButton);
    EXPECT_TRUE(overwrite.shown);
    EXPECT_EQ(overwrite.text, QStringLiteral("Файл с таким именем уже существует.\nПерезаписать?"));
    EXPECT_EQ(overwrite.yes, QStringLiteral("да"));
    EXPECT_EQ(overwrite.no, QStringLiteral("нет"));
    EXPECT_EQ(QFileInfo(existing).size(), 4);
    EXPECT_EQ(main().LabelST->text(), "r e a d y");
}

TEST_F(SavePanelTest, WhileSavingThePagesStayAndTheWaitPanelGoesAfterTheScan) {
    QTemporaryDir dir;
    const QString existing = dir.filePath("exists.mkv");
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    Open(SamplePath());  // a header read: the save scans the whole file first
    Find<QCheckBox>("CheckEX")->click();
    Find<QLineEdit>("EditOUT")->setText(existing);

    QWidget* pageDuringSave = nullptr;
    bool busy = false, waitPanelShown = true, workingImageShown = false;
    ActOnNextModal([&](QWidget* modal) {  // the overwrite question, asked in the middle of the save
        busy = main().Busy();
        waitPanelShown = main().PanelWA->isVisible();
        workingImageShown = main().ImageWO->isVisible();
        QTabBar* tabs = main().PageControl1->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier,
                          tabs->tabRect(main().PageControl1->indexOf(Find<QWidget>("TabSheetCFG"))).center());
        pageDuringSave = main().PageControl1->currentWidget();
        static_cast<TFormYesNo*>(modal)->BitBtnNet->click();
    });
    QTest::mouseClick(Find<ClickableImage>("ImageSA"), Qt::LeftButton);
    EXPECT_TRUE(busy);
    EXPECT_FALSE(waitPanelShown);
    EXPECT_TRUE(workingImageShown);
    EXPECT_EQ(pageDuringSave, Find<QWidget>("TabSheetRE"));
    EXPECT_FALSE(main().Busy());
    QTest::mouseClick(main().PageControl1->tabBar(), Qt::LeftButton, Qt::NoModifier,
                      main().PageControl1->tabBar()->tabRect(main().PageControl1->indexOf(Find<QWidget>("TabSheetCFG"))).center());
    EXPECT_EQ(main().PageControl1->currentWidget(), Find<QWidget>("TabSheetCFG"));
}

TEST_F(SavePanelTest, AfterABuildSaveTheChosenFileIsOpenedAgain) {
    struct ReopenCase {
        const char* what;
        const char* choice;  // the reopen box the user clicks
        bool askAnswersSource;  // for "спросить": the first button
        bool opensResult;
    };
    const ReopenCase cases[] = {
        {"source", "CheckEISH", false, false},
        {"result", "CheckEREZ", false, true},
        {"ask, answered result", "CheckEASK", false, true},
        {"ask, answered source", "CheckEASK", true, false},
    };
    QTemporaryDir dir;
    int n = 0;
    for (const ReopenCase& c : cases) {
        SCOPED_TRACE(c.what);
        Open(SamplePath());
        CheckOnly({1, 3});
        Find<QCheckBox>(c.choice)->click();
        main().document().saveMode = SaveMode::Build;  // as a staged track edit leaves it
        Find<QCheckBox>("CheckEX")->click();
        const QString output = dir.filePath(QString("built%1.mkv").arg(++n));
        Find<QLineEdit>("EditOUT")->setText(output);
        ModalSeen* asked = nullptr;
        if (Find<QCheckBox>("CheckEASK")->isChecked()) asked = &AnswerNextModal(c.askAnswersSource);
        QTest::mouseClick(Find<ClickableImage>("ImageSA"), Qt::LeftButton);
        if (asked) {
            EXPECT_EQ(asked->text, QStringLiteral("какой файл открыть?"));
            EXPECT_EQ(asked->yes, QStringLiteral("исходный"));
            EXPECT_EQ(asked->no, QStringLiteral("результат"));
        }
        EXPECT_EQ(main().EditIN->text(), c.opensResult ? output : SamplePath());
        // Opened again: the document is the chosen file's, back in export mode.
        EXPECT_EQ(main().document().saveMode, SaveMode::Export);
        EXPECT_EQ(main().document().tatra.size(), c.opensResult ? 2u : 3u);
    }
}

}  // namespace
}  // namespace quillon::ui::test
