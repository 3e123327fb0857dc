// quillon-cli remux FILE... --output-dir DIR [--keep M] [--drop M] [--default M]
// [--forced M] [--order M,M] [--name M=TEXT] [--language M=CODE] [--rules FILE]
// [-j N] [--json]: the same remux on many files, tracks chosen by rules.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "cli/child_process.h"
#include "cli/commands.h"
#include "cli/json_report.h"
#include "core/value_text.h"
#include "save/output_name.h"
#include "save/rule_remux.h"

namespace quillon::cli {
namespace {

namespace fs = std::filesystem;

const std::set<std::string> kRuleOptions = {"--keep", "--drop", "--default", "--forced", "--order", "--name", "--language"};

// The rules of a --rules file ("keep a:jpn" a line, # for comments) and of
// the command line after them, in order.
bool ReadRuleLines(const Arguments& args, std::vector<std::pair<std::string, std::string>>& lines, std::string& bad) {
    if (const auto file = args.Value("--rules")) {
        std::ifstream in(*file);
        if (!in) {
            bad = *file;
            return false;
        }
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const size_t start = line.find_first_not_of(" \t");
            if (start == std::string::npos || line[start] == '#') continue;
            const size_t space = line.find_first_of(" \t", start);
            const std::string word = "--" + line.substr(start, space - start);
            const std::string value = space == std::string::npos ? "" : line.substr(line.find_first_not_of(" \t", space));
            if (!kRuleOptions.count(word) || value.empty()) {
                bad = line;
                return false;
            }
            lines.emplace_back(word, value);
        }
    }
    for (const auto& entry : args.ValuesInOrder(kRuleOptions)) lines.push_back(entry);
    return true;
}

bool BuildRules(const std::vector<std::pair<std::string, std::string>>& lines, TrackRules& rules, std::string& bad) {
    for (const auto& [option, value] : lines) {
        bad = option + " " + value;
        if (option == "--order") {
            // Plain matches only: the commas separate them.
            size_t from = 0;
            while (from <= value.size()) {
                const size_t comma = std::min(value.find(',', from), value.size());
                const auto match = ParseTrackMatch(value.substr(from, comma - from));
                if (!match) return false;
                rules.order.push_back(*match);
                from = comma + 1;
            }
            continue;
        }
        if (option == "--name" || option == "--language") {
            const size_t eq = value.rfind('=');
            if (eq == std::string::npos || eq == 0) return false;
            const auto match = ParseTrackMatch(value.substr(0, eq));
            if (!match) return false;
            (option == "--name" ? rules.names : rules.languages).push_back({*match, value.substr(eq + 1)});
            continue;
        }
        const auto match = ParseTrackMatch(value);
        if (!match) return false;
        if (option == "--keep") rules.keep.push_back(*match);
        else if (option == "--drop") rules.drop.push_back(*match);
        else if (option == "--default") rules.makeDefault.push_back(*match);
        else if (option == "--forced") rules.makeForced.push_back(*match);
    }
    return true;
}

const char* OutcomeName(SaveOutcome outcome, bool failed, bool warned) {
    if (failed) return "failed";
    // A damaged source or blocks left out are told as the single remux tells them.
    if (warned && outcome == SaveOutcome::Written) return "written_with_warnings";
    switch (outcome) {
        case SaveOutcome::Written: return "written";
        case SaveOutcome::WrittenWithWarnings: return "written_with_warnings";
        case SaveOutcome::Stopped: return "stopped";
        default: return "failed";
    }
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
    std::string all;
    for (const std::string& item : items) all += (all.empty() ? "" : separator) + item;
    return all;
}

}  // namespace

namespace {

// The arguments of a child that remuxes file `k` by the same rules: the
// parent's options but the folder, the worker count and --json, with the
// file and its output named.
std::vector<std::string> ChildArguments(const Command& self, const Arguments& args, const Host& host, const std::string& input,
                                        const std::string& output) {
    std::vector<std::string> child = {"--lang", host.language() == Lang::Eng ? "eng" : "rus", "remux", input, "-o", output};
    for (const auto& [option, value] : args.Options()) {
        if (option == "--output-dir" || option == "-j" || option == "--json" || option == "-o") continue;
        child.push_back(option);
        if (!self.flags.count(option)) child.push_back(value);
    }
    child.push_back("--json");
    child.push_back("-j");
    child.push_back("1");
    return child;
}

// The child's one-file report read back into a result.
RuleRemuxResult FromChild(const ChildResult& child, const Host& host, std::vector<std::string>& log, bool& started) {
    RuleRemuxResult result;
    const nlohmann::json report = nlohmann::json::parse(child.output, nullptr, false);
    if (report.is_discarded() || !report.contains("files") || report["files"].empty()) {
        started = true;
        result.failures.push_back(host.Tr("обработка файла прервалась") +
                                  (child.signal ? " (signal " + std::to_string(child.signal) + ")" : ""));
        return result;
    }
    const nlohmann::json& file = report["files"][0];
    const std::string outcome = file.value("result", "failed");
    started = outcome != "not_started";
    result.outcome = outcome == "written"                 ? SaveOutcome::Written
                     : outcome == "written_with_warnings" ? SaveOutcome::WrittenWithWarnings
                     : outcome == "stopped"               ? SaveOutcome::Stopped
                                                          : SaveOutcome::NothingWritten;
    result.kept = file.value("kept", std::vector<std::string>{});
    result.writtenBytes = file.value("bytes", uint64_t(0));
    result.warnings = file.value("warnings", std::vector<std::string>{});
    result.failures = file.value("failures", std::vector<std::string>{});
    log = file.value("log", std::vector<std::string>{});
    return result;
}

}  // namespace

