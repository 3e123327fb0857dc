// Quick edits made in the grid reach the next saved file, whatever built the
// writer's model first, and the log says what each edit and the save did.
#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "reader/open_file.h"
#include "ui/clickable_image.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class QuietHost : public Host {
protected:
    void logLine(const std::string&) override {}
};

class QuickEditSaveTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(dir_.isValid());
        copy_ = dir_.filePath(QStringLiteral("copy.mkv"));
        ASSERT_TRUE(QFile::copy(SamplePath(), copy_));
        QFile::setPermissions(copy_, QFile::ReadOwner | QFile::WriteOwner);
    }
    QTableWidget& grid() { return *Find<QTableWidget>("Tracks"); }
    void PressCell(int row, int column, Qt::MouseButton button = Qt::LeftButton) {
        const QRect cell = grid().visualRect(grid().model()->index(row, column));
        QTest::mousePress(grid().viewport(), button, Qt::NoModifier, cell.center());
    }
    // The quick language panel, as a user types into it.
    void QuickLanguage(int row, const char* code) {
        PressCell(row, 3, Qt::RightButton);
        ASSERT_TRUE(Find<QFrame>("PanelLA")->isVisible());
        Find<QLineEdit>("EditLA")->setText(QString::fromLatin1(code));
        QTest::keyClick(Find<QLineEdit>("EditLA"), Qt::Key_Return);
    }
    // A remux of every track through the save panel.
    void SaveRemux(const QString& output) {
        Find<QCheckBox>("CheckEX")->click();
        ASSERT_TRUE(Find<QCheckBox>("CheckEX")->isChecked());
        Find<QLineEdit>("EditOUT")->setText(output);
        QTest::mouseClick(Find<ClickableImage>("ImageSA"), Qt::LeftButton);
    }
    // What builds the writer's model before the edits, if anything.
    enum class Before { PanelCancelled, FullCheck, HeaderRead };
    void OpenCopy(Before before) {
        if (before == Before::FullCheck) {
            OpenOn(copy_, Find<QWidget>("TabSheetCH"), true);
            ASSERT_EQ(main().document().readState, ReadState::FullTree);
            main().PageControl1->setCurrentWidget(Find<QWidget>("TabSheetRE"));
            return;
        }
        OpenOn(copy_, Find<QWidget>("TabSheetRE"));
        if (before == Before::HeaderRead) return;
        PressCell(2, 2);
        Find<QAction>("MIpara")->trigger();
        ASSERT_FALSE(Find<QFrame>("PanelTR")->isHidden());
        QTest::mouseClick(Find<ClickableImage>("Image4"), Qt::LeftButton);
        ASSERT_TRUE(Find<QFrame>("PanelTR")->isHidden());
        ASSERT_TRUE(main().document().modelBuilt);
    }
    static TrackTable TracksOf(const QString& path) {
        Document doc;
        doc.sourcePath = path.toStdString();
        QuietHost host;
        ReadHeader(doc, host);
        return doc.tatra;
    }

    QTemporaryDir dir_;
    QString copy_;
};

TEST_F(QuickEditSaveTest, LanguageAndDefaultFromTheGridReachTheRemux) {
    struct Flow {
        const char* what;
        Before before;
    };
    const Flow flows[] = {
        {"track panel opened and cancelled", Before::PanelCancelled},
        {"full container check", Before::FullCheck},
        {"header read only", Before::HeaderRead},
    };
    int n = 0;
    for (const Flow& flow : flows) {
        SCOPED_TRACE(flow.what);
        QFile::remove(copy_);
        ASSERT_TRUE(QFile::copy(SamplePath(), copy_));
        QFile::setPermissions(copy_, QFile::ReadOwner | QFile::WriteOwner);
        OpenCopy(flow.before);
        if (HasFatalFailure()) return;
        const TrackTable before = main().document().tatra;
        ASSERT_EQ(before.size(), 3u);
        ASSERT_EQ(before[1].language, "rus");
        ASSERT_EQ(before[1].defaultMark, "");

        QuickLanguage(2, "eng");
        PressCell(2, 4);
        ASSERT_EQ(main().document().tatra[1].language, "eng");
        ASSERT_EQ(main().document().tatra[1].defaultMark, "y");
        EXPECT_TRUE(Find<QLabel>("ImageSATT")->isHidden());  // nothing staged: the file itself changed

        const QString output = dir_.filePath(QStringLiteral("remux%1.mkv").arg(++n));
        SaveRemux(output);
        const TrackTable written = TracksOf(output);
        ASSERT_EQ(written.size(), 3u);
        EXPECT_EQ(written[1].typeText, "AUDIO");
        EXPECT_EQ(written[1].language, "eng");
        EXPECT_EQ(written[1].defaultMark, "y");
        // The tracks not edited keep what they had.
        for (size_t k : {0u, 2u}) {
            EXPECT_EQ(written[k].language, before[k].language) << k;
            EXPECT_EQ(written[k].defaultMark, before[k].defaultMark) << k;
        }
    }
}

TEST_F(QuickEditSaveTest, TheLogSaysWhatEachEditChangedAndWhereTheSaveWrote) {
    OpenOn(copy_, Find<QWidget>("TabSheetRE"));
    QuickLanguage(2, "eng");
    PressCell(2, 4);
    EXPECT_TRUE(LogLines().contains(QStringLiteral("• изменено в файле: трек 2, Language: rus → eng"))) << LogLines().join('\n').toStdString();
    EXPECT_TRUE(LogLines().contains(QStringLiteral("• изменено в файле: трек 2, FlagDefault: 0 → 1"))) << LogLines().join('\n').toStdString();

    main().ImageENClick();
    PressCell(2, 4, Qt::RightButton);
    Find<QAction>("MIdef")->trigger();
    Find<QMenu>("PopupDEF")->hide();
    EXPECT_EQ(LogLines().last(), QStringLiteral("• changed in the file: track 2, FlagDefault: 1 → 0"));

    const QString output = dir_.filePath(QStringLiteral("out.mkv"));
    SaveRemux(output);
    ASSERT_TRUE(QFileInfo::exists(output));
    const QString written = QStringLiteral("• file written: %1 (%2 bytes)").arg(output).arg(QFileInfo(output).size());
    EXPECT_TRUE(LogLines().contains(written)) << LogLines().join('\n').toStdString();
}

TEST_F(QuickEditSaveTest, TheLogOfAStagedSaveSurvivesTheReopenThatFollows) {
    OpenOn(copy_, Find<QWidget>("TabSheetRE"));
    PressCell(3, 2);
    Find<QAction>("MIpara")->trigger();
    Find<QLineEdit>("EditTNA")->setText(QStringLiteral("renamed"));
    QTest::mouseClick(Find<ClickableImage>("ImageTNSA"), Qt::LeftButton);
    ASSERT_EQ(main().document().saveMode, SaveMode::Build);

    const QString output = dir_.filePath(QStringLiteral("staged.mkv"));
    SaveRemux(output);
    ASSERT_EQ(main().document().saveMode, SaveMode::Export);  // opened again
    const QString written = QStringLiteral("• записан файл: %1 (%2 байт)").arg(output).arg(QFileInfo(output).size());
    EXPECT_TRUE(LogLines().contains(written)) << LogLines().join('\n').toStdString();
}

}  // namespace
}  // namespace quillon::ui::test
