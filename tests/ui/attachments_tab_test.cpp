// The attachments tab: without a file, without and with attachments; keep
// marks; the edit panel; previews of a text, a JPEG and a font; the viewer;
// adding and saving; the structure tree's view and save items.
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QMouseEvent>
#include <QTest>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QWheelEvent>

#include "core/generated/element_ids.h"
#include "reader/element_queries.h"
#include "support/ebml_builder.h"
#include "ui/attachments_tab.h"
#include "ui/container_tab.h"
#include "ui/clickable_image.h"
#include "ui/form_view.h"
#include "ui/structure_model.h"
#include "ui/structure_tree_view.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

using quillon::test::ByteVec;

ByteVec Bytes(const QByteArray& a) { return ByteVec(a.begin(), a.end()); }

// A text, a 200 × 100 JPEG and a font (DejaVu Sans, from the system) as attachments.
QString FileWithPreviews(const QTemporaryDir& dir) {
    using namespace quillon::test;
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPEG");
    // A bold face of a family installed as regular too: the preview must draw the attached one.
    QFile fontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
    fontFile.open(QIODevice::ReadOnly);
    const QByteArray font = fontFile.readAll();
    auto attached = [](const std::string& name, const std::string& mime, const ByteVec& data, uint64_t uid) {
        return Master(kAttachedFile, {Str(kFileName, name), Str(kFileMimeType, mime), Binary(kFileData, data), Uint(kFileUID, uid)});
    };
    const ByteVec bytes = MatroskaFile(
        {InfoMaster({Uint(kTimecodeScale, 1000000)}), Master(kTracks, {TrackEntry(1, 17, "S_TEXT/UTF8")}),
         Master(kAttachments, {attached("notes.txt", "text/plain", {'h', 'e', 'l', 'l', 'o'}, 1),
                               attached("cover.jpg", "image/jpeg", Bytes(jpeg), 2),
                               attached("face.ttf", "font/ttf", Bytes(font), 3)}),
         Master(kCluster, {Uint(kTimeCode, 0), SimpleBlock(1, 0, 0x80, {'H', 'i'})})});
    const QString path = dir.filePath("previews.mkv");
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    return path;
}

class AttachmentsTabTest : public UiTest {
protected:
    AttachmentsTab* Tab() { return Find<AttachmentsTab>("TabSheetATT"); }
    void ShowTab() { main().PageControl1->setCurrentWidget(Tab()); }
    // A press on a cell of the list, as the mouse gives it.
    void PressCell(int row, int column) {
        QTableWidget* grid = Find<QTableWidget>("ATT");
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        ASSERT_TRUE(grid->viewport()->rect().contains(cell.center()));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void DoubleClickCell(int row, int column) {
        QTableWidget* grid = Find<QTableWidget>("ATT");
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(row, column)).center());
    }
    void ClickImage(const char* name) { QTest::mouseClick(Find<ClickableImage>(name), Qt::LeftButton); }
    // A wheel step over the font sample: positive away from the user.
    void Wheel(int delta) {
        QWidget* sample = Find<QTextEdit>("TTF")->viewport();
        const QPointF at = sample->rect().center();
        QWheelEvent step(at, sample->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(sample, &step);
    }
    // The tick column holds its mark as data: it shows only a picture.
    QString CellText(int row, int column) {
        const QTableWidgetItem* cell = Find<QTableWidget>("ATT")->item(row, column);
        if (cell && column == 0) {
            EXPECT_EQ(cell->text(), QString());
            return cell->data(Qt::UserRole).toString();
        }
        return cell ? cell->text() : QString();
    }
};

TEST_F(AttachmentsTabTest, WithoutAFileAndWithoutAttachments) {
    ShowTab();
    EXPECT_EQ(Find<QLabel>("LabelNA")->text(), "open file first");
    EXPECT_FALSE(Find<QLabel>("LabelNA")->isHidden());
    EXPECT_TRUE(Find<ClickableImage>("ImageADD")->isHidden());
    OpenOn(FfmpegSamplePath(), Find<QWidget>("TabSheetRE"));
    ShowTab();
    EXPECT_EQ(Find<QLabel>("LabelNA")->text(), "no attachments found");
    EXPECT_FALSE(Find<ClickableImage>("ImageADD")->isHidden());
    EXPECT_TRUE(Find<QTableWidget>("ATT")->isHidden());
}

