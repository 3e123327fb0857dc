// Track editing on the contents tab: what each press on the grid does, the
// track panel's accept and refusals, its numeric key filter, and the quick
// edits written into a copy of a sample file.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

#include "core/generated/element_ids.h"
#include "edit/quick_edits.h"
#include "reader/element_queries.h"
#include "reader/open_file.h"
#include "support/capture_host.h"
#include "ui/clickable_image.h"
#include "ui/structure_model.h"
#include "ui/ui_text.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class TrackEditingTest : public UiTest {
protected:
    // Opens a copy of `source`: quick edits write into the open file.
    void OpenCopy(const QString& source) {
        ASSERT_TRUE(dir_.isValid());
        copy_ = dir_.filePath(QStringLiteral("copy.mkv"));
        QFile::remove(copy_);
        ASSERT_TRUE(QFile::copy(source, copy_));
        QFile::setPermissions(copy_, QFile::ReadOwner | QFile::WriteOwner);
        OpenOn(copy_, Find<QWidget>("TabSheetRE"));
        ASSERT_FALSE(main().document().tatra.empty());
    }
    void Reopen() { OpenOn(copy_, Find<QWidget>("TabSheetRE")); }
    QTableWidget& grid() { return *Find<QTableWidget>("Tracks"); }
    QString Cell(int row, int column) { return grid().item(row, column)->text(); }
    void PressCell(int row, int column, Qt::MouseButton button = Qt::LeftButton) {
        const QRect cell = grid().visualRect(grid().model()->index(row, column));
        QTest::mousePress(grid().viewport(), button, Qt::NoModifier, cell.center());
    }
    void ClosePopups() {
        Find<QMenu>("PopupTR")->hide();
        Find<QMenu>("PopupDEF")->hide();
    }
    std::vector<std::string> DefaultMarks() {
        std::vector<std::string> marks;
        for (const Track& track : main().document().tatra) marks.push_back(track.defaultMark);
        return marks;
    }
    const tTrackEntry& Entry(const std::string& number) {
        for (const tTrackEntry& entry : main().document().mkv.tracks)
            if (std::to_string(entry.trackNumber.value) == number) return entry;
        ADD_FAILURE() << "no entry " << number;
        static const tTrackEntry none;
        return none;
    }
    // Opens the track panel on grid row `row` as the popup entry does.
    void OpenPanelOn(int row) {
        PressCell(row, 2);
        Find<QAction>("MIpara")->trigger();
        ASSERT_FALSE(Find<QFrame>("PanelTR")->isHidden());
    }

    QTemporaryDir dir_;
    QString copy_;
};

TEST_F(TrackEditingTest, EachPressOnTheGridDoesWhatItsCellSays) {
    OpenCopy(FfmpegSamplePath());
    struct Case {
        int row, column;
        Qt::MouseButton button;
        bool staged;  // ImageSATT shown before the press
        bool popupTR, popupDEF, languagePanel, becomesDefault;
    };
    const Case cases[] = {
        {1, 1, Qt::RightButton, false, true, false, false, false},
        {1, 2, Qt::RightButton, false, true, false, false, false},
        {1, 2, Qt::LeftButton, false, false, false, false, false},
        {2, 3, Qt::RightButton, false, false, false, true, false},
        {2, 3, Qt::RightButton, true, false, false, false, false},  // no quick edit while staged
        {2, 3, Qt::LeftButton, false, false, false, false, false},
        {1, 4, Qt::RightButton, false, false, true, false, false},
        {1, 4, Qt::RightButton, true, false, true, false, false},  // dropping the flag stays offered
        {1, 4, Qt::LeftButton, true, false, false, false, false},
        {1, 4, Qt::LeftButton, false, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << "," << c.column << " button " << c.button << " staged " << c.staged);
        Reopen();  // the file's own flags again
        ASSERT_EQ(DefaultMarks()[c.row - 1], "");
        Find<QLabel>("ImageSATT")->setVisible(c.staged);
        PressCell(c.row, c.column, c.button);
        EXPECT_EQ(grid().currentRow(), c.row);
        EXPECT_EQ(grid().currentColumn(), c.column);
        EXPECT_EQ(Find<QMenu>("PopupTR")->isVisible(), c.popupTR);
        EXPECT_EQ(Find<QMenu>("PopupDEF")->isVisible(), c.popupDEF);
        EXPECT_EQ(Find<QFrame>("PanelLA")->isVisible(), c.languagePanel);
        EXPECT_EQ(DefaultMarks()[c.row - 1] == "y", c.becomesDefault);
        if (c.popupTR) {
            EXPECT_TRUE(Find<QAction>("MIpara")->isEnabled() && Find<QAction>("MIup")->isEnabled() && Find<QAction>("MIdown")->isEnabled());
        }
        ClosePopups();
        // The next press hides the language panel, whatever it hits.
        PressCell(c.row, 1);
        EXPECT_FALSE(Find<QFrame>("PanelLA")->isVisible());
        if (!c.becomesDefault) continue;
        // A second left press on a row already marked changes nothing.
        PressCell(c.row, 4);
        EXPECT_EQ(DefaultMarks()[c.row - 1], "y");
        // The flag is in the file.
        Reopen();
        EXPECT_EQ(DefaultMarks()[c.row - 1], "y");
        // Patch it back for the next case.
        grid().setCurrentCell(c.row, 4);
        Find<QAction>("MIdef")->trigger();
        EXPECT_EQ(DefaultMarks()[c.row - 1], "");
    }
}

