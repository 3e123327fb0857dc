// The status log's line store: at 500 lines it is emptied before the next line
// is added, so it never holds more than 500.
#pragma once

#include <string>
#include <vector>

namespace quillon {

class StatusLog {
public:
    static constexpr size_t kMaxLines = 500;

    // Returns true when the log was emptied first.
    bool Add(const std::string& line) {
        const bool cleared = lines_.size() >= kMaxLines;
        if (cleared) lines_.clear();
        lines_.push_back(line);
        return cleared;
    }
    void Clear() { lines_.clear(); }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

}  // namespace quillon