TEST_F(AttachmentsTabTest, TheListKeepMarksAndATextPreview) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetRE"));
    ShowTab();
    ASSERT_FALSE(Find<QTableWidget>("ATT")->isHidden());
    EXPECT_EQ(Find<QTableWidget>("ATT")->rowCount(), 2);
    EXPECT_EQ(CellText(1, 1), "readme.txt");
    EXPECT_EQ(CellText(1, 2), "text/plain");
    EXPECT_EQ(CellText(1, 0), "y");
    EXPECT_FALSE(Find<QPlainTextEdit>("MemoATT")->isHidden());
    EXPECT_TRUE(Find<QPlainTextEdit>("MemoATT")->toPlainText().size() > 0);

    PressCell(1, 0);  // untick
    EXPECT_EQ(main().document().attachList[0].keep, "");
    EXPECT_FALSE(Find<QLabel>("ImageSATT")->isHidden());
    PressCell(1, 0);  // tick again
    EXPECT_EQ(main().document().attachList[0].keep, "y");
    PressCell(0, 0);  // the title cell clears every mark, never sets them
    EXPECT_EQ(main().document().attachList[0].keep, "");
    PressCell(0, 0);
    EXPECT_EQ(main().document().attachList[0].keep, "");
}

// Open a file with attachments, look at them, open another: the tab and the
// document hold the second file's attachments only.
TEST_F(AttachmentsTabTest, ASecondFileShowsItsOwnAttachments) {
    QTemporaryDir dir;
    OpenOn(SamplePath(), Find<QWidget>("TabSheetRE"));
    ShowTab();
    ASSERT_EQ(Find<QTableWidget>("ATT")->rowCount(), 2);
    OpenOn(FileWithPreviews(dir), Find<QWidget>("TabSheetRE"));
    EXPECT_TRUE(main().document().attachList.empty() || main().document().attachList[0].fileName == "notes.txt");
    ShowTab();
    ASSERT_EQ(Find<QTableWidget>("ATT")->rowCount(), 4);
    EXPECT_EQ(CellText(1, 1), "notes.txt");
    EXPECT_EQ(CellText(3, 1), "face.ttf");
    for (const TAttach& a : main().document().attachList) EXPECT_NE(a.fileName, "readme.txt");
}

TEST_F(AttachmentsTabTest, TheEditPanelStoresOnlyANameAndAType) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetRE"));
    ShowTab();
    Find<QTableWidget>("ATT")->setCurrentCell(1, 1);
    Find<QAction>("MIattpara")->trigger();
    ASSERT_FALSE(Find<QFrame>("PanelATTE")->isHidden());
    EXPECT_EQ(Find<QLineEdit>("EditATTN")->text(), "readme.txt");
    Find<QLineEdit>("EditATTN")->setText("");
    ClickImage("Image1");  // an empty name blinks and stores nothing
    EXPECT_FALSE(Find<QFrame>("PanelATTE")->isHidden());
    EXPECT_EQ(main().document().attachList[0].fileName, "readme.txt");
    Find<QLineEdit>("EditATTN")->setText("about.txt");
    Find<QLineEdit>("EditATTD")->setText("About");
    ClickImage("Image1");
    EXPECT_TRUE(Find<QFrame>("PanelATTE")->isHidden());
    EXPECT_EQ(main().document().attachList[0].fileName, "about.txt");
    EXPECT_EQ(main().document().attachList[0].fileDescription, "About");
    EXPECT_EQ(CellText(1, 1), "about.txt");
    Find<QAction>("MIattpara")->trigger();
    // The title strip drags the panel.
    const QPoint before = Find<QFrame>("PanelATTE")->pos();
    QTest::mousePress(Find<QFrame>("Panel7"), Qt::LeftButton, {}, QPoint(5, 3));
    QMouseEvent move(QEvent::MouseMove, QPointF(25, 13), Find<QFrame>("Panel7")->mapToGlobal(QPointF(25, 13)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Find<QFrame>("Panel7"), &move);
    EXPECT_EQ(Find<QFrame>("PanelATTE")->pos(), before + QPoint(20, 10));
    Find<QLineEdit>("EditATTN")->setText("ignored.txt");
    ClickImage("Image7");  // cancel
    EXPECT_EQ(main().document().attachList[0].fileName, "about.txt");
}

