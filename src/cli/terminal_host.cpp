#include "cli/terminal_host.h"

#include <unistd.h>

#include <csignal>

namespace quillon::cli {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

}  // namespace

TerminalHost::TerminalHost(std::FILE* logStream) : log_(logStream), showProgress_(::isatty(STDERR_FILENO) == 1) {}

TerminalHost::~TerminalHost() { EraseProgress(); }

void TerminalHost::CatchInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

void TerminalHost::logLine(const std::string& line) {
    EraseProgress();
    std::fprintf(log_, "%s\n", line.c_str());
    std::fflush(log_);
}

void TerminalHost::ProgressShow(uint64_t maximum) {
    maximum_ = maximum;
    lastDraw_ = {};
    ProgressTo(0);
}

void TerminalHost::ProgressTo(uint64_t position) {
    if (!showProgress_ || maximum_ == 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    const unsigned percent = static_cast<unsigned>(position >= maximum_ ? 100 : position * 100 / maximum_);
    std::fprintf(stderr, "\r%3u %%", percent);
    std::fflush(stderr);
    progressShown_ = true;
}

void TerminalHost::ProgressHide() {
    EraseProgress();
    maximum_ = 0;
}

void TerminalHost::EraseProgress() {
    if (!progressShown_) return;
    std::fprintf(stderr, "\r      \r");
    std::fflush(stderr);
    progressShown_ = false;
}

bool TerminalHost::StopRequested() { return gInterrupted != 0; }

void TerminalHost::ClearStop() { gInterrupted = 0; }

}  // namespace quillon::cli
