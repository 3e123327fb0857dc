#include "ui/scripted_open.h"

#include <cstdio>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>

#include "ui/structure_model.h"
#include "ui/container_tab.h"
#include "ui/structure_tree_view.h"

namespace quillon::ui {
namespace {

// Every pending paint and layout, as a user would see them.
void Settle() {
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

// Milliseconds from the open button to the tree and the grid painted.
qint64 OpenFull(TFormMain& main, const QString& file) {
    QElapsedTimer clock;
    clock.start();
    main.PageControl1->setCurrentWidget(main.TabSheetCH);
    main.CheckFC->setChecked(true);
    main.EditIN->setText(file);
    main.bigFileWarningPending = false;  // a benchmark waits for no answer
    main.BitBtnHDRClick();
    Settle();
    return clock.elapsed();
}

void Report(const char* step, qint64 ms) {
    std::printf("%s: %lld ms\n", step, static_cast<long long>(ms));
    std::fflush(stdout);
}

}  // namespace

bool StartScriptedOpen(AppWindows& windows, const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QStringLiteral("--open-full-and-quit"));
    if (at < 0 || at + 1 >= arguments.size()) return false;
    const QString file = QFileInfo(arguments.at(at + 1)).absoluteFilePath();
    const bool expand = arguments.contains(QStringLiteral("--expand-segment"));
    const bool again = arguments.contains(QStringLiteral("--open-again"));
    TFormMain* main = windows.main.get();
    QTimer::singleShot(0, main, [&windows, main, file, expand, again] {
        Report("open", OpenFull(*main, file));
        // What was shown, so a benchmark can see the run did its work.
        const Document& doc = main->document();
        std::printf("elements %zu, tracks %zu, log lines %zu\n", doc.lista.size(), doc.tatra.size(),
                    main->host().Log().Lines().size());
        if (expand) {
            QElapsedTimer clock;
            clock.start();
            StructureModel& model = *main->structureModel();
            // As a user does it: the Segment made current, then the pop-up's "развернуть ветку".
            auto* tree = main->findChild<QTreeView*>(QStringLiteral("TreeEBML"));
            tree->setCurrentIndex(model.index(model.rowCount() - 1, 0));
            main->findChild<QAction*>(QStringLiteral("MIexpand"))->trigger();
            Settle();
            Report("expand", clock.elapsed());
            const QScrollBar* bar = tree->verticalScrollBar();
            std::printf("tree lines %d\n", bar->maximum() + bar->pageStep());
        }
        if (again) Report("open again", OpenFull(*main, file));
        QElapsedTimer clock;
        clock.start();
        main->close();
        windows = AppWindows{};
        Report("close", clock.elapsed());
        QApplication::quit();
    });
    return true;
}

}  // namespace quillon::ui
