#include "cli/attachment_edits.h"

#include "attach/attach_list.h"
#include "core/value_text.h"

namespace quillon::cli {
namespace {

const std::set<std::string> kOptions = {"--attach", "--drop-attachment", "--attachment-name", "--attachment-mime",
                                        "--attachment-desc"};

// "N" or "N=TEXT" with N an attachment's number counted from 1.
TAttach* Numbered(Document& doc, const std::string& number) {
    if (!IsDigits(number) || number.size() > 9) return nullptr;
    const uint64_t n = TextToUInt64(number);
    return n >= 1 && n <= doc.attachList.size() ? &doc.attachList[n - 1] : nullptr;
}

}  // namespace

bool HasAttachmentEdits(const Arguments& args) {
    for (const std::string& option : kOptions)
        if (!args.Values(option).empty()) return true;
    return false;
}

std::optional<AttachmentEditError> ApplyAttachmentEdits(Document& doc, const Arguments& args, Host& host) {
    lista2attach(doc);
    for (const auto& [option, value] : args.ValuesInOrder(kOptions)) {
        if (option == "--attach") {
            if (!AddAttach(doc, value, host)) return AttachmentEditError{option + " " + value, "не удалось открыть файл"};
            continue;
        }
        if (option == "--drop-attachment") {
            TAttach* a = Numbered(doc, value);
            if (!a) return AttachmentEditError{option + " " + value, "нет такого вложения"};
            a->keep.clear();
            continue;
        }
        const size_t eq = value.find('=');
        if (eq == std::string::npos) return AttachmentEditError{option + " " + value, "ожидалось N=ТЕКСТ"};
        TAttach* a = Numbered(doc, value.substr(0, eq));
        if (!a) return AttachmentEditError{option + " " + value, "нет такого вложения"};
        const std::string text = value.substr(eq + 1);
        if (option == "--attachment-name") {
            if (text.empty()) return AttachmentEditError{option + " " + value, "имя вложения не может быть пустым"};
            a->fileName = text;
        } else if (option == "--attachment-mime") {
            if (text.empty()) return AttachmentEditError{option + " " + value, "тип вложения не может быть пустым"};
            a->fileMimeType = text;
        } else {
            a->fileDescription = text;
        }
    }
    doc.saveMode = SaveMode::Build;
    return std::nullopt;
}

}  // namespace quillon::cli