TEST_F(TrackEditingTest, RightPressOnTheTitleRowOffersOnlyTheAddEntries) {
    OpenCopy(SamplePath());
    PressCell(0, 2, Qt::RightButton);
    ASSERT_TRUE(Find<QMenu>("PopupTR")->isVisible());
    for (QAction* action : {Find<QAction>("MIup"), Find<QAction>("MIdown"), Find<QAction>("MIpara")}) EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    for (QAction* action : {Find<QAction>("MIimport"), Find<QAction>("MIaud"), Find<QAction>("MIsub")}) EXPECT_TRUE(action->isVisible());
    ClosePopups();
    PressCell(1, 1, Qt::RightButton);  // a data row enables them again
    EXPECT_TRUE(Find<QAction>("MIup")->isEnabled() && Find<QAction>("MIdown")->isEnabled() && Find<QAction>("MIpara")->isEnabled());
    ClosePopups();
}

TEST_F(TrackEditingTest, PopupEntriesFollowTheLanguageSwitch) {
    OpenCopy(SamplePath());
    main().ImageENClick();
    EXPECT_EQ(Find<QAction>("MIpara")->text(), "change track parameters");
    EXPECT_EQ(Find<QAction>("MIdef")->text(), "drop DefaultTrack flag");
    EXPECT_EQ(Find<QCheckBox>("CheckTDE")->text(), "default track");
    main().ImageRUClick();
    EXPECT_EQ(Find<QAction>("MIup")->text(), QStringLiteral("поднять выше"));
    EXPECT_EQ(Find<QAction>("MIsub")->text(), QStringLiteral("добавить субтитры"));
}

