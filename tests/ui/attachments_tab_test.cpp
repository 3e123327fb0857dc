// The attachments tab: without a file, without and with attachments; keep
// marks; the edit panel; previews of a text, a JPEG and a font; the viewer;
// adding and saving; the structure tree's view and save items.
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

#include "core/generated/element_ids.h"
#include "reader/element_queries.h"
#include "support/ebml_builder.h"
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
    void ShowTab() { main().PageControl1->setCurrentWidget(main().TabSheetATT); }
    // The tick column holds its mark as data: it shows only a picture.
    QString CellText(int row, int column) {
        const QTableWidgetItem* cell = main().ATT->item(row, column);
        if (cell && column == 0) {
            EXPECT_EQ(cell->text(), QString());
            return cell->data(Qt::UserRole).toString();
        }
        return cell ? cell->text() : QString();
    }
};

TEST_F(AttachmentsTabTest, WithoutAFileAndWithoutAttachments) {
    ShowTab();
    EXPECT_EQ(main().LabelNA->text(), "open file first");
    EXPECT_FALSE(main().LabelNA->isHidden());
    EXPECT_TRUE(main().ImageADD->isHidden());
    OpenOn(FfmpegSamplePath(), main().TabSheetRE);
    ShowTab();
    EXPECT_EQ(main().LabelNA->text(), "no attachments found");
    EXPECT_FALSE(main().ImageADD->isHidden());
    EXPECT_TRUE(main().ATT->isHidden());
}

TEST_F(AttachmentsTabTest, TheListKeepMarksAndATextPreview) {
    OpenOn(SamplePath(), main().TabSheetRE);
    ShowTab();
    ASSERT_FALSE(main().ATT->isHidden());
    EXPECT_EQ(main().ATT->rowCount(), 2);
    EXPECT_EQ(CellText(1, 1), "readme.txt");
    EXPECT_EQ(CellText(1, 2), "text/plain");
    EXPECT_EQ(CellText(1, 0), "y");
    EXPECT_FALSE(main().MemoATT->isHidden());
    EXPECT_TRUE(main().MemoATT->toPlainText().size() > 0);

    main().ATTMouseDown(1, 0);  // untick
    EXPECT_EQ(main().document().attachList[0].keep, "");
    EXPECT_FALSE(main().ImageSATT->isHidden());
    main().ATTMouseDown(1, 0);  // tick again
    EXPECT_EQ(main().document().attachList[0].keep, "y");
    main().ATTMouseDown(0, 0);  // the title cell clears every mark, never sets them
    EXPECT_EQ(main().document().attachList[0].keep, "");
    main().ATTMouseDown(0, 0);
    EXPECT_EQ(main().document().attachList[0].keep, "");
}

// Open a file with attachments, look at them, open another: the tab and the
// document hold the second file's attachments only.
TEST_F(AttachmentsTabTest, ASecondFileShowsItsOwnAttachments) {
    QTemporaryDir dir;
    OpenOn(SamplePath(), main().TabSheetRE);
    ShowTab();
    ASSERT_EQ(main().ATT->rowCount(), 2);
    OpenOn(FileWithPreviews(dir), main().TabSheetRE);
    EXPECT_TRUE(main().document().attachList.empty() || main().document().attachList[0].fileName == "notes.txt");
    ShowTab();
    ASSERT_EQ(main().ATT->rowCount(), 4);
    EXPECT_EQ(CellText(1, 1), "notes.txt");
    EXPECT_EQ(CellText(3, 1), "face.ttf");
    for (const TAttach& a : main().document().attachList) EXPECT_NE(a.fileName, "readme.txt");
}

