// Under a dark desktop palette every coloured grid cell keeps its text
// readable: the track grid's type colours and title row, the attachments
// list, the codecs grids, the output name box of the save panel, and the
// information window's caption.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QLabel>
#include <QMap>
#include <QPalette>
#include <QTabWidget>
#include <QTableWidget>

#include "ui/form_me.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

// Relative luminance, 0 (black) to 1 (white), of an sRGB colour.
double Luminance(QColor colour) {
    auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

// The contrast ratio of two colours: 1 (the same) to 21 (black on white).
double Contrast(QColor a, QColor b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colours a desktop's dark theme gives.
QPalette DarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Base, QColor(0x24, 0x24, 0x24));
    dark.setColor(QPalette::AlternateBase, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Button, QColor(0x40, 0x40, 0x40));
    dark.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Highlight, QColor(0x2A, 0x6A, 0xC0));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    return dark;
}

// What a painted cell shows: its commonest colour is the background, the
// pixel furthest from it in luminance is the text's.
struct CellColours {
    QColor background, text;
};

CellColours ColoursIn(const QImage& picture, const QRect& cell) {
    QMap<QRgb, int> counts;
    const QRect inside = cell.adjusted(1, 1, -2, -2) & picture.rect();  // the grid lines stay out
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) ++counts[picture.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) most = it.value(), background = it.key();
    QRgb text = background;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (std::abs(Luminance(QColor(it.key())) - Luminance(QColor(background))) >
            std::abs(Luminance(QColor(text)) - Luminance(QColor(background))))
            text = it.key();
    return {QColor(background), QColor(text)};
}

class DarkPaletteTest : public UiTest {
protected:
    void SetUp() override {
        saved_ = QApplication::palette();
        QApplication::setPalette(DarkPalette());
        UiTest::SetUp();
    }
    void TearDown() override {
        UiTest::TearDown();
        QApplication::setPalette(saved_);
    }

    // Every cell of `grid` that shows a text is drawn with at least the
    // minimum contrast. The first column shows only pictures, as do the
    // `pictureColumns` of the data rows (their text is a mark the picture stands for).
    void ExpectReadableCells(const char* gridName, QList<int> pictureColumns = {}) {
        QTableWidget* grid = Find<QTableWidget>(gridName);
        ASSERT_TRUE(grid);
        ASSERT_TRUE(grid->isVisible()) << gridName;
        const QImage picture = grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int checked = 0;
        for (int row = 0; row < grid->rowCount(); ++row)
            for (int column = 1; column < grid->columnCount(); ++column) {
                if (row > 0 && pictureColumns.contains(column)) continue;
                const QTableWidgetItem* item = grid->item(row, column);
                if (!item || item->text().isEmpty()) continue;
                const QRect cell = grid->visualRect(grid->model()->index(row, column));
                if (!picture.rect().contains(cell.center())) continue;
                const CellColours seen = ColoursIn(picture, cell);
                EXPECT_GE(Contrast(seen.text, seen.background), kMinimumContrast)
                    << gridName << " row " << row << " column " << column << " \"" << item->text().toStdString()
                    << "\": " << seen.text.name().toStdString() << " on " << seen.background.name().toStdString();
                ++checked;
            }
        EXPECT_GT(checked, 2) << gridName;
    }

    // Small text asks for 4.5:1; the cells are drawn in the window's normal font.
    static constexpr double kMinimumContrast = 4.5;
    QPalette saved_;
};

TEST_F(DarkPaletteTest, EveryGridCellKeepsItsTextReadable) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetRE"));
    QTableWidget* tracks = Find<QTableWidget>("Tracks");
    ASSERT_EQ(tracks->rowCount(), 4);  // the title row, video, audio, subtitles
    ExpectReadableCells("Tracks", {4});
    tracks->setCurrentCell(2, 1);  // a selected row is drawn darker
    ExpectReadableCells("Tracks", {4});

    main().PageControl1->setCurrentWidget(Find<QWidget>("TabSheetATT"));
    ExpectReadableCells("ATT");

    main().PageControl1->setCurrentWidget(Find<QWidget>("TabSheetCDK"));
    QTableWidget* decoders = Find<QTableWidget>("StringCDK");
    const QList<QTableWidgetItem*> ac3 = decoders->findItems("ac3", Qt::MatchExactly);
    ASSERT_FALSE(ac3.isEmpty());
    decoders->setCurrentItem(ac3.first());  // a decoder with a tag, selected
    ExpectReadableCells("StringCDK");
    ExpectReadableCells("StringTAG");
}

TEST_F(DarkPaletteTest, TheOutputNameIsReadableWhenOnAndWhenOff) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetRE"));
    QLineEdit* name = Find<QLineEdit>("EditOUT");
    const struct {
        const char* what;
        bool on;
        double minimum;  // a switched-off name is a hint, drawn fainter
    } cases[] = {{"export on", true, kMinimumContrast}, {"export off", false, 2.5}};
    for (const auto& c : cases) {
        QCheckBox* exportBox = Find<QCheckBox>("CheckEX");
        if (exportBox->isChecked() != c.on) exportBox->click();
        const QPalette::ColorGroup group = name->isEnabled() ? QPalette::Active : QPalette::Disabled;
        EXPECT_EQ(name->isEnabled(), c.on) << c.what;
        EXPECT_GE(Contrast(name->palette().color(group, QPalette::Text), name->palette().color(group, QPalette::Base)),
                  c.minimum)
            << c.what;
    }
}

// The information window's caption is a face over a shade: the face must
// stand out from the window, whichever theme was on when the window was made.
TEST_F(DarkPaletteTest, TheInformationCaptionStandsOutFromTheWindow) {
    const struct {
        const char* what;
        QPalette palette;
    } cases[] = {{"dark", DarkPalette()}, {"light", saved_}, {"dark again", DarkPalette()}};
    for (const auto& c : cases) {
        QApplication::setPalette(c.palette);
        me().LabelINF2->ensurePolished();
        const QColor face = me().LabelINF2->palette().color(QPalette::WindowText);
        EXPECT_GE(Contrast(face, me().palette().color(QPalette::Window)), kMinimumContrast) << c.what;
    }
}

}  // namespace
}  // namespace quillon::ui::test
