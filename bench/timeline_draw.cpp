// The timeline window's full view of a long track: the time one paint of the
// plot takes, offscreen. A track of N blocks (default 200,000; 40 ms apart,
// with a backward step every 10,000 blocks) is put straight into a document's
// model, the window shows it, and the plot is painted RUNS times.
// Usage: timeline_draw_bench [BLOCKS [RUNS]]; prints the median and the spread.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/document.h"
#include "core/host.h"
#include "ui/form_tl.h"

namespace {

class SilentHost : public quillon::Host {
protected:
    void logLine(const std::string&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    const size_t blocks = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 21;
    QApplication app(argc, argv);

    quillon::Document doc;
    quillon::tTrackEntry track;
    track.trackNumber.Set(1);
    track.trackType.Set(2);
    doc.mkv.tracks.push_back(track);
    doc.mkv.info.timecodeScale.Set(1000000);
    for (size_t i = 0; i < blocks; ++i) {
        doc.lista.push_back().block.trackNumber = 1;
        quillon::xBlock b;
        b.row = static_cast<uint32_t>(i);
        b.absTime = static_cast<int64_t>(i) * 40 - (i % 10000 == 9999 ? 2000 : 0);
        b.flags = quillon::xBlock::kKeyFrame;
        doc.mkv.blocks.push_back(b);
    }
    doc.mkv.blocksBuilt = true;

    SilentHost host;
    quillon::ui::TFormTL window(doc, host);
    window.resize(1000, 700);
    window.TimeLineCheck();
    window.ShowReport();
    QImage image(window.PlotTL->size(), QImage::Format_RGB32);
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        window.PlotTL->render(&image);
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("full view of %zu blocks, plot %dx%d: median %.2f ms (min %.2f, max %.2f) over %d paints\n", blocks,
                image.width(), image.height(), ms[ms.size() / 2], ms.front(), ms.back(), runs);
    std::printf("target: under 50 ms: %s\n", ms[ms.size() / 2] < 50 ? "PASS" : "FAIL");
    return 0;
}
