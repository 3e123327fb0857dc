#include "ui/screenshots.h"

#include <cstdio>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include "ui/container_tab.h"
#include "ui/structure_tree_view.h"

namespace quillon::ui {
namespace {

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::sendPostedEvents();
        QApplication::processEvents();
    }
}

}  // namespace

bool StartScreenshots(AppWindows& windows, const QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QStringLiteral("--screenshots"));
    if (at < 0 || at + 2 >= arguments.size()) return false;
    const QString dir = QFileInfo(arguments.at(at + 1)).absoluteFilePath();
    const QString file = QFileInfo(arguments.at(at + 2)).absoluteFilePath();
    TFormMain* main = windows.main.get();
    QTimer::singleShot(0, main, [main, dir, file] {
        QDir().mkpath(dir);
        main->resize(1100, 720);
        main->PageControl1->setCurrentWidget(main->TabSheetCH);
        main->CheckFC->setChecked(true);
        main->EditIN->setText(file);
        main->bigFileWarningPending = false;  // nobody is there to answer
        main->BitBtnHDRClick();
        Settle();
        main->findChild<QTreeView*>(QStringLiteral("TreeEBML"))->expandToDepth(1);  // the Segment's top-level elements
        Settle();
        const char* names[] = {"container", "contents", "attachments", "codecs", "settings"};
        int saved = 0;
        for (int tab = 0; tab < main->PageControl1->count() && tab < 5; ++tab) {
            main->PageControl1->setCurrentIndex(tab);
            Settle();
            const QString path = QStringLiteral("%1/%2-%3.png").arg(dir).arg(tab + 1).arg(QString::fromLatin1(names[tab]));
            if (main->grab().save(path)) ++saved;
            std::printf("%s\n", path.toLocal8Bit().constData());
        }
        std::fflush(stdout);
        QApplication::exit(saved == main->PageControl1->count() ? 0 : 1);
    });
    return true;
}

}  // namespace quillon::ui
