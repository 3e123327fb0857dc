// A Matroska file dropped from the file manager opens as the open image and
// the open button would open it; other files are not taken.
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTableWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUrl>

#include "ui/batch_window.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class FileDropTest : public UiTest {
protected:
    // Sends the drag-enter and the drop of `paths`; true when the window took them.
    bool Drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        const QPoint at(100, 100);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&main(), &drop);
        return drop.isAccepted();
    }
};

TEST_F(FileDropTest, AMatroskaFileIsOpened) {
    main().PageControl1->setCurrentWidget(Find<QWidget>("TabSheetRE"));
    ASSERT_TRUE(Drop({SamplePath()}));
    EXPECT_EQ(main().EditIN->text(), SamplePath());
    EXPECT_EQ(main().document().tatra.size(), 3u);  // the header read ran
}

// Several films, or a folder of them: the batch window, with them listed;
// the window's own file stays as it was.
TEST_F(FileDropTest, SeveralFilesOrAFolderGoToTheBatchWindow) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(SamplePath(), dir.filePath("a.mkv")));
    ASSERT_TRUE(QFile::copy(FfmpegSamplePath(), dir.filePath("b.mkv")));
    ASSERT_TRUE(Drop({dir.path()}));
    ASSERT_NE(main().batchWindow(), nullptr);
    EXPECT_TRUE(main().batchWindow()->isVisible());
    EXPECT_EQ(Find<QTableWidget>(*main().batchWindow(), "ListBF")->rowCount(), 2);
    ASSERT_TRUE(Drop({SamplePath(), FfmpegSamplePath()}));
    EXPECT_EQ(Find<QTableWidget>(*main().batchWindow(), "ListBF")->rowCount(), 4);
    EXPECT_TRUE(main().document().tatra.empty());
    main().batchWindow()->close();
    // The button opens it too.
    Find<QPushButton>("ButtonBATCH")->click();
    EXPECT_TRUE(main().batchWindow()->isVisible());
    main().batchWindow()->close();
}

TEST_F(FileDropTest, OtherFilesAreNotTaken) {
    QTemporaryDir dir;
    const QString text = dir.filePath("notes.txt");
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("hello");
    file.close();
    EXPECT_FALSE(Drop({text}));
    EXPECT_FALSE(Drop({dir.filePath("missing.mkv")}));
    EXPECT_TRUE(main().document().tatra.empty());
}

}  // namespace
}  // namespace quillon::ui::test
