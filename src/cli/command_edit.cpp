// quillon-cli edit FILE... [--info | --track SEL] --set P=V --delete P ...:
// header properties written into each file in place, files side by side.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "attach/mime_table.h"
#include "cli/json_report.h"
#include "core/value_text.h"
#include "edit/header_edit.h"

namespace quillon::cli {
namespace {

// The edits of the command line, in order, each checked once for every file.
struct EditPlan {
    std::vector<PropertyEdit> edits;
    std::vector<AttachmentEdit> attachments;
    int status = kGoOn;  // an exit status when the command line is wrong
};

EditPlan ReadPlan(const Command& self, const Arguments& args, const Host& host) {
    EditPlan plan;
    enum { None, Info, Track } target = None;
    TrackSelector selector;
    std::string selectorText;
    auto fail = [&](const std::string& what, const char* why, int status = kExitUsage) {
        if (status == kExitUsage) UsageError(self, host, what, why);
        else std::fprintf(stderr, "quillon-cli edit: %s%s\n", host.Tr(why).c_str(), what.c_str());
        plan.status = status;
        return plan;
    };
    // One edit of the current target; short forms name their property.
    auto add = [&](const std::string& option, const std::string& name, const std::string* value) -> bool {
        PropertyEdit edit;
        edit.property = FindHeaderProperty(name);
        if (!edit.property) {
            fail(option + " " + name, "нет такого свойства");
            return false;
        }
        if (target == None && edit.property->master == PropertyMaster::Info) target = Info;
        if (target == None) {
            fail(option + " " + name, "не указан трек");
            return false;
        }
        edit.info = target == Info;
        edit.selector = selector;
        edit.selectorText = selectorText;
        if (value) {
            auto parsed = ParsePropertyValue(*edit.property, *value);
            if (const PropertyRefusal* refusal = std::get_if<PropertyRefusal>(&parsed)) {
                fail(refusal->detail, refusal->key, kExitFailed);
                return false;
            }
            edit.values = std::get<std::vector<PropertyBytes>>(parsed);
        } else {
            edit.remove = true;
        }
        plan.edits.push_back(edit);
        return true;
    };
    // A file to attach: named by its own name, typed by its extension.
    auto attached = [&](AttachmentEdit::Kind kind, uint64_t number, const std::string& path) {
        AttachmentEdit edit;
        edit.kind = kind;
        edit.number = number;
        edit.path = path;
        edit.name = std::filesystem::path(path).filename().string();
        edit.mime = MimeTypeOf(edit.name);
        // A type the table does not know is written as the format's "any bytes", as other muxers do.
        if (edit.mime.empty() || edit.mime == "mime/unknown") edit.mime = "application/octet-stream";
        plan.attachments.push_back(edit);
    };
    for (const auto& [option, value] :
         args.ValuesInOrder({"--info", "--track", "--set", "--delete", "--default", "--no-default", "--language", "--attach",
                             "--replace-attachment", "--drop-attachment"})) {
        if (option == "--attach") {
            attached(AttachmentEdit::Add, 0, value);
        } else if (option == "--replace-attachment" || option == "--drop-attachment") {
            const size_t eq = value.find('=');
            const bool replace = option == "--replace-attachment";
            const std::optional<uint64_t> number = ParseUnsigned(replace ? value.substr(0, std::min(eq, value.size())) : value);
            if (!number || *number == 0 || (replace && (eq == std::string::npos || eq + 1 == value.size())))
                return fail(option + " " + value, replace ? "нужно N=ФАЙЛ, N: номер вложения с 1" : "нужен номер вложения с 1");
            if (replace) attached(AttachmentEdit::Replace, *number, value.substr(eq + 1));
            else plan.attachments.push_back(AttachmentEdit{AttachmentEdit::Drop, *number, {}, {}, {}});
        } else if (option == "--info") {
            target = Info;
        } else if (option == "--track") {
            const std::optional<TrackSelector> parsed = ParseTrackSelector(value);
            if (!parsed) return fail(option + " " + value, "не понят выбор трека: номер, uid:UID, v1, a1, s1");
            target = Track;
            selector = *parsed;
            selectorText = value;
        } else if (option == "--set") {
            const size_t eq = value.find('=');
            if (eq == std::string::npos) return fail(option + " " + value, "нужно СВОЙСТВО=ЗНАЧЕНИЕ");
            const std::string text = value.substr(eq + 1);
            if (!add(option, value.substr(0, eq), &text)) return plan;
        } else if (option == "--delete") {
            if (!add(option, value, nullptr)) return plan;
        } else if (option == "--language") {
            if (!add(option, "language", &value)) return plan;
        } else {
            if (target != Track) return fail(option, "не указан трек");
            const std::string flag = option == "--default" ? "1" : "0";
            if (!add(option, "flag-default", &flag)) return plan;
            plan.edits.back().onlyDefaultOfType = option == "--default";
        }
    }
    if (plan.edits.empty() && plan.attachments.empty()) return fail("", "не указано, что менять");
    return plan;
}

}  // namespace

int RunEdit(const Command& self, const Arguments& args, TerminalHost& host) {
    const EditPlan plan = ReadPlan(self, args, host);
    if (plan.status != kGoOn) return plan.status;
    const std::vector<std::string>& files = args.Operands();
    const std::optional<unsigned> workers = Workers(args, files.size());
    if (!workers) return UsageError(self, host, "-j " + *args.Value("-j"), "нужно число от 1 до 256");

    // Each file on its own: one failing leaves the others to go on.
    std::vector<HeaderEditResult> results(files.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t k = next++; k < files.size(); k = next++) results[k] = EditHeaders(files[k], plan.edits, plan.attachments);
    };
    std::vector<std::thread> pool;
    for (unsigned w = 1; w < *workers; ++w) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();

    bool anyFailed = false;
    nlohmann::ordered_json report = nlohmann::ordered_json::array();
    for (size_t k = 0; k < files.size(); ++k) {
        const HeaderEditResult& r = results[k];
        anyFailed = anyFailed || !r.ok;
        const std::string outcome = !r.ok ? "failed" : r.mastersWritten ? "changed" : "unchanged";
        const std::string message = r.ok ? "" : host.Tr(r.refusal.key) + r.refusal.detail;
        if (args.Has("--json")) {
            nlohmann::ordered_json line = {{"file", files[k]}, {"result", outcome}};
            if (r.ok) line["masters_written"] = r.mastersWritten, line["masters_moved"] = r.mastersMoved;
            else line["message"] = message;
            report.push_back(line);
        } else if (!r.ok) {
            std::fprintf(stderr, "%s: %s\n", files[k].c_str(), message.c_str());
        } else if (r.mastersWritten == 0) {
            std::printf("%s: %s\n", files[k].c_str(), host.Tr("менять нечего, значения уже такие").c_str());
        } else {
            const std::string where = r.mastersMoved ? host.Tr("заголовок перенесён в конец файла") : host.Tr("на своём месте");
            std::printf("%s: %s (%s)\n", files[k].c_str(), host.Tr("изменено в файле").c_str(), where.c_str());
        }
    }
    if (args.Has("--json")) PrintJson(nlohmann::ordered_json{{"files", report}});
    return anyFailed ? kExitFailed : kExitOk;
}

}  // namespace quillon::cli
