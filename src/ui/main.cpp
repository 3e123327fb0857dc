// quillon [FILE]: the desktop program. With FILE, the file is opened at start
// on the contents tab, as if chosen in the open dialog.
#include <clocale>
#include <cstdio>
#include <string>

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include "core/file_io.h"
#include "ui/app_windows.h"
#include "ui/screenshots.h"
#include "ui/scripted_open.h"

namespace {

// Answered before any window exists, so they work without a display (the
// manual page is made from them at build time).
bool AnswerTerminalOption(int argc, char** argv) {
    if (argc < 2) return false;
    const std::string option = argv[1];
    if (option == "--version") {
        std::printf("quillon %s\n", QUILLON_VERSION);
        return true;
    }
    if (option == "--help" || option == "-h") {
        std::printf(
            "Usage: quillon [FILE]\n"
            "The desktop program of Quillon: inspect a Matroska file (.mkv, .mka, .mks), check its\n"
            "container, see its element tree, tracks and attachments, edit track headers, add tracks,\n"
            "repair block timelines, remux it and export or convert its tracks.\n"
            "\n"
            "  FILE       a Matroska file to open at start on the contents tab; a file can also be\n"
            "             dropped onto the window\n"
            "  --help     this text\n"
            "  --version  the version\n"
            "\n"
            "The same operations from a terminal: quillon-cli --help.\n");
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (AnswerTerminalOption(argc, argv)) return 0;
    quillon::LetWritesFailPastTheSizeLimit();
    QApplication application(argc, argv);
    // Qt hands the user's locale to the C library; numbers in files and in
    // our texts are written and read with a point whatever the locale says.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    quillon::ui::AppWindows windows = quillon::ui::CreateAppWindows();
    windows.main->show();

    const QStringList arguments = QApplication::arguments();
    if (quillon::ui::StartScriptedOpen(windows, arguments)) return QApplication::exec();
    if (quillon::ui::StartScreenshots(windows, arguments)) return QApplication::exec();
    if (arguments.size() > 1) {
        const QString file = QFileInfo(arguments.at(1)).absoluteFilePath();
        QTimer::singleShot(0, windows.main.get(), [&windows, file] {
            windows.main->EditIN->setText(file);
            windows.main->BitBtnHDRClick();
        });
    }
    return QApplication::exec();
}
