// Running this program again as a child, for the files of a batch: each
// file's work in a process of its own, so one file's memory, crash or
// address-space traffic never touches the others.
#pragma once

#include <string>
#include <vector>

namespace quillon::cli {

struct ChildResult {
    int exitStatus = -1;  // the child's exit status; -1 when it could not start or was killed
    int signal = 0;       // the signal that ended it, or 0
    std::string output;   // what it wrote to stdout
};

// Runs this executable with `args` (after argv[0]), stdout captured, stderr
// dropped, and waits for it.
ChildResult RunSelf(const std::vector<std::string>& args);

}  // namespace quillon::cli
