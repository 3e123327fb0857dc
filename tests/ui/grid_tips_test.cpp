// The tips of the track grid's language and default cells say what a click
// does to the open file, in the interface language, and that quick edits
// wait for the track panel while track edits are staged.
#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class GridTipsTest : public UiTest {
protected:
    void OpenCopy() {
        ASSERT_TRUE(dir_.isValid());
        const QString copy = dir_.filePath(QStringLiteral("copy.mkv"));
        ASSERT_TRUE(QFile::copy(SamplePath(), copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        OpenOn(copy, Find<QWidget>("TabSheetRE"));
    }
    QPoint CellCentre(int row, int column) {
        return Find<QTableWidget>("Tracks")->visualRect(Find<QTableWidget>("Tracks")->model()->index(row, column)).center();
    }
    // The tip shown when the pointer rests on a cell.
    QString TipOf(int row, int column) {
        QWidget* viewport = Find<QTableWidget>("Tracks")->viewport();
        const QPoint at = CellCentre(row, column);
        QHelpEvent rest(QEvent::ToolTip, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &rest);
        return QToolTip::text();
    }

    QTemporaryDir dir_;
};

TEST_F(GridTipsTest, LanguageAndDefaultCellsSayWhatAClickDoes) {
    OpenCopy();
    ASSERT_EQ(main().document().tatra[1].defaultMark, "");
    struct Case {
        int column;
        bool marked;  // the audio track is the default one
        bool staged;
        bool english;
        const char* tip;
    };
    const Case cases[] = {
        {3, false, false, false, "правый щелчок: новый код языка, сразу в этом файле"},
        {3, false, false, true, "right click: a new language code, written into this file at once"},
        {3, false, true, false, "язык меняется в панели трека (двойной щелчок) и попадёт в новый файл"},
        {4, false, false, false, "щелчок: сделать трек основным своего типа, сразу в этом файле"},
        {4, false, false, true, "click: make this the default track of its type, in this file at once"},
        {4, false, true, true, "the flag is changed in the track panel (double click) and goes into the new file"},
        {4, true, false, false, "правый щелчок: снять флаг, сразу в этом файле"},
        {4, true, true, true,
         "right click: drop the flag, in this file at once\n"
         "the flag is changed in the track panel (double click) and goes into the new file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "column " << c.column << " marked " << c.marked << " staged " << c.staged
                                        << " english " << c.english);
        if (c.english)
            main().ImageENClick();
        else
            main().ImageRUClick();
        Find<QLabel>("ImageSATT")->setVisible(c.staged);
        if (c.marked && main().document().tatra[1].defaultMark != "y") {
            Find<QLabel>("ImageSATT")->hide();
            QTest::mousePress(Find<QTableWidget>("Tracks")->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(2, 4));
            ASSERT_EQ(main().document().tatra[1].defaultMark, "y");
            Find<QLabel>("ImageSATT")->setVisible(c.staged);
        }
        EXPECT_EQ(TipOf(2, c.column), QString::fromUtf8(c.tip));
    }
}

}  // namespace
}  // namespace quillon::ui::test
