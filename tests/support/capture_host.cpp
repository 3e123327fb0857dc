#include "support/capture_host.h"

#include <cstdio>
#include <cstdlib>

#include <algorithm>

namespace quillon::test {

bool CaptureHost::HasLine(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void CaptureHost::logLine(const std::string& line) {
    static const bool echo = std::getenv("QUILLON_TEST_LOG") != nullptr;
    if (echo) std::fprintf(stderr, "log: %s\n", line.c_str());
    lines.push_back(line);
}

}  // namespace quillon::test
