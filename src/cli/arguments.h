// Command-line arguments of one command: flags, options with values and the
// remaining operands, with the interface language taken out first.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/messages.h"

namespace quillon::cli {

class Arguments {
public:
    // `valueOptions` lists the options that take a value ("-o", "--tracks").
    // Fails (with `error` set) on an unknown option or a missing value.
    static std::optional<Arguments> Parse(const std::vector<std::string>& args,
                                          const std::set<std::string>& flags,
                                          const std::set<std::string>& valueOptions, std::string& error);

    bool Has(const std::string& flag) const { return flags_.count(flag) > 0; }
    std::optional<std::string> Value(const std::string& option) const;
    // Every value given to an option that may repeat, in order.
    std::vector<std::string> Values(const std::string& option) const;
    // Every value of any of `options`, as (option, value) in command-line
    // order; a flag among them comes with an empty value, in its place.
    std::vector<std::pair<std::string, std::string>> ValuesInOrder(const std::set<std::string>& options) const;
    const std::vector<std::string>& Operands() const { return operands_; }
    // Every option in command-line order, a flag with an empty value.
    const std::vector<std::pair<std::string, std::string>>& Options() const { return values_; }

private:
    std::set<std::string> flags_;
    std::vector<std::pair<std::string, std::string>> values_;
    std::vector<std::string> operands_;
};

// Takes "--lang rus|eng" out of the arguments. False when the value is missing
// or not one of the two.
bool ExtractLanguage(std::vector<std::string>& args, Lang& lang);

}  // namespace quillon::cli
