// quillon [FILE]: the desktop program. With FILE, the file is opened at start
// on the contents tab, as if chosen in the open dialog.
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include "ui/app_windows.h"
#include "ui/scripted_open.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    quillon::ui::AppWindows windows = quillon::ui::CreateAppWindows();
    windows.main->show();

    const QStringList arguments = QApplication::arguments();
    if (quillon::ui::StartScriptedOpen(windows, arguments)) return QApplication::exec();
    if (arguments.size() > 1) {
        const QString file = QFileInfo(arguments.at(1)).absoluteFilePath();
        QTimer::singleShot(0, windows.main.get(), [&windows, file] {
            windows.main->EditIN->setText(file);
            windows.main->BitBtnHDRClick();
        });
    }
    return QApplication::exec();
}
