#include "cli/arguments.h"

#include <algorithm>

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
            parsed.values_.emplace_back(arg, std::string());  // its place among the options, for ValuesInOrder
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

std::vector<std::string> Arguments::Values(const std::string& option) const {
    std::vector<std::string> all;
    for (const auto& [name, value] : values_)
        if (name == option) all.push_back(value);
    return all;
}

std::vector<std::pair<std::string, std::string>> Arguments::ValuesInOrder(const std::set<std::string>& options) const {
    std::vector<std::pair<std::string, std::string>> all;
    for (const auto& entry : values_)
        if (options.count(entry.first)) all.push_back(entry);
    return all;
}

bool ExtractLanguage(std::vector<std::string>& args, Lang& lang) {
    // "--lang rus|eng" is the interface language wherever it stands; before the
    // command name any "--lang" is. A track's language has options of its own
    // ("edit --language CODE", "remux --language N=CODE", and the older
    // "remux --lang N=CODE", whose value is never "rus" or "eng").
    size_t commandAt = args.size();
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--lang") {
            ++i;
            continue;
        }
        commandAt = i;
        break;
    }
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--lang") continue;
        const bool beforeCommand = i < commandAt;
        const bool interfaceValue = i + 1 < args.size() && (args[i + 1] == "rus" || args[i + 1] == "eng");
        if (!beforeCommand && !interfaceValue) continue;
        if (!interfaceValue) return false;
        lang = LangFromCode(args[i + 1]);
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        if (commandAt > i) commandAt -= 2;
        --i;
    }
    return true;
}

}  // namespace quillon::cli
