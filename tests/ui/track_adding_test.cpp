// Adding tracks from the track menu: the import window (ticks, the refusal
// of an empty choice, its texts in both languages), importing tracks of
// another Matroska file, subtitle files with and without the settings'
// automatic accept of the track panel, MP3 files, and the add commands'
// open dialog.
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "ui/caption_panel.h"
#include "ui/clickable_image.h"
#include "ui/form_main.h"
#include "ui/form_mtl.h"
#include "ui/track_panel.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

// Two events, CR LF line ends.
const QByteArray kSrt = "1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n\r\n"
                        "2\r\n00:00:03,000 --> 00:00:04,000\r\nWorld\r\n";

// `count` MPEG-1 Layer III frames, 128 kbit/s, 44.1 kHz, no padding: 417
// bytes each, a header and a silent body.
QByteArray Mp3Frames(int count) {
    QByteArray frame(417, '\0');
    frame[0] = char(0xFF), frame[1] = char(0xFB), frame[2] = char(0x90), frame[3] = char(0x00);
    return frame.repeated(count);
}

void ClickCell(QTableWidget& grid, int row, int column) {
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid.visualRect(grid.model()->index(row, column)).center());
}

template <class Test>
bool CellHas(QTableWidget& grid, int row, int column, Test test) {
    const QImage shot = grid.viewport()->grab().toImage();
    const QRect cell = grid.visualRect(grid.model()->index(row, column));
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (test(shot.pixelColor(x, y))) return true;
    return false;
}

QStringList Column(const QTableWidget& grid, int column) {
    QStringList cells;
    for (int row = 1; row < grid.rowCount(); ++row) cells << grid.item(row, column)->text();
    return cells;
}

class TrackAddingTest : public UiTest {
protected:
    // The add commands once their file dialog chose `path`: the dialog
    // itself is driven in AddEntriesAskForTheirFileInTheLastChosenFolder.
    TrackEditing& adding() { return *Find<TrackEditing>("TrackEditing"); }
    TFormMTL& mtl() { return *windows_.mtl; }
    QTableWidget& grid() { return *Find<QTableWidget>("Tracks"); }
    Document& doc() { return main().document(); }

