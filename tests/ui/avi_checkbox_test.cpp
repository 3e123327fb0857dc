// The save panel's "конверт" box: offered for one video and at most one
// audio track, it turns the output into an AVI and the save into the conversion.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include "core/generated/element_ids.h"
#include "support/ebml_builder.h"
#include "ui/clickable_image.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

using quillon::test::ByteVec;

// A VFW video track with its BITMAPINFOHEADER, an MP3 track and a subtitle track.
ByteVec VfwFilm() {
    using namespace quillon::test;
    ByteVec bih(40, 0);
    bih[0] = 40, bih[4] = 64, bih[8] = 48;
    std::memcpy(&bih[16], "XVID", 4);
    const ByteVec video = TrackEntry(1, 1, "V_MS/VFW/FOURCC", {Binary(kCodecPrivate, bih)});
    const ByteVec audio =
        TrackEntry(2, 2, "A_MPEG/L3", {Master(kAudio, {Float(kSamplingFrequency, 44100), Uint(kChannels, 2)})});
    const ByteVec subs = TrackEntry(3, 17, "S_TEXT/UTF8");
    std::vector<ByteVec> cluster = {Uint(kTimeCode, 0)};
    for (int k = 0; k < 25; ++k) {
        cluster.push_back(SimpleBlock(1, int16_t(k * 40), k % 12 == 0 ? 0x80 : 0x00, Frame(300 + k, 0x11)));
        cluster.push_back(SimpleBlock(2, int16_t(k * 40), 0x80, Frame(130, 0x22)));
    }
    return MatroskaFile({InfoMaster({Uint(kTimecodeScale, 1000000), Float(kDuration, 1000)}),
                         Master(kTracks, {video, audio, subs}), MasterOf(kCluster, cluster)});
}

class AviCheckBoxTest : public UiTest {};

TEST_F(AviCheckBoxTest, TheBoxFollowsTheTicksAndConvertsToAvi) {
    QTemporaryDir dir;
    const QString source = dir.filePath("film.mkv");
    {
        const ByteVec bytes = VfwFilm();
        QFile out(source);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    }
    OpenOn(source, Find<QWidget>("TabSheetRE"));
    // Three tracks ticked: a subtitle track is more than an AVI takes.
    EXPECT_FALSE(Find<QCheckBox>("CheckAVI")->isEnabled());
    QTableWidget* grid = Find<QTableWidget>("Tracks");
    QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->visualRect(grid->model()->index(3, 0)).center());  // untick the subtitles
    ASSERT_TRUE(Find<QCheckBox>("CheckAVI")->isEnabled());

    Find<QCheckBox>("CheckAVI")->click();
    ASSERT_TRUE(Find<QCheckBox>("CheckAVI")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("CheckEX")->isChecked());
    EXPECT_TRUE(Find<QLineEdit>("EditOUT")->text().endsWith(".avi"));
    Find<QLineEdit>("EditOUT")->setText(dir.filePath("film.avi"));
    QTest::mouseClick(Find<ClickableImage>("ImageSA"), Qt::LeftButton);

    QFile avi(dir.filePath("film.avi"));
    ASSERT_TRUE(avi.open(QIODevice::ReadOnly));
    const QByteArray head = avi.read(2048);
    EXPECT_EQ(head.left(4), QByteArray("RIFF"));
    EXPECT_EQ(head.mid(8, 4), QByteArray("AVI "));
    EXPECT_EQ(head.mid(2044, 4), QByteArray("movi"));
    EXPECT_EQ(avi.read(4), QByteArray("00dc"));
}

}  // namespace
}  // namespace quillon::ui::test
