// The Host of the command-line front: log lines to a stream, progress on
// stderr only when stderr is a terminal, Ctrl-C as the stop request.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/host.h"

namespace quillon::cli {

// Stored texts break lines with CR LF; a terminal wants LF.
std::string TerminalText(const std::string& text);

class TerminalHost : public Host {
public:
    explicit TerminalHost(std::FILE* logStream = stdout);
    ~TerminalHost() override;

    void ProgressShow(uint64_t maximum) override;
    void ProgressTo(uint64_t position) override;
    void ProgressHide() override;
    bool StopRequested() override;
    void ClearStop() override;

    // Installs the Ctrl-C handler that turns an interrupt into a stop request.
    static void CatchInterrupt();

protected:
    void logLine(const std::string& line) override;
    // Asks on the terminal when stdin is one; otherwise prints the question
    // and answers no.
    bool askUser(const std::string& text, const std::string& yes, const std::string& no) override;
    void informUser(const std::string& text) override;

private:
    void EraseProgress();

    std::FILE* log_;
    bool showProgress_;
    bool progressShown_ = false;
    uint64_t maximum_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
};

// A terminal Host that keeps the log lines instead of printing them, for
// commands whose stdout carries something else (JSON, a listing, a dump);
// progress still goes to stderr.
class CollectingHost : public TerminalHost {
public:
    std::vector<std::string> lines;

protected:
    void logLine(const std::string& line) override { lines.push_back(TerminalText(line)); }
    void informUser(const std::string& text) override { lines.push_back(TerminalText(text)); }
};

}  // namespace quillon::cli