TEST_F(TrackEditingTest, MovingTracksStagesTheNewOrder) {
    OpenCopy(SamplePath());
    const QString first = Cell(1, 1), second = Cell(2, 1), third = Cell(3, 1);
    PressCell(1, 2);
    Find<QAction>("MIup")->trigger();  // already at the top
    EXPECT_TRUE(Find<QLabel>("ImageSATT")->isHidden());
    EXPECT_EQ(Cell(1, 1), first);

    Find<QAction>("MIdown")->trigger();
    EXPECT_EQ(Cell(1, 1), second);
    EXPECT_EQ(Cell(2, 1), first);
    EXPECT_EQ(grid().currentRow(), 2);  // the current row follows the track
    EXPECT_FALSE(Find<QLabel>("ImageSATT")->isHidden());
    EXPECT_EQ(main().document().saveMode, SaveMode::Build);

    grid().setFocus();
    QTest::keyClick(&grid(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Cell(3, 1), first);
    EXPECT_EQ(grid().currentRow(), 3);
    Find<QAction>("MIdown")->trigger();  // already at the bottom
    EXPECT_EQ(Cell(3, 1), first);
    QTest::keyClick(&grid(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Cell(2, 1), first);
    EXPECT_EQ(Cell(3, 1), third);
    EXPECT_EQ(grid().currentRow(), 2);
}

TEST_F(TrackEditingTest, TrackPanelShowsTheTrackAndStagesItsValues) {
    OpenCopy(SamplePath());
    OpenPanelOn(2);  // the audio track
    const std::string number = main().document().tatra[1].numberText;
    EXPECT_EQ(Find<QLabel>("LabelTN")->text(), QString::fromStdString(number));
    EXPECT_EQ(Find<QLineEdit>("EditTID")->text(), "A_AC3");
    EXPECT_EQ(Find<QLineEdit>("EditTNA")->text(), QStringLiteral("Звук"));
    EXPECT_EQ(Find<QLineEdit>("EditTLA")->text(), "rus");
    EXPECT_FALSE(Find<QLineEdit>("EditTTS")->text().isEmpty());
    EXPECT_FALSE(Find<QCheckBox>("CheckTDE")->isChecked());
    EXPECT_TRUE(Find<QLineEdit>("EditTID")->isReadOnly());
    EXPECT_EQ(Find<QLineEdit>("EditTNA")->maxLength(), 100);
    EXPECT_EQ(Find<QLineEdit>("EditTLA")->maxLength(), 3);

    // The code buttons and the name eraser.
    Find<QPushButton>("Panel5")->click();
    EXPECT_EQ(Find<QLineEdit>("EditTLA")->text(), "jpn");
    Find<QPushButton>("Panel4")->click();
    EXPECT_EQ(Find<QLineEdit>("EditTLA")->text(), "eng");
    QTest::mouseClick(Find<ClickableImage>("Image3"), Qt::LeftButton);
    EXPECT_EQ(Find<QLineEdit>("EditTNA")->text(), "");
    Find<QLineEdit>("EditTNA")->setText(QStringLiteral("Новый звук"));
    Find<QLineEdit>("EditTTS")->setText("2,5");
    Find<QCheckBox>("CheckTDE")->setChecked(true);

    QTest::mouseClick(Find<ClickableImage>("ImageTNSA"), Qt::LeftButton);
    EXPECT_TRUE(Find<QFrame>("PanelTR")->isHidden());
    EXPECT_FALSE(Find<QLabel>("ImageSATT")->isHidden());
    const tTrackEntry& entry = Entry(number);
    EXPECT_EQ(entry.name.value, "Новый звук");
    EXPECT_TRUE(entry.name.present);
    EXPECT_EQ(entry.language.value, "eng");
    EXPECT_FLOAT_EQ(entry.trackTimecodeScale.value, 2.5f);
    EXPECT_EQ(entry.flagDefault.value, 1);
    // The grid is redrawn from the staged values.
    EXPECT_EQ(Cell(2, 3), "eng");
    EXPECT_EQ(Cell(2, 4), "Y");
    EXPECT_EQ(Cell(2, 2), QStringLiteral("A_AC3, Новый звук"));

    // Cancel stores nothing.
    OpenPanelOn(2);
    Find<QLineEdit>("EditTLA")->setText("jpn");
    QTest::mouseClick(Find<ClickableImage>("Image4"), Qt::LeftButton);
    EXPECT_TRUE(Find<QFrame>("PanelTR")->isHidden());
    EXPECT_EQ(Entry(number).language.value, "eng");
}

TEST_F(TrackEditingTest, AcceptWithoutNameAndWithALaterStart) {
    OpenCopy(SamplePath());
    OpenPanelOn(3);  // the subtitles
    const std::string number = main().document().tatra[2].numberText;
    const auto blockTimes = [&](bool ofTrack) {
        std::vector<int64_t> times;
        for (const xBlock& block : main().document().mkv.blocks)
            if ((std::to_string(main().document().BlockTrack(block)) == number) == ofTrack) times.push_back(block.absTime);
        return times;
    };
    const std::vector<int64_t> own = blockTimes(true), others = blockTimes(false);
    ASSERT_FALSE(own.empty());
    ASSERT_EQ(Find<QLineEdit>("EditTT")->text(), QString::number(own.front()));
    Find<QLineEdit>("EditTNA")->clear();
    Find<QLineEdit>("EditTT")->setText(QString::number(own.front() + 500));

    QTest::mouseClick(Find<ClickableImage>("ImageTNSA"), Qt::LeftButton);
    ASSERT_TRUE(Find<QFrame>("PanelTR")->isHidden());
    EXPECT_EQ(Entry(number).name.value, "");
    EXPECT_FALSE(Entry(number).name.present);
    EXPECT_EQ(Cell(3, 2), "S_TEXT/UTF8");
    std::vector<int64_t> shifted = own;
    for (int64_t& time : shifted) time += 500;
    EXPECT_EQ(blockTimes(true), shifted);
    EXPECT_EQ(blockTimes(false), others);
}

TEST_F(TrackEditingTest, TrackPanelRefusalsBlinkTheBoxAndStoreNothing) {
    OpenCopy(SamplePath());
    struct Case {
        const char* what;
        const char* box;
        QString text;
        bool selected;
        const char* told;  // beside the buttons
    };
    const Case cases[] = {
        {"empty language", "EditTLA", "  ", false, "укажите язык: трёхбуквенный код, например rus"},
        {"placeholder language", "EditTLA", "xz", true, "язык не задан: укажите код, например rus"},
        {"unknown language", "EditTLA", "qqq", true, "такого кода языка нет"},
        {"empty timecode scale", "EditTTS", "", false, "TrackTimecodeScale: нужно число больше нуля"},
        {"timecode scale not a number", "EditTTS", ",", false, "TrackTimecodeScale: нужно число больше нуля"},
        {"first frame -1", "EditTT", "-1", true, "время первого кадра: целое число, не меньше нуля"},
        {"first frame not digits", "EditTT", "12a", true, "время первого кадра: целое число, не меньше нуля"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenPanelOn(3);
        const std::string number = main().document().tatra[2].numberText;
        Find<QLineEdit>("EditTNA")->setText("changed");  // must not be stored either
        QLineEdit* box = Find<QLineEdit>(c.box);
        box->setText(c.text);
        QTest::mouseClick(Find<ClickableImage>("ImageTNSA"), Qt::LeftButton);
        EXPECT_FALSE(Find<QFrame>("PanelTR")->isHidden());
        EXPECT_TRUE(Find<QLabel>("ImageSATT")->isHidden());
        EXPECT_EQ(main().focusWidget(), box);
        EXPECT_EQ(box->hasSelectedText(), c.selected && !c.text.trimmed().isEmpty());
        EXPECT_EQ(Find<QLabel>("LabelTRW")->text(), QString::fromUtf8(c.told));
        EXPECT_NE(Entry(number).name.value, "changed");
        EXPECT_EQ(Entry(number).language.value, "rus");
        EXPECT_EQ(Cell(3, 3), "rus");
        QTest::mouseClick(Find<ClickableImage>("Image4"), Qt::LeftButton);
    }
}

TEST_F(TrackEditingTest, NumericKeyFilterOfTheTimeBoxes) {
    OpenCopy(SamplePath());
    OpenPanelOn(2);
    struct Case {
        const char* box;
        QString before;  // the box's text
        QString tts;     // EditTTS's text, when the box is another one
        const char* keys;
        QString after;
    };
    const Case cases[] = {
        {"EditTTS", "", "", "2.", "2,"},
        {"EditTTS", "", "", "2,,5", "2,5"},
        {"EditTTS", "", "", ".7", "7"},  // no comma into an empty EditTTS
        {"EditTTS", "", "", "1a-b 9", "19"},
        {"EditTT", "", "1", "10.5", "10,5"},  // the comma test looks at EditTTS
        {"EditTT", "", "1,5", "10.5", "105"},
        {"EditTT", "", "", "-1x", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        QLineEdit* box = Find<QLineEdit>(c.box);
        Find<QLineEdit>("EditTTS")->setText(c.tts);
        box->setText(c.before);
        box->setFocus();
        QTest::keyClicks(box, QString::fromLatin1(c.keys));
        EXPECT_EQ(box->text(), c.after);
    }
    // Backspace passes.
    Find<QLineEdit>("EditTT")->setText("123");
    QTest::keyClick(Find<QLineEdit>("EditTT"), Qt::Key_Backspace);
    EXPECT_EQ(Find<QLineEdit>("EditTT")->text(), "12");
}

TEST_F(TrackEditingTest, QuickLanguagePanelWritesTheCodeIntoTheFile) {
    OpenCopy(SamplePath());
    PressCell(2, 3, Qt::RightButton);
    ASSERT_TRUE(Find<QFrame>("PanelLA")->isVisible());
    EXPECT_EQ(Find<QLineEdit>("EditLA")->text(), "rus");
    EXPECT_GE(Find<QLineEdit>("EditLA")->maxLength(), 10);  // a longer tag fits too: "zh-Hant-TW"
    EXPECT_EQ(Find<QLabel>("LabelLA")->text(), "2");
    EXPECT_EQ(Find<QLineEdit>("EditLA")->selectedText(), "rus");
    // It covers no language or default cell of the grid.
    const QRect panel(Find<QFrame>("PanelLA")->mapToGlobal(QPoint(0, 0)), Find<QFrame>("PanelLA")->size());
    for (int row = 0; row < Find<QTableWidget>("Tracks")->rowCount(); ++row)
        for (int column : {3, 4}) {
            const QRect cell = Find<QTableWidget>("Tracks")->visualRect(Find<QTableWidget>("Tracks")->model()->index(row, column))
                                   .translated(Find<QTableWidget>("Tracks")->viewport()->mapToGlobal(QPoint(0, 0)));
            EXPECT_FALSE(panel.intersects(cell)) << "row " << row << " column " << column;
        }

    // Close stores nothing.
    QTest::mouseClick(Find<ClickableImage>("Image2"), Qt::LeftButton);
    EXPECT_FALSE(Find<QFrame>("PanelLA")->isVisible());
    Reopen();
    EXPECT_EQ(Cell(2, 3), "rus");

    // A shorter code keeps the element's size in the file; Enter writes.
    const qint64 size = QFileInfo(copy_).size();
    PressCell(2, 3, Qt::RightButton);
    Find<QLineEdit>("EditLA")->setText("de");
    QTest::keyClick(Find<QLineEdit>("EditLA"), Qt::Key_Return);
    EXPECT_FALSE(Find<QFrame>("PanelLA")->isVisible());
    EXPECT_EQ(Cell(2, 3), "ger");  // Language takes the ISO 639-2 form, LanguageBCP47 "de"
    EXPECT_EQ(main().document().tatra[1].language, "ger");
    EXPECT_EQ(Cell(3, 3), "rus");
    EXPECT_EQ(QFileInfo(copy_).size(), size);
    Reopen();
    EXPECT_EQ(Cell(2, 3), "ger");
    EXPECT_EQ(Cell(3, 3), "rus");

    // The write button.
    PressCell(3, 3, Qt::RightButton);
    Find<QLineEdit>("EditLA")->setText("eng");
    QTest::mouseClick(Find<ClickableImage>("ImageLS"), Qt::LeftButton);
    Reopen();
    EXPECT_EQ(Cell(3, 3), "eng");
}

TEST_F(TrackEditingTest, QuickDefaultSwitchAndDropOnTheFile) {
    OpenCopy(FfmpegSamplePath());
    ASSERT_GE(main().document().tatra.size(), 2u);
    PressCell(1, 4);
    PressCell(2, 4);
    EXPECT_EQ(DefaultMarks()[0], "y");
    EXPECT_EQ(DefaultMarks()[1], "y");  // another type: both keep theirs
    Reopen();
    EXPECT_EQ(DefaultMarks()[0], "y");
    EXPECT_EQ(DefaultMarks()[1], "y");

    // Dropping through PopupDEF.
    PressCell(1, 4, Qt::RightButton);
    ASSERT_TRUE(Find<QMenu>("PopupDEF")->isVisible());
    Find<QAction>("MIdef")->trigger();
    ClosePopups();
    EXPECT_EQ(DefaultMarks()[0], "");
    Reopen();
    EXPECT_EQ(DefaultMarks()[0], "");
    EXPECT_EQ(DefaultMarks()[1], "y");
}

TEST_F(TrackEditingTest, TreeCaptionsFollowTheQuickEdits) {
    OpenCopy(FfmpegSamplePath());
    OpenOn(copy_, Find<QWidget>("TabSheetCH"));  // the structure tree is built on the container tab
    main().PageControl1->setCurrentWidget(Find<QWidget>("TabSheetRE"));
    StructureModel* model = main().structureModel();
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(grid().rowCount(), static_cast<int>(main().document().tatra.size()) + 1);
    const int flag = TrackFlagDefaultElement(main().document(), 0);
    ASSERT_GE(flag, 0);
    const auto caption = [&](int element) { return model->data(model->IndexOfRow(element)).toString(); };
    ASSERT_TRUE(caption(flag).endsWith('0'));

    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    PressCell(1, 4);
    EXPECT_TRUE(caption(flag).endsWith('1'));
    const auto told = [&](int element) {
        for (const QList<QVariant>& signal : changed)
            if (signal.at(0).toModelIndex() == model->IndexOfRow(element)) return true;
        return false;
    };
    EXPECT_TRUE(told(flag));

    const int language = TrackLanguageElement(main().document(), 1);
    ASSERT_GE(language, 0);
    changed.clear();
    PressCell(2, 3, Qt::RightButton);
    ASSERT_TRUE(Find<QFrame>("PanelLA")->isVisible());
    Find<QLineEdit>("EditLA")->setText("de");
    QTest::mouseClick(Find<ClickableImage>("ImageLS"), Qt::LeftButton);
    EXPECT_TRUE(caption(language).endsWith("ger")) << caption(language).toStdString();
    EXPECT_TRUE(told(language));
}

// What a track's own elements cannot hold (a longer code, a Language the
// track lacks, a flag that is default by absence) is written at once by
// rewriting Tracks; the grid shows the file as read again.
TEST_F(TrackEditingTest, QuickEditsBeyondTheElementsRewriteTracksAndReadTheFileAgain) {
    OpenCopy(SamplePath());
    // Track 1 has only LanguageBCP47 "en": German needs a Language element.
    PressCell(1, 3, Qt::RightButton);
    ASSERT_TRUE(Find<QFrame>("PanelLA")->isVisible());
    Find<QLineEdit>("EditLA")->setText("ger");
    QTest::keyClick(Find<QLineEdit>("EditLA"), Qt::Key_Return);
    EXPECT_EQ(Cell(1, 3), "ger");
    // Track 2: "pt-BR" is longer than "ru".
    PressCell(2, 3, Qt::RightButton);
    Find<QLineEdit>("EditLA")->setText("pt-BR");
    QTest::keyClick(Find<QLineEdit>("EditLA"), Qt::Key_Return);
    EXPECT_EQ(Cell(2, 3), "por");
    Document again;
    again.sourcePath = ToCore(copy_);
    quillon::test::CaptureHost host;
    ASSERT_TRUE(ReadHeader(again, host).opened);
    EXPECT_EQ(again.tatra[0].language, "ger");
    EXPECT_EQ(again.tatra[1].language, "por");
    const int tag = FindChildElement(again.lista, kLanguageBCP47, static_cast<int>(again.tatra[1].entryIndex));
    ASSERT_GE(tag, 0);
    EXPECT_EQ(again.lista[tag].Text(), "pt-BR");
    EXPECT_EQ(main().document().tatra[1].language, "por");  // the window's document is the file's again
}

TEST_F(TrackEditingTest, TrackPanelWritesIntoTheFileNowOrSaysWhyNot) {
    OpenCopy(SamplePath());
    OpenPanelOn(2);
    // The timing changes every block: only a new file can have it.
    Find<QLineEdit>("EditTTS")->setText("2");
    Find<QPushButton>("ButtonTAP")->click();
    EXPECT_EQ(Find<QLabel>("LabelTRW")->text(), main().Tr("время трека меняется только в новом файле"));
    EXPECT_FALSE(Find<QFrame>("PanelTR")->isHidden());
    QTest::mouseClick(Find<ClickableImage>("Image4"), Qt::LeftButton);

    const QByteArray before = [&] { QFile f(copy_); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    OpenPanelOn(2);
    const QString name = QString::fromUtf8("Японская дорожка с комментарием режиссёра, очень длинное название");
    Find<QLineEdit>("EditTNA")->setText(name);
    Find<QLineEdit>("EditTLA")->setText("jpn");
    Find<QCheckBox>("CheckTDE")->setChecked(!Find<QCheckBox>("CheckTDE")->isChecked());
    Find<QPushButton>("ButtonTAP")->click();
    EXPECT_TRUE(Find<QFrame>("PanelTR")->isHidden()) << Find<QLabel>("LabelTRW")->text().toStdString();
    EXPECT_EQ(Cell(2, 3), "jpn");
    EXPECT_TRUE(Find<QLabel>("ImageSATT")->isHidden());  // nothing staged: it is in the file
    Document again;
    again.sourcePath = ToCore(copy_);
    quillon::test::CaptureHost host;
    ASSERT_TRUE(ReadHeader(again, host).opened);
    EXPECT_EQ(again.tatra[1].language, "jpn");
    const int nameRow = FindChildElement(again.lista, kName, static_cast<int>(again.tatra[1].entryIndex));
    ASSERT_GE(nameRow, 0);
    EXPECT_EQ(again.lista[nameRow].Text(), ToCore(name));
    const QByteArray after = [&] { QFile f(copy_); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    EXPECT_NE(after, before);
}

TEST_F(TrackEditingTest, PanelsAreDraggedByTheirTitleStrips) {
    OpenCopy(SamplePath());
    OpenPanelOn(2);
    PressCell(2, 3, Qt::RightButton);
    Find<QFrame>("PanelTR")->show();  // the press hid only the language panel
    for (QFrame* panel : {Find<QFrame>("PanelTR"), Find<QFrame>("PanelLA")}) {
        QWidget* strip = panel == Find<QFrame>("PanelTR") ? static_cast<QWidget*>(Find<QLabel>("PanelTRTitle")) : Find<QLabel>("PanelLATitle");
        ASSERT_TRUE(panel->isVisible());
        const QPoint before = panel->pos();
        const QPoint grab(3, 3);
        const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
            QMouseEvent event(type, at, strip->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(strip, &event);
        };
        send(QEvent::MouseButtonPress, grab, Qt::LeftButton);
        send(QEvent::MouseMove, grab + QPoint(-20, 15), Qt::LeftButton);
        send(QEvent::MouseButtonRelease, grab + QPoint(-20, 15), Qt::NoButton);
        EXPECT_EQ(panel->pos(), before + QPoint(-20, 15)) << panel->objectName().toStdString();
        // A move without the button held does not drag.
        send(QEvent::MouseMove, grab + QPoint(30, 30), Qt::NoButton);
        EXPECT_EQ(panel->pos(), before + QPoint(-20, 15));
    }
}

TEST_F(TrackEditingTest, DoubleClickOpensTheTrackPanelAndOpeningAFileHidesIt) {
    OpenCopy(SamplePath());
    const QRect cell = grid().visualRect(grid().model()->index(3, 2));
    QTest::mouseDClick(grid().viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    ASSERT_FALSE(Find<QFrame>("PanelTR")->isHidden());
    EXPECT_EQ(Find<QLineEdit>("EditTID")->text(), "S_TEXT/UTF8");
    Reopen();
    EXPECT_TRUE(Find<QFrame>("PanelTR")->isHidden());
}

}  // namespace
}  // namespace quillon::ui::test