TEST_F(AttachmentsTabTest, PicturesAndFontsArePreviewed) {
    QTemporaryDir dir;
    OpenOn(FileWithPreviews(dir), Find<QWidget>("TabSheetRE"));
    ShowTab();
    PressCell(2, 1);  // cover.jpg
    EXPECT_FALSE(Find<QLabel>("ImageATT")->isHidden());
    EXPECT_EQ(Tab()->attachmentPicture().size(), QSize(200, 100));
    DoubleClickCell(2, 1);
    EXPECT_TRUE(windows_.view->isVisible());
    EXPECT_FALSE(windows_.view->Image->isHidden());
    windows_.view->hide();

    PressCell(3, 1);  // face.ttf
    ASSERT_FALSE(Find<QTextEdit>("TTF")->isHidden());
    EXPECT_TRUE(Find<QTextEdit>("TTF")->toPlainText().startsWith("TrueType Font\nName: DejaVu Sans\nSize: 12"));
    EXPECT_TRUE(Find<QTextEdit>("TTF")->toPlainText().contains(QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя")));
    const QFontInfo drawn(Find<QTextEdit>("TTF")->font());
    EXPECT_NE(drawn.family(), "DejaVu Sans");     // not the installed family ...
    EXPECT_EQ(drawn.styleName(), "Bold");        // ... but the attached bold face
    for (int i = 0; i < 3; ++i) Wheel(-120);  // towards the user: larger
    EXPECT_TRUE(Find<QTextEdit>("TTF")->toPlainText().contains("Size: 15\n"));
    EXPECT_EQ(QFontInfo(Find<QTextEdit>("TTF")->font()).pointSize(), 15);
    for (int i = 0; i < 20; ++i) Wheel(120);
    EXPECT_TRUE(Find<QTextEdit>("TTF")->toPlainText().contains("Size: 1\n"));
}

TEST_F(AttachmentsTabTest, AddingSavingAndTheTreeItems) {
    QTemporaryDir dir;
    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), true);
    ShowTab();
    const QString photo = dir.filePath("Photo.JPG");
    QFile(photo).open(QIODevice::WriteOnly);
    ASSERT_TRUE(Tab()->AddAttachFile(photo, false));
    EXPECT_EQ(CellText(2, 1), "photo.jpg");
    EXPECT_EQ(CellText(2, 2), "image/jpeg");

    Find<QTableWidget>("ATT")->setCurrentCell(1, 1);
    const QString saved = dir.filePath("readme.out");
    ASSERT_TRUE(Tab()->SaveAttachTo(saved));
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), 26);
    file.close();
    AnswerNextModal(false);  // saving over it asks first; "no" writes nothing
    EXPECT_FALSE(Tab()->SaveAttachTo(saved));

    // The tree's items on the AttachedFile row.
    const int attached = FindFirstById(main().document().lista, kAttachedFile);
    Find<StructureTreeView>("TreeEBML")->setCurrentIndex(main().structureModel()->IndexOfRow(attached));
    ShowTreePopup();
    EXPECT_TRUE(Find<QAction>("MIsave")->isVisible());
    EXPECT_TRUE(Find<QAction>("MIview")->isVisible());  // text/plain
    Find<QAction>("MIview")->trigger();
    EXPECT_TRUE(windows_.view->isVisible());
    EXPECT_FALSE(windows_.view->Memo->isHidden());
    windows_.view->hide();
    const QString fromTree = dir.filePath("tree.out");
    ASSERT_TRUE(Find<ContainerTab>("TabSheetCH")->SaveTreeAttachmentTo(fromTree));
    EXPECT_EQ(QFile(fromTree).size(), 26);
}

}  // namespace
}  // namespace quillon::ui::test