TEST_F(AttachmentsTabTest, TheEditPanelStoresOnlyANameAndAType) {
    OpenOn(SamplePath(), main().TabSheetRE);
    ShowTab();
    main().ATT->setCurrentCell(1, 1);
    main().MIattparaClick();
    ASSERT_FALSE(main().PanelATTE->isHidden());
    EXPECT_EQ(main().EditATTN->text(), "readme.txt");
    main().EditATTN->setText("");
    main().Image1Click();  // an empty name blinks and stores nothing
    EXPECT_FALSE(main().PanelATTE->isHidden());
    EXPECT_EQ(main().document().attachList[0].fileName, "readme.txt");
    main().EditATTN->setText("about.txt");
    main().EditATTD->setText("About");
    main().Image1Click();
    EXPECT_TRUE(main().PanelATTE->isHidden());
    EXPECT_EQ(main().document().attachList[0].fileName, "about.txt");
    EXPECT_EQ(main().document().attachList[0].fileDescription, "About");
    EXPECT_EQ(CellText(1, 1), "about.txt");
    main().MIattparaClick();
    // The title strip drags the panel.
    const QPoint before = main().PanelATTE->pos();
    QTest::mousePress(main().Panel7, Qt::LeftButton, {}, QPoint(5, 3));
    QMouseEvent move(QEvent::MouseMove, QPointF(25, 13), main().Panel7->mapToGlobal(QPointF(25, 13)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main().Panel7, &move);
    EXPECT_EQ(main().PanelATTE->pos(), before + QPoint(20, 10));
    main().EditATTN->setText("ignored.txt");
    main().Image7Click();  // cancel
    EXPECT_EQ(main().document().attachList[0].fileName, "about.txt");
}

TEST_F(AttachmentsTabTest, PicturesAndFontsArePreviewed) {
    QTemporaryDir dir;
    OpenOn(FileWithPreviews(dir), main().TabSheetRE);
    ShowTab();
    main().ATTMouseDown(2, 1);  // cover.jpg
    EXPECT_FALSE(main().ImageATT->isHidden());
    EXPECT_EQ(main().attachmentPicture().size(), QSize(200, 100));
    main().ATTDblClick();
    EXPECT_TRUE(windows_.view->isVisible());
    EXPECT_FALSE(windows_.view->Image->isHidden());
    windows_.view->hide();

    main().ATTMouseDown(3, 1);  // face.ttf
    ASSERT_FALSE(main().TTF->isHidden());
    EXPECT_TRUE(main().TTF->toPlainText().startsWith("TrueType Font\nName: DejaVu Sans\nSize: 12"));
    EXPECT_TRUE(main().TTF->toPlainText().contains(QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя")));
    const QFontInfo drawn(main().TTF->font());
    EXPECT_NE(drawn.family(), "DejaVu Sans");     // not the installed family ...
    EXPECT_EQ(drawn.styleName(), "Bold");        // ... but the attached bold face
    for (int i = 0; i < 3; ++i) main().TTFMouseWheel(-120);  // towards the user: larger
    EXPECT_EQ(main().ttfSize, 15);
    for (int i = 0; i < 20; ++i) main().TTFMouseWheel(120);
    EXPECT_EQ(main().ttfSize, 1);
    EXPECT_TRUE(main().TTF->toPlainText().contains("Size: 1\n"));
}

TEST_F(AttachmentsTabTest, AddingSavingAndTheTreeItems) {
    QTemporaryDir dir;
    OpenOn(SamplePath(), main().TabSheetCH, true);
    ShowTab();
    const QString photo = dir.filePath("Photo.JPG");
    QFile(photo).open(QIODevice::WriteOnly);
    ASSERT_TRUE(main().AddAttachFile(photo, false));
    EXPECT_EQ(CellText(2, 1), "photo.jpg");
    EXPECT_EQ(CellText(2, 2), "image/jpeg");

    main().ATT->setCurrentCell(1, 1);
    const QString saved = dir.filePath("readme.out");
    ASSERT_TRUE(main().SaveAttachTo(saved));
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), 26);
    file.close();
    AnswerNextModal(false);  // saving over it asks first; "no" writes nothing
    EXPECT_FALSE(main().SaveAttachTo(saved));

    // The tree's items on the AttachedFile row.
    const int attached = FindFirstById(main().document().lista, kAttachedFile);
    main().TreeEBML->setCurrentIndex(main().structureModel()->IndexOfRow(attached));
    main().PopupEBMLPopup();
    EXPECT_TRUE(main().MIsave->isVisible());
    EXPECT_TRUE(main().MIview->isVisible());  // text/plain
    main().MIviewClick();
    EXPECT_TRUE(windows_.view->isVisible());
    EXPECT_FALSE(windows_.view->Memo->isHidden());
    windows_.view->hide();
    const QString fromTree = dir.filePath("tree.out");
    ASSERT_TRUE(main().SaveTreeAttachmentTo(fromTree));
    EXPECT_EQ(QFile(fromTree).size(), 26);
}

}  // namespace
}  // namespace quillon::ui::test
