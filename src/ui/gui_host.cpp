#include "ui/gui_host.h"

#include <climits>

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>

#include "ui/ui_text.h"

namespace quillon::ui {
namespace {

constexpr qint64 kPumpEveryMs = 40;

}  // namespace

GuiHost::GuiHost() { sincePump_.start(); }

void GuiHost::SetMessageWindows(AskFunction ask, InformFunction inform) {
    ask_ = std::move(ask);
    inform_ = std::move(inform);
}

void GuiHost::Pump(bool force) {
    if (!force && sincePump_.elapsed() < kPumpEveryMs) return;
    sincePump_.restart();
    QCoreApplication::processEvents();
}

void GuiHost::ProgressShow(uint64_t maximum) {
    gaugeDivisor_ = 1;
    while (maximum / gaugeDivisor_ > static_cast<uint64_t>(INT_MAX)) gaugeDivisor_ *= 16;
    if (views_.gauge) {
        views_.gauge->setRange(0, static_cast<int>(maximum / gaugeDivisor_));
        views_.gauge->setValue(0);
        views_.gauge->show();
    }
    if (views_.stopImage) views_.stopImage->show();
    Pump(true);
}

void GuiHost::ProgressTo(uint64_t position) {
    if (!views_.gauge) return;
    const int value = static_cast<int>(std::min<uint64_t>(position / gaugeDivisor_, views_.gauge->maximum()));
    if (value != views_.gauge->value()) views_.gauge->setValue(value);
}

void GuiHost::ProgressHide() {
    if (views_.gauge) views_.gauge->hide();
    if (views_.stopImage) views_.stopImage->hide();
}

bool GuiHost::StopRequested() {
    Pump();
    return stop_;
}

void GuiHost::ClearLog() {
    log_.Clear();
    if (views_.log) views_.log->clear();
}

void GuiHost::logLine(const std::string& line) {
    const bool cleared = log_.Add(line);
    if (!views_.log) return;
    if (cleared) views_.log->clear();
    views_.log->appendPlainText(ScreenText(line));
}

void GuiHost::ShowWorking(bool shown) {
    if (views_.working) views_.working->setVisible(shown);
}

QString GuiHost::StatusShown() const { return views_.status ? views_.status->text() : QString(); }

void GuiHost::statusText(const std::string& text) {
    if (views_.status) views_.status->setText(FromCore(text));
    if (onStatus) onStatus(text);
    Pump(true);
}

bool GuiHost::askUser(const std::string& text, const std::string& yes, const std::string& no) {
    return ask_ ? ask_(text, yes, no) : false;
}

void GuiHost::informUser(const std::string& text) {
    if (inform_)
        inform_(text);
    else
        logLine(text);
}

}  // namespace quillon::ui