int RunRuleRemux(const Command& self, const Arguments& args, TerminalHost& host, RemuxOptions options) {
    const std::vector<std::string>& inputs = args.Operands();
    std::vector<std::string> outputs;
    std::error_code error;
    if (const auto folder = args.Value("--output-dir")) {
        if (!fs::is_directory(*folder, error)) return UsageError(self, host, "--output-dir " + *folder, "нет такой папки");
        outputs = BatchOutputNames(inputs, *folder);
    } else {
        outputs = {args.Value("-o").value_or(makeOutFN(inputs[0]))};
    }
    std::vector<std::pair<std::string, std::string>> lines;
    std::string bad;
    if (!ReadRuleLines(args, lines, bad)) return UsageError(self, host, "--rules " + bad, "правило не понято");
    TrackRules rules;
    if (!BuildRules(lines, rules, bad)) return UsageError(self, host, bad, "правило не понято");
    const std::optional<unsigned> count = Workers(args, inputs.size());
    if (!count) return UsageError(self, host, "-j " + *args.Value("-j"), "нужно число от 1 до 256");
    const unsigned workers = *count;

    std::vector<RuleRemuxResult> results(inputs.size());
    std::vector<bool> started(inputs.size(), false);
    std::vector<std::vector<std::string>> logs(inputs.size());
    std::atomic<size_t> next{0};
    // Several files at once go to child processes: threads of one process
    // copying films side by side fight over its one address space.
    const bool children = workers > 1;
    auto work = [&] {
        for (size_t k = next++; k < inputs.size(); k = next++) {
            if (host.StopRequested()) continue;  // Ctrl-C: the files not begun stay so
            if (children) {
                bool begun = false;
                results[k] = FromChild(RunSelf(ChildArguments(self, args, host, inputs[k], outputs[k])), host, logs[k], begun);
                started[k] = begun;
                continue;
            }
            CollectingHost fileHost;  // each file's log apart, shown with its result
            fileHost.setLanguage(host.language());
            started[k] = true;
            results[k] = RemuxByRules(inputs[k], outputs[k], rules, options, args.Has("--overwrite"), fileHost);
            logs[k] = std::move(fileHost.lines);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned w = 1; w < workers; ++w) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();

    size_t written = 0, failed = 0, stopped = 0, notStarted = 0, warned = 0;
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (size_t k = 0; k < inputs.size(); ++k) {
        const RuleRemuxResult& r = results[k];
        const bool isFailed = started[k] && !r.failures.empty();
        if (!started[k]) ++notStarted;
        else if (isFailed) ++failed;
        else if (r.outcome == SaveOutcome::Stopped) ++stopped;
        else {
            ++written;
            if (r.outcome == SaveOutcome::WrittenWithWarnings || !r.warnings.empty()) ++warned;
        }
        if (args.Has("--json")) {
            nlohmann::ordered_json file = {{"input", inputs[k]}, {"output", outputs[k]},
                                           {"result", started[k] ? OutcomeName(r.outcome, isFailed, !r.warnings.empty()) : "not_started"}};
            file["kept"] = r.kept;
            file["bytes"] = r.writtenBytes;
            file["warnings"] = r.warnings;
            file["failures"] = r.failures;
            file["log"] = logs[k];
            files.push_back(file);
            continue;
        }
        if (!started[k]) {
            std::printf("%s: %s\n", inputs[k].c_str(), host.Tr("не начат (остановлено)").c_str());
        } else if (isFailed) {
            std::fprintf(stderr, "%s: %s %s\n", inputs[k].c_str(), host.Tr("не записан:").c_str(), Joined(r.failures, "; ").c_str());
        } else {
            const std::string stoppedText = r.outcome == SaveOutcome::Stopped ? "; " + host.Tr("остановлен, файл цел") : "";
            const std::string warningText = r.warnings.empty() ? "" : "; " + Joined(r.warnings, "; ");
            std::printf("%s \u2192 %s: %s %s; %llu %s%s%s\n", inputs[k].c_str(), outputs[k].c_str(), host.Tr("треки").c_str(),
                        Joined(r.kept, ", ").c_str(), static_cast<unsigned long long>(r.writtenBytes), host.Tr("байт").c_str(),
                        stoppedText.c_str(), warningText.c_str());
        }
    }
    if (args.Has("--json")) {
        PrintJson(nlohmann::ordered_json{{"files", files}, {"written", written}, {"failed", failed}, {"stopped", stopped},
                                         {"not_started", notStarted}, {"with_warnings", warned}});
    } else {
        std::printf("%s %zu, %s %zu, %s %zu, %s %zu\n", host.Tr("записано:").c_str(), written, host.Tr("не записано:").c_str(),
                    failed, host.Tr("остановлено:").c_str(), stopped, host.Tr("не начато:").c_str(), notStarted);
    }
    if (stopped || notStarted) return kExitInterrupted;
    // As the single remux: 1 when a file was not written or was written with warnings.
    return failed || warned ? kExitFailed : kExitOk;
}

}  // namespace quillon::cli
