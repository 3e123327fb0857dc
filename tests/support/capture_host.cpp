#include "support/capture_host.h"

#include <algorithm>

namespace quillon::test {

bool CaptureHost::HasLine(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace quillon::test
