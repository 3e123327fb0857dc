#include "cli/arguments.h"

namespace quillon::cli {

std::optional<Arguments> Arguments::Parse(const std::vector<std::string>& args, const std::set<std::string>& flags,
                                          const std::set<std::string>& valueOptions, std::string& error) {
    Arguments parsed;
    bool operandsOnly = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (operandsOnly || arg.size() < 2 || arg[0] != '-') {
            parsed.operands_.push_back(arg);
        } else if (arg == "--") {
            operandsOnly = true;
        } else if (flags.count(arg)) {
            parsed.flags_.insert(arg);
        } else if (valueOptions.count(arg)) {
            if (i + 1 >= args.size()) {
                error = arg;
                return std::nullopt;
            }
            parsed.values_.emplace_back(arg, args[++i]);
        } else {
            error = arg;
            return std::nullopt;
        }
    }
    return parsed;
}

std::optional<std::string> Arguments::Value(const std::string& option) const {
    std::optional<std::string> last;
    for (const auto& [name, value] : values_)
        if (name == option) last = value;
    return last;
}

bool ExtractLanguage(std::vector<std::string>& args, Lang& lang) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--lang") continue;
        if (i + 1 >= args.size() || (args[i + 1] != "rus" && args[i + 1] != "eng")) return false;
        lang = LangFromCode(args[i + 1]);
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        --i;
    }
    return true;
}

}  // namespace quillon::cli
