// Two windows' heavy moments, offscreen: a 100,000-byte dump of a real film's
// clusters built, painted and shown in the dump window; and the attachments tab
// shown for a file with 100 font attachments (the list filled, the first
// font previewed). Each is run RUNS times; the median and the spread are printed.
// Usage: views_draw_bench FILM [RUNS]   (FILM: any Matroska file of 100 kB or more)
// Targets: the dump under 200 ms, the tab under 300 ms.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/generated/element_ids.h"
#include "dump/dump_source.h"
#include "ui/app_windows.h"
#include "ui/form_du.h"
#include "support/ebml_builder.h"

namespace {

void Settle() {
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

void Report(const char* what, std::vector<qint64> ms, qint64 target) {
    std::sort(ms.begin(), ms.end());
    std::printf("%s: median %lld ms (min %lld, max %lld) over %zu runs; target < %lld ms: %s\n", what,
                static_cast<long long>(ms[ms.size() / 2]), static_cast<long long>(ms.front()),
                static_cast<long long>(ms.back()), ms.size(), static_cast<long long>(target),
                ms[ms.size() / 2] < target ? "PASS" : "FAIL");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: views_draw_bench FILM [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 11;
    QApplication app(argc, argv);
    quillon::ui::AppWindows windows = quillon::ui::CreateAppWindows();
    windows.main->show();

    // The dump: 100,000 bytes from the middle of the film, tags painted.
    std::vector<uint8_t> bytes;
    if (quillon::ReadFileBytes(argv[1], 4096, quillon::kDumpLimit, bytes) != quillon::DumpRead::Ok ||
        bytes.size() < quillon::kDumpLimit) {
        std::fprintf(stderr, "cannot read 100,000 bytes of %s\n", argv[1]);
        return 2;
    }
    windows.du->CheckTG->setChecked(true);
    std::vector<qint64> dump;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer clock;
        clock.start();
        windows.du->ShowBytes(bytes, 4096);
        Settle();
        dump.push_back(clock.elapsed());
    }
    Report("dump of 100,000 bytes, painted and shown", dump, 200);

    // The attachments tab of a file with 100 fonts.
    using namespace quillon::test;
    QFile fontFile("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
    if (!fontFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no DejaVu Sans Mono (Debian package fonts-dejavu-core)\n");
        return 2;
    }
    const QByteArray font = fontFile.readAll();
    const ByteVec fontBytes(font.begin(), font.end());
    std::vector<ByteVec> files;
    for (int k = 0; k < 100; ++k)
        files.push_back(Master(quillon::kAttachedFile,
                               {Str(quillon::kFileName, "font" + std::to_string(k) + ".ttf"),
                                Str(quillon::kFileMimeType, "application/x-truetype-font"),
                                Binary(quillon::kFileData, fontBytes), Uint(quillon::kFileUID, uint64_t(k + 1))}));
    QTemporaryDir dir;
    const QString path = dir.filePath("fonts.mkv");
    {
        const ByteVec mkv = MatroskaFile({Master(quillon::kInfo, {Uint(quillon::kTimecodeScale, 1000000)}),
                                          MasterOf(quillon::kAttachments, files)});
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write(reinterpret_cast<const char*>(mkv.data()), qint64(mkv.size()));
    }
    quillon::ui::TFormMain& main = *windows.main;
    main.PageControl1->setCurrentWidget(main.TabSheetRE);
    main.EditIN->setText(path);
    main.BitBtnHDRClick();
    Settle();
    std::vector<qint64> tab;
    for (int r = 0; r < runs; ++r) {
        main.PageControl1->setCurrentWidget(main.TabSheetRE);
        Settle();
        main.document().attachList.clear();  // as after an open: the list is filled on showing
        QElapsedTimer clock;
        clock.start();
        main.PageControl1->setCurrentWidget(main.TabSheetATT);
        Settle();
        tab.push_back(clock.elapsed());
    }
    Report("attachments tab of 100 fonts shown", tab, 300);
    return 0;
}
