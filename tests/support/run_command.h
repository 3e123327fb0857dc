// Running an external program in a test and taking its output.
#pragma once

#include <string>

namespace quillon::test {

struct CommandResult {
    int exitStatus = -1;
    std::string output;  // stdout and stderr together
};

// Runs `command` through the shell.
CommandResult RunCommand(const std::string& command);
struct SeparatedResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `command` through the shell with stdin from /dev/null (so never a
// terminal), keeping stdout and stderr apart.
SeparatedResult RunSeparated(const std::string& command);

// Quotes a path for the shell.
std::string Quoted(const std::string& text);

}  // namespace quillon::test
