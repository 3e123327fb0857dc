#include "support/run_command.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace quillon::test {

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1 </dev/null").c_str(), "r");
    if (!pipe) return result;
    std::array<char, 65536> chunk;
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) result.output.append(chunk.data(), n);
    const int status = ::pclose(pipe);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace quillon::test