    QString Write(const QString& name, const QByteArray& bytes) {
        EXPECT_TRUE(dir_.isValid());
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    void OpenSample() {
        OpenOn(SamplePath(), Find<QWidget>("TabSheetRE"));
        ASSERT_EQ(doc().tatra.size(), 3u);
    }
    // What a failed add must leave as it was.
    void ExpectNothingAdded() {
        EXPECT_EQ(doc().tatra.size(), 3u);
        EXPECT_EQ(grid().rowCount(), 4);
        EXPECT_TRUE(Find<QLabel>("ImageSATT")->isHidden());
        EXPECT_TRUE(Find<QFrame>("PanelTR")->isHidden());
        EXPECT_NE(doc().saveMode, SaveMode::Build);
        EXPECT_FALSE(main().Busy());
        EXPECT_TRUE(main().PanelWA->isHidden());
    }

    QTemporaryDir dir_;
};

TrackTable ThreeTracks() {
    TrackTable tracks(3);
    const char* types[] = {"VIDEO", "AUDIO", "SUBTITLES"};
    for (int k = 0; k < 3; ++k) {
        tracks[k].numberText = std::to_string(k + 1);
        tracks[k].selectMark = "y";
        tracks[k].typeText = types[k];
        tracks[k].description = "track " + std::to_string(k + 1);
        tracks[k].entryIndex = 10 + k;
    }
    tracks[1].language = "ger";
    tracks[1].defaultMark = "y";
    return tracks;
}

std::vector<std::string> Marks(const TrackTable& tracks) {
    std::vector<std::string> marks;
    for (const Track& track : tracks) marks.push_back(track.selectMark);
    return marks;
}

TEST_F(TrackAddingTest, ImportWindowTicksRowsAllOrNoneAndAnEscapeConfirmsNothing) {
    TrackTable tracks = ThreeTracks();
    std::vector<std::vector<std::string>> seen;
    QStringList title, types;
    const auto green = [](QColor c) { return c.green() > c.red() + 60 && c.green() > c.blue() + 60; };
    const auto yellow = [](QColor c) { return c.red() > 200 && c.green() > 140 && c.blue() < 110; };
    const auto audioRow = [](QColor c) { return c == QColor(0xF5, 0xFF, 0xF5); };
    ActOnNextModal([&](QWidget* modal) {
        auto* window = qobject_cast<TFormMTL*>(modal);
        ASSERT_NE(window, nullptr);
        for (int column = 0; column < 5; ++column) title << window->Tracks->item(0, column)->text();
        types = Column(*window->Tracks, 1);
        // Drawn as the main grid: ticks, the default star, rows coloured by type.
        EXPECT_TRUE(CellHas(*window->Tracks, 1, 0, green));
        EXPECT_TRUE(CellHas(*window->Tracks, 2, 4, yellow));
        EXPECT_FALSE(CellHas(*window->Tracks, 1, 4, yellow));
        EXPECT_TRUE(CellHas(*window->Tracks, 2, 3, audioRow));
        EXPECT_EQ(window->Tracks->item(2, 3)->text(), "ger");
        QTest::mouseClick(window->ImageSE, Qt::LeftButton);  // some ticked: none
        seen.push_back(Marks(tracks));
        QTest::mouseClick(window->ImageSE, Qt::LeftButton);  // none ticked: all
        seen.push_back(Marks(tracks));
        ClickCell(*window->Tracks, 2, 0);  // the check column toggles
        seen.push_back(Marks(tracks));
        EXPECT_FALSE(CellHas(*window->Tracks, 2, 0, green));
        EXPECT_EQ(Column(*window->Tracks, 0), QStringList({"y", "", "y"}));
        ClickCell(*window->Tracks, 3, 2);  // other columns do not
        seen.push_back(Marks(tracks));
        QTest::mouseClick(window->ImageSE, Qt::LeftButton);  // one unticked, two ticked: none
        seen.push_back(Marks(tracks));
        window->reject();
    });
    EXPECT_FALSE(mtl().Choose(tracks, &main(), Lang::Rus));
    EXPECT_FALSE(mtl().Confirmed());
    EXPECT_EQ(title, QStringList({"", QStringLiteral("тип"), QStringLiteral("описание"), QStringLiteral("язык"), "def"}));
    EXPECT_EQ(types, QStringList({"VIDEO", "AUDIO", "SUBTITLES"}));
    const std::vector<std::vector<std::string>> expected = {
        {"", "", ""}, {"y", "y", "y"}, {"y", "", "y"}, {"y", "", "y"}, {"", "", ""}};
    EXPECT_EQ(seen, expected);
}

TEST_F(TrackAddingTest, ImportWindowRefusesAnEmptyChoiceAndStaysOpen) {
    struct Case {
        Lang lang;
        QString caption, text, yes, no;
    };
    const Case cases[] = {
        {Lang::Rus, QStringLiteral("  список импортируемых треков"), QStringLiteral("надо указать хотя бы один трек..."),
         QStringLiteral("понятно"), QStringLiteral(" ясно ")},
        {Lang::Eng, "  imported track list", "you should select at least one track...", "understood", "fine"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption.toStdString());
        TrackTable tracks = ThreeTracks();
        QString caption;
        bool openAfterRefusal = false, confirmedAfterRefusal = true;
        ModalSeen info;
        ActOnNextModal([&](QWidget* modal) {
            auto* window = qobject_cast<TFormMTL*>(modal);
            ASSERT_NE(window, nullptr);
            caption = window->windowTitle();
            QTest::mouseClick(window->ImageSE, Qt::LeftButton);  // nothing ticked
            ModalSeen& box = AnswerNextModal(true);
            QTest::mouseClick(window->Image2, Qt::LeftButton);
            info = box;
            openAfterRefusal = window->isVisible();
            confirmedAfterRefusal = window->Confirmed();
            ClickCell(*window->Tracks, 3, 0);
            QTest::mouseClick(window->Image2, Qt::LeftButton);
        });
        EXPECT_TRUE(mtl().Choose(tracks, &main(), c.lang));
        EXPECT_EQ(caption, c.caption);
        EXPECT_TRUE(info.shown);
        EXPECT_EQ(info.className, "TFormYesNo");
        EXPECT_EQ(info.text, c.text);
        EXPECT_EQ(info.yes, c.yes);
        EXPECT_EQ(info.no, c.no);
        EXPECT_TRUE(openAfterRefusal);
        EXPECT_FALSE(confirmedAfterRefusal);
        EXPECT_EQ(Marks(tracks), std::vector<std::string>({"", "", "y"}));
        EXPECT_FALSE(mtl().isVisible());
    }
}

TEST_F(TrackAddingTest, ImportAddsTheTickedTracksAsStagedRows) {
    OpenSample();
    QStringList offered;
    ActOnNextModal([&](QWidget* modal) {
        auto* window = qobject_cast<TFormMTL*>(modal);
        ASSERT_NE(window, nullptr);
        offered = Column(*window->Tracks, 1);
        ClickCell(*window->Tracks, 1, 0);  // leave the video out
        QTest::mouseClick(window->Image2, Qt::LeftButton);
    });
    adding().MIimportClickWith(FfmpegSamplePath());
    EXPECT_EQ(offered, QStringList({"VIDEO", "AUDIO", "SUBTITLES"}));
    ASSERT_EQ(doc().tatra.size(), 5u);
    EXPECT_EQ(Column(grid(), 1), QStringList({"VIDEO", "AUDIO", "SUBTITLES", "AUDIO", "SUBTITLES"}));
    EXPECT_EQ(Column(grid(), 0), QStringList({"y", "y", "y", "y", "y"}));
    for (size_t k = 3; k < 5; ++k) {
        EXPECT_EQ(doc().tatra[k].entryIndex, Track::kNotInSource);
        EXPECT_EQ(doc().tatra[k].numberText, std::to_string(k + 1));
    }
    EXPECT_FALSE(Find<QLabel>("ImageSATT")->isHidden());
    EXPECT_EQ(doc().saveMode, SaveMode::Build);
    EXPECT_EQ(main().LabelST->text(), "r e a d y");
    EXPECT_TRUE(main().ImageWO->isHidden());
    EXPECT_TRUE(main().PanelWA->isHidden());
    EXPECT_FALSE(main().Busy());
}

TEST_F(TrackAddingTest, ImportThatIsNotConfirmedOrCannotOpenItsFileAddsNothing) {
    OpenSample();
    // The window closed without confirming.
    ActOnNextModal([](QWidget* modal) { modal->close(); });
    adding().MIimportClickWith(FfmpegSamplePath());
    ExpectNothingAdded();
    EXPECT_EQ(main().LabelST->text(), "r e a d y");

    // No window for a file that is not there.
    ActOnNextModal([](QWidget* modal) {
        ADD_FAILURE() << modal->objectName().toStdString();
        modal->close();
    });
    adding().MIimportClickWith(dir_.filePath("absent.mkv"));
    CancelModalAnswer();
    ExpectNothingAdded();
    EXPECT_TRUE(LogLines().contains(QStringLiteral("• ошибка открытия файла")));
    EXPECT_EQ(main().LabelST->text(), "r e a d y");
}

TEST_F(TrackAddingTest, SubtitleRowOpensTheTrackPanelOrIsAcceptedBySettings) {
    struct Case {
        const char* file;
        bool autoAccept;      // CheckDEF
        const char* language;  // EditDLA
        bool makeDefault;     // CheckDTR
        const char* codec;
        bool panelOpen;
        const char* rowLanguage;
        const char* defaultMark;
        const char* description;  // the accept empties the name: the codec is left
    };
    const QByteArray ass = "[Script Info]\r\nTitle: t\r\n\r\n[Events]\r\n"
                           "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
                           "Dialogue: 0,0:00:01.50,0:00:03.00,Default,,0,0,0,,Hello\r\n";
    const Case cases[] = {
        {"titles.srt", false, "rus", true, "S_TEXT/UTF8", true, "xz", "", "titles.srt"},
        {"titles.srt", true, "rus", false, "S_TEXT/UTF8", false, "rus", "", "S_TEXT/UTF8"},
        {"titles.ass", true, "jpn", true, "S_TEXT/ASS", false, "jpn", "Y", "S_TEXT/ASS"},
        {"titles.SSA", true, "", false, "S_TEXT/SSA", true, "xz", "", "titles.SSA"},  // the placeholder is refused
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + std::string(" ") + c.language + (c.autoAccept ? " auto" : ""));
        OpenSample();
        // Clicked as a user would, so the language and default boxes follow it.
        if (Find<QCheckBox>("CheckDEF")->isChecked() != c.autoAccept) Find<QCheckBox>("CheckDEF")->click();
        Find<QLineEdit>("EditDLA")->setText(QString::fromLatin1(c.language));
        Find<QCheckBox>("CheckDTR")->setChecked(c.makeDefault);
        const QString path = Write(QString::fromLatin1(c.file), QString::fromLatin1(c.file).endsWith(".srt") ? kSrt : ass);

        adding().MIsubClickWith(path);
        ASSERT_EQ(doc().tatra.size(), 4u);
        const Track& added = doc().tatra.back();
        EXPECT_EQ(added.typeText, "SUBTITLES");
        EXPECT_EQ(added.codecText, c.codec);
        EXPECT_EQ(added.description, c.description);
        EXPECT_EQ(added.language, c.rowLanguage);
        EXPECT_EQ(added.defaultMark, c.defaultMark);
        EXPECT_EQ(grid().rowCount(), 5);
        EXPECT_EQ(grid().item(4, 1)->text(), "SUBTITLES");
        // The placeholder is no language: the grid says it is not set.
        EXPECT_EQ(grid().item(4, 3)->text(),
                  std::string(c.rowLanguage) == "xz" ? QStringLiteral("не задан") : QString::fromLatin1(c.rowLanguage));
        EXPECT_EQ(grid().currentRow(), 4);
        EXPECT_FALSE(Find<QLabel>("ImageSATT")->isHidden());
        EXPECT_EQ(doc().saveMode, SaveMode::Build);
        EXPECT_EQ(Find<QFrame>("PanelTR")->isVisible(), c.panelOpen);
        if (c.panelOpen) {
            EXPECT_EQ(Find<QLabel>("LabelTN")->text(), QString::fromStdString(added.numberText));
            EXPECT_EQ(Find<QLineEdit>("EditTLA")->text(), "");  // empty, and saying it is not set
            EXPECT_EQ(Find<QLineEdit>("EditTLA")->placeholderText(), QStringLiteral("не задан"));
            if (c.autoAccept) {  // the settings' accept was refused: the panel says why
                EXPECT_EQ(Find<QLabel>("LabelTRW")->text(), QStringLiteral("укажите язык: трёхбуквенный код, например rus"));
            }
        }
        EXPECT_TRUE(main().PanelWA->isHidden());
        EXPECT_FALSE(main().Busy());
    }
}

