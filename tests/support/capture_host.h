// A Host that records what the core reports, for tests.
#pragma once

#include <string>
#include <vector>

#include "core/host.h"

namespace quillon::test {

class CaptureHost : public Host {
public:
    std::vector<std::string> lines;
    std::vector<std::string> statuses;
    int stopAfterPolls = -1;  // >= 0: request a stop after that many polls
    int polls = 0;
    bool progressVisible = false;

    bool StopRequested() override { return stopAfterPolls >= 0 && ++polls > stopAfterPolls; }
    void ProgressShow(uint64_t) override { progressVisible = true; }
    void ProgressHide() override { progressVisible = false; }
    bool HasLine(const std::string& line) const;

protected:
    // QUILLON_TEST_LOG=1 echoes every line to stderr, to see what a failing test was told.
    void logLine(const std::string& line) override;
    void statusText(const std::string& text) override { statuses.push_back(text); }
};

}  // namespace quillon::test
