#include "core/findings.h"

namespace quillon {
namespace {

struct RuleRow {
    const char* name;
    Severity severity;
    const char* text;  // Russian key of the message lookup
};

constexpr Severity E = Severity::Error;
constexpr Severity W = Severity::Warning;

// In the order of the Rule enumerators.
constexpr RuleRow kRules[] = {
    {"read-error", E, "файл не прочитан"},
    {"unknown-id", E, "неизвестный элемент"},
    {"size-field", E, "неверное поле размера"},
    {"past-parent", E, "элемент выходит за конец родителя"},
    {"past-file", E, "элемент выходит за конец файла"},
    {"top-level-inside", E, "элемент верхнего уровня внутри другого элемента"},
    {"out-of-place", E, "элемент не на своём месте"},
    {"block-header", E, "заголовок блока не помещается в блок"},
    {"value-size", E, "размер значения не подходит его типу"},
    {"too-deep", E, "слишком глубокая вложенность"},
    {"wrong-size", E, "размер элемента не совпадает с его содержимым"},
    {"cluster-header-lost", E, "заголовок кластера повреждён: кластер восстановлен по его Timestamp"},
    {"unknown-element", W, "элемент с неизвестным ID пропущен"},
    {"skipped-bytes", E, "пропущены байты, в которых нет ни одного элемента"},
    {"segment-past-file", E, "файл короче, чем указано в размере сегмента"},
    {"segment-size-zero", W, "размер сегмента 0: сегмент прочитан до конца файла"},
    {"segment-too-short", E, "за концом сегмента идут его элементы: размер сегмента неверен"},
    {"second-segment", E, "второй сегмент (файл склеен из двух): прочитан только первый"},
    {"crc32-mismatch", E, "CRC-32 не совпадает"},
    {"ebml-version", W, "EBMLVersion не 1"},
    {"ebml-read-version", E, "EBMLReadVersion не 1 или больше EBMLVersion"},
    {"ebml-max-id-length", W, "EBMLMaxIDLength не 4"},
    {"ebml-max-size-length", W, "EBMLMaxSizeLength вне 1-8"},
    {"doctype-missing", W, "нет DocType или он пуст"},
    {"doctype-unknown", E, "неизвестный DocType"},
    {"doctype-read-version", W, "DocTypeReadVersion больше DocTypeVersion"},
    {"id-too-long", W, "ID длиннее EBMLMaxIDLength"},
    {"size-too-long", W, "поле размера длиннее EBMLMaxSizeLength"},
    {"missing-element", W, "нет обязательного элемента"},
    {"missing-essential", E, "нет элемента, без которого данные не прочитать"},
    {"too-many", W, "элемент повторяется больше, чем разрешено"},
    {"conflicting-values", E, "элемент повторяется с разными значениями"},
    {"out-of-range", W, "значение вне допустимых пределов"},
    {"not-ascii", W, "в строке ASCII символы вне 0x20-0x7E"},
    {"not-utf8", W, "строка не в UTF-8"},
    {"binary-length", W, "длина двоичного значения не та, что задана форматом"},
    {"unknown-size-not-allowed", W, "неизвестный размер у элемента, которому он не разрешён"},
    {"id-not-shortest", W, "ID записан не самым коротким способом"},
    {"crc32-not-first", W, "CRC-32 не первый элемент родителя"},
    {"seek-target", E, "запись SeekHead указывает не на тот элемент"},
    {"cue-target", E, "CuePoint указывает на кластер без такого блока"},
    {"block-without-track", E, "у блока нет трека с таким номером"},
};
static_assert(sizeof(kRules) / sizeof(kRules[0]) == static_cast<size_t>(Rule::BlockWithoutTrack) + 1,
              "one row per rule");

const RuleRow& Row(Rule rule) { return kRules[static_cast<size_t>(rule)]; }

}  // namespace

const char* RuleName(Rule rule) { return Row(rule).name; }
Severity RuleSeverity(Rule rule) { return Row(rule).severity; }
const char* RuleText(Rule rule) { return Row(rule).text; }
const char* SeverityName(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

std::string FindingMessage(const Host& host, const Finding& finding) {
    std::string text = host.Tr(RuleText(finding.rule));
    text += ": " + finding.element + " @ " + std::to_string(finding.offset);
    if (!finding.detail.empty()) text += ": " + finding.detail;
    return text;
}

std::string FindingLine(const Host& host, const Finding& finding) {
    const char* prefix = finding.severity == Severity::Error ? "• ошибка в структуре файла" : "• предупреждение";
    return host.Tr(prefix) + ": " + FindingMessage(host, finding);
}

void Findings::Record(Rule rule, int64_t row, std::string_view element, uint64_t offset, std::string detail) {
    const Severity severity = RuleSeverity(rule);
    ++(severity == Severity::Error ? errors_ : warnings_);
    if (items_.size() < kKeptFindings) items_.push_back(Finding{rule, severity, row, std::string(element), offset, std::move(detail)});
}

void Findings::Add(Host& host, Rule rule, int64_t row, std::string_view element, uint64_t offset, std::string detail) {
    const size_t kept = items_.size();
    Record(rule, row, element, offset, std::move(detail));
    if (items_.size() > kept) host.AddLog("", FindingLine(host, items_.back()));
}

void Findings::LogTotal(Host& host) const {
    if (total() > items_.size()) host.AddLog("• повреждённых мест всего: ", std::to_string(total()));
}

}  // namespace quillon