TEST_F(TrackAddingTest, FailedSubtitleAddChangesNothing) {
    struct Case {
        const char* file;
        QByteArray bytes;
        QString status;   // LabelST afterwards, when the failure is told there
        QString message;  // the information window's text, when it is told there
    };
    QByteArray badTime = kSrt;
    badTime.replace("00:00:01,000 --> 00:00:02,000", "00:00:01,000 -> 00:00:02,000");
    const Case cases[] = {
        {"arrow.srt", badTime, "SRT parsing error in line 2", ""},
        {"small.srt", "1\r\n", "", QStringLiteral("слишком маленький файл, чтобы быть субтитрами...")},
        {"titles.txt", kSrt, "", QStringLiteral("субтитры должны быть в формате SRT или SSA/ASS")},
        {"noevents.ass", "[Script Info]\r\nTitle: nothing to show here\r\n", "ASS parsing error, no events found", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        OpenSample();
        Find<QCheckBox>("CheckDEF")->setChecked(true);
        Find<QLineEdit>("EditDLA")->setText("rus");
        const QString path = Write(QString::fromLatin1(c.file), c.bytes);
        ModalSeen& seen = AnswerNextModal(true);
        adding().MIsubClickWith(path);
        ExpectNothingAdded();
        EXPECT_EQ(seen.shown, !c.message.isEmpty());
        if (!c.message.isEmpty()) {
            EXPECT_EQ(seen.text, c.message);
        }
        if (!c.status.isEmpty()) {
            EXPECT_EQ(main().LabelST->text(), c.status);
        }
        CancelModalAnswer();
    }
}

TEST_F(TrackAddingTest, Mp3FileBecomesAnAudioRow) {
    OpenSample();
    adding().MIaudClickWith(Write("tone.mp3", Mp3Frames(13)));
    ASSERT_EQ(doc().tatra.size(), 4u);
    const Track& added = doc().tatra.back();
    EXPECT_EQ(added.typeText, "AUDIO");
    EXPECT_EQ(added.codecText, "A_MPEG/L3");
    EXPECT_EQ(added.description, "tone.mp3");
    EXPECT_EQ(added.language, "xz");
    EXPECT_EQ(added.entryIndex, Track::kNotInSource);
    EXPECT_EQ(Column(grid(), 1), QStringList({"VIDEO", "AUDIO", "SUBTITLES", "AUDIO"}));
    EXPECT_FALSE(Find<QLabel>("ImageSATT")->isHidden());
    EXPECT_EQ(doc().saveMode, SaveMode::Build);
    EXPECT_EQ(main().LabelST->text(), "r e a d y");
    EXPECT_TRUE(Find<QFrame>("PanelTR")->isHidden());  // no panel for an audio track
    EXPECT_TRUE(main().PanelWA->isHidden());
    EXPECT_FALSE(main().Busy());
}

TEST_F(TrackAddingTest, Mp3RefusalsAreToldAndAddNothing) {
    QByteArray garbage = Mp3Frames(3);
    garbage.append(QByteArray(40, 'x'));
    const struct {
        const char* file;
        QByteArray bytes;
        QString message;
    } cases[] = {
        {"tone.wav", Mp3Frames(4), QStringLiteral("умею только MP3")},
        {"noise.mp3", QByteArray(600, 'x'), QStringLiteral("не найден Frame sync")},
        {"tail.mp3", garbage, QStringLiteral("не удалось разобраться с файлом mp3")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        OpenSample();
        ModalSeen& seen = AnswerNextModal(true);
        adding().MIaudClickWith(Write(QString::fromLatin1(c.file), c.bytes));
        ExpectNothingAdded();
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ(seen.className, "TFormME");
        EXPECT_EQ(seen.text, c.message);
        EXPECT_EQ(main().LabelST->text(), "r e a d y");
    }
}

TEST_F(TrackAddingTest, AddEntriesAskForTheirFileInTheLastChosenFolder) {
    OpenSample();
    struct Case {
        QAction* entry;
        QString offeredFilter;
    };
    const Case cases[] = {
        {Find<QAction>("MIimport"), "*.mkv, *.mka, *.mks (*.mkv *.mka *.mks)"},
        {Find<QAction>("MIaud"), "*.mp3 (*.mp3)"},
        {Find<QAction>("MIsub"), "*.srt, *.ssa, *.ass (*.srt *.ssa *.ass)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry->objectName().toStdString());
        EXPECT_TRUE(c.entry->isEnabled());
        QString folder, filter;
        QStringList filters;
        ActOnNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            folder = dialog->directory().absolutePath();
            filters = dialog->nameFilters();
            filter = dialog->selectedNameFilter();
            dialog->reject();
        });
        c.entry->trigger();
        EXPECT_EQ(folder, QDir(QCoreApplication::applicationDirPath()).absolutePath());
        EXPECT_EQ(filters, QStringList({"*.* (*)", c.offeredFilter}));
        EXPECT_EQ(filter, c.offeredFilter);
        ExpectNothingAdded();  // cancelled
    }

    // A chosen file is added, and its folder is where the next dialog starts.
    const QString path = Write("chosen.srt", kSrt);
    ActOnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();  // the file dialog's own accept checks the file
    });
    Find<QAction>("MIsub")->trigger();
    ASSERT_EQ(doc().tatra.size(), 4u);
    EXPECT_EQ(doc().tatra.back().description, "chosen.srt");
    Find<QFrame>("PanelTR")->hide();

    QString folder;
    ActOnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        folder = dialog->directory().absolutePath();
        dialog->reject();
    });
    Find<QAction>("MIaud")->trigger();
    EXPECT_EQ(folder, QDir(dir_.path()).absolutePath());
}

}  // namespace
}  // namespace quillon::ui::test
