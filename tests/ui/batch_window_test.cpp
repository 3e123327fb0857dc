// The batch window: files and folders listed with their tracks, the distinct
// tracks' table whose ticks make each file's preview, a run that writes what
// the preview showed (and not the files it said it could not), the stop
// button, and the choices remembered for the next time.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "reader/open_file.h"
#include "support/capture_host.h"
#include "ui/batch_window.h"
#include "ui/settings_store.h"
#include "ui/ui_text.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class BatchWindowTest : public UiTest {
protected:
    void SetUp() override {
        ClearSettings();
        ASSERT_TRUE(dir_.isValid());
        QDir(dir_.path()).mkpath("one");
        QDir(dir_.path()).mkpath("two");
        QDir(dir_.path()).mkpath("out");
        ASSERT_TRUE(QFile::copy(SamplePath(), dir_.filePath("one/ep.mkv")));
        ASSERT_TRUE(QFile::copy(FfmpegSamplePath(), dir_.filePath("two/ep.mkv")));
    }
    void TearDown() override { ClearSettings(); }
    static int RowOfCodec(QTableWidget* groups, const QString& codec) {
        for (int row = 0; row < groups->rowCount(); ++row)
            if (groups->item(row, 6)->text() == codec) return row;
        return -1;
    }
    QTemporaryDir dir_;
};

TEST_F(BatchWindowTest, TicksMakeThePreviewAndTheRunWritesWhatItShows) {
    TFormBatch batch(Lang::Rus);
    batch.AddFiles({dir_.filePath("one"), dir_.filePath("two/ep.mkv")});  // a folder and a file
    auto* files = Find<QTableWidget>(batch, "ListBF");
    auto* groups = Find<QTableWidget>(batch, "GridBT");
    ASSERT_EQ(files->rowCount(), 2);
    ASSERT_EQ(groups->rowCount(), 6);  // no track of one film is like one of the other
    EXPECT_EQ(groups->item(0, 8)->text(), "1 / 2");

    // Only the Opus audio kept: the mkvmerge film has none of it.
    const int ac3 = RowOfCodec(groups, "A_AC3");
    ASSERT_GE(ac3, 0);
    groups->item(ac3, 0)->setCheckState(Qt::Unchecked);
    EXPECT_TRUE(files->item(0, 2)->text().startsWith(FromCore(quillon::Tr("не будет записан: ", Lang::Rus))))
        << files->item(0, 2)->text().toStdString();
    EXPECT_FALSE(files->item(1, 2)->text().startsWith(FromCore(quillon::Tr("не будет записан: ", Lang::Rus))));
    const int ass = RowOfCodec(groups, "S_TEXT/ASS");
    ASSERT_GE(ass, 0);
    groups->item(ass, 1)->setCheckState(Qt::Checked);
    groups->item(ass, 3)->setText("Signs");

    Find<QLineEdit>(batch, "EditBOD")->setText(dir_.filePath("out"));
    Find<QPushButton>(batch, "ButtonBGO")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!batch.Running() && Find<QPushButton>(batch, "ButtonBGO")->isEnabled(), 30000);
    EXPECT_EQ(files->item(0, 3)->text(), FromCore(quillon::Tr("не записан", Lang::Rus)));
    EXPECT_EQ(files->item(1, 3)->text(), FromCore(quillon::Tr("записан", Lang::Rus)));
    EXPECT_FALSE(QFile::exists(dir_.filePath("out/ep.mkv")));
    // Two inputs of one name: the second is written as "ep (2).mkv".
    ASSERT_TRUE(QFile::exists(dir_.filePath("out/ep (2).mkv")));
    Document written;
    written.sourcePath = ToCore(dir_.filePath("out/ep (2).mkv"));
    quillon::test::CaptureHost host;
    ASSERT_TRUE(ReadHeader(written, host).opened);
    ASSERT_EQ(written.tatra.size(), 3u);
    EXPECT_EQ(written.tatra[2].defaultMark, "y");
    EXPECT_NE(written.tatra[2].description.find("Signs"), std::string::npos) << written.tatra[2].description;
    EXPECT_TRUE(Find<QLabel>(batch, "LabelBSUM")->text().contains("1"));

    // The next window over the same files recalls the folder and the ticks.
    TFormBatch again(Lang::Rus);
    again.AddFiles({dir_.filePath("one/ep.mkv"), dir_.filePath("two/ep.mkv")});
    EXPECT_EQ(Find<QLineEdit>(again, "EditBOD")->text(), dir_.filePath("out"));
    auto* recalled = Find<QTableWidget>(again, "GridBT");
    EXPECT_EQ(recalled->item(RowOfCodec(recalled, "A_AC3"), 0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(recalled->item(RowOfCodec(recalled, "S_TEXT/ASS"), 3)->text(), "Signs");
}

// A film with chapters, an attachment and tags keeps all three through the
// batch, as it would through the save panel with its boxes ticked.
TEST_F(BatchWindowTest, ChaptersAttachmentsAndTagsGoAlong) {
    TFormBatch batch(Lang::Rus);
    batch.AddFiles({dir_.filePath("one/ep.mkv")});
    Find<QLineEdit>(batch, "EditBOD")->setText(dir_.filePath("out"));
    Find<QPushButton>(batch, "ButtonBGO")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!batch.Running() && Find<QPushButton>(batch, "ButtonBGO")->isEnabled(), 30000);
    Document written;
    written.sourcePath = ToCore(dir_.filePath("out/ep.mkv"));
    quillon::test::CaptureHost host;
    ASSERT_TRUE(CheckContainer(written, host, true).opened);
    for (const char* master : {"Chapters", "Attachments", "Tags"}) {
        bool found = false;
        for (size_t k = 0; k < written.lista.size(); ++k) found = found || std::string(written.lista[k].name()) == master;
        EXPECT_TRUE(found) << master;
    }
}

