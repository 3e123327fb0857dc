#include <cctype>
#include <filesystem>
#include <set>
#include <string>

#include "core/ascii_text.h"
#include "save/output_name.h"

namespace quillon {
namespace {

bool EndsInCounter(const std::string& base) {
    if (base.size() <= 4) return false;
    const size_t n = base.size();
    return base[n - 4] == '.' && std::isdigit(static_cast<unsigned char>(base[n - 3])) &&
           std::isdigit(static_cast<unsigned char>(base[n - 2])) && std::isdigit(static_cast<unsigned char>(base[n - 1]));
}

// Adds 1 to the number after the last dot: three digits at least, more after 999.
std::string NextCounter(const std::string& base) {
    const size_t dot = base.rfind('.');
    const int next = std::stoi(base.substr(dot + 1)) + 1;
    std::string digits = std::to_string(next);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return base.substr(0, dot + 1) + digits;
}

}  // namespace

std::string makeOutFN(const std::string& inputPath) {
    const std::filesystem::path input(inputPath);
    // A bare name is beside the input in the working directory, like the input itself.
    std::string directory = input.has_parent_path() ? input.parent_path().string() : std::string();
    if (!directory.empty() && directory.back() != '/') directory += '/';

    const std::string fileName = input.filename().string();
    const size_t dot = fileName.rfind('.');
    std::string base = dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
    std::string extension = dot == std::string::npos || dot == 0 ? std::string() : fileName.substr(dot);

    base = EndsInCounter(base) ? NextCounter(base) : base + ".001";
    while (std::filesystem::exists(directory + base + extension)) base = NextCounter(base);
    return directory + base + AsciiLower(extension);
}

std::vector<std::string> BatchOutputNames(const std::vector<std::string>& inputs, const std::string& dir) {
    namespace fs = std::filesystem;
    std::set<fs::path> taken;
    std::error_code error;
    for (const std::string& in : inputs) taken.insert(fs::weakly_canonical(in, error));
    std::vector<std::string> names;
    for (const std::string& in : inputs) {
        const fs::path name = fs::path(in).filename();
        fs::path candidate = fs::path(dir) / name;
        for (int n = 2; taken.count(fs::weakly_canonical(candidate, error)); ++n)
            candidate = fs::path(dir) / (name.stem().string() + " (" + std::to_string(n) + ")" + name.extension().string());
        taken.insert(fs::weakly_canonical(candidate, error));
        names.push_back(candidate.string());
    }
    return names;
}

}  // namespace quillon
