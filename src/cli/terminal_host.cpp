#include "cli/terminal_host.h"

#include <unistd.h>

#include <csignal>
#include <string>

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
    // A batch starts its children with Ctrl-C held back until this handler is in place.
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigprocmask(SIG_UNBLOCK, &interrupt, nullptr);
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

std::string TerminalText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out.push_back(text[i]);
    return out;
}

namespace {

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\n' || s.back() == '\r')) s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    return s;
}

}  // namespace

bool TerminalHost::askUser(const std::string& text, const std::string& yes, const std::string& no) {
    EraseProgress();
    const std::string question = TerminalText(text);
    if (::isatty(STDIN_FILENO) != 1) {
        std::fprintf(stderr, "%s\n", question.c_str());
        return false;
    }
    const std::string y = Trimmed(yes), n = Trimmed(no);
    for (;;) {
        std::fprintf(stderr, "%s [%s/%s] ", question.c_str(), y.c_str(), n.c_str());
        std::fflush(stderr);
        char line[256];
        if (!std::fgets(line, sizeof line, stdin)) return false;
        const std::string answer = Trimmed(line);
        if (answer == y || answer == "y" || answer == "yes" || answer == "д" || answer == "да") return true;
        if (answer == n || answer == "n" || answer == "no" || answer == "н" || answer == "нет" || answer.empty()) return false;
    }
}

void TerminalHost::informUser(const std::string& text) {
    EraseProgress();
    std::fprintf(stderr, "%s\n", TerminalText(text).c_str());
}

bool TerminalHost::StopRequested() { return gInterrupted != 0; }

void TerminalHost::ClearStop() { gInterrupted = 0; }

}  // namespace quillon::cli