TEST_F(BatchWindowTest, StopLeavesTheFilesNotBegunWaitingAndTheFolderIsChecked) {
    QStringList many;
    for (int k = 0; k < 30; ++k) {
        const QString copy = dir_.filePath(QString("two/e%1.mkv").arg(k));
        ASSERT_TRUE(QFile::copy(FfmpegSamplePath(), copy));
        many << copy;
    }
    TFormBatch batch(Lang::Rus);
    batch.AddFiles(many);
    // No folder: nothing starts, and the summary says why.
    Find<QLineEdit>(batch, "EditBOD")->setText(dir_.filePath("nowhere"));
    Find<QPushButton>(batch, "ButtonBGO")->click();
    EXPECT_FALSE(batch.Running());
    EXPECT_TRUE(Find<QLabel>(batch, "LabelBSUM")->text().startsWith(FromCore(quillon::Tr("нет такой папки", Lang::Rus))));

    Find<QLineEdit>(batch, "EditBOD")->setText(dir_.filePath("out"));
    Find<QPushButton>(batch, "ButtonBGO")->click();
    Find<QPushButton>(batch, "ButtonBST")->click();
    QTRY_VERIFY_WITH_TIMEOUT(Find<QPushButton>(batch, "ButtonBGO")->isEnabled(), 30000);
    int waiting = 0, written = 0;
    auto* files = Find<QTableWidget>(batch, "ListBF");
    for (int row = 0; row < files->rowCount(); ++row) {
        waiting += files->item(row, 3)->text() == FromCore(quillon::Tr("ждёт", Lang::Rus));
        written += files->item(row, 3)->text() == FromCore(quillon::Tr("записан", Lang::Rus));
    }
    EXPECT_GT(waiting, 0);
    EXPECT_EQ(QDir(dir_.filePath("out")).entryList(QDir::Files).size(), written);
}

}  // namespace
}  // namespace quillon::ui::test
