#include "support/run_command.h"

#include <sys/wait.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

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

SeparatedResult RunSeparated(const std::string& command) {
    static int counter = 0;
    const std::filesystem::path errFile = std::filesystem::temp_directory_path() /
        ("quillon-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".err");
    SeparatedResult run;
    FILE* pipe = ::popen((command + " </dev/null 2>" + Quoted(errFile.string())).c_str(), "r");
    if (!pipe) return run;
    std::array<char, 65536> chunk;
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) run.out.append(chunk.data(), n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile, std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(err), {});
    std::filesystem::remove(errFile);
    return run;
}

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace quillon::test
