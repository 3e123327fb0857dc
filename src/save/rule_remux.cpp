#include "save/rule_remux.h"

#include <filesystem>
#include <system_error>

#include "attach/attach_list.h"
#include "attach/mime_table.h"
#include "core/open_failure.h"
#include "edit/staged_edits.h"
#include "reader/model_builder.h"
#include "reader/open_file.h"
#include "save/save_command.h"

namespace quillon {
namespace {


bool IsAssCodec(const std::string& codec) { return codec == "S_TEXT/ASS" || codec == "S_TEXT/SSA" || codec == "S_ASS" || codec == "S_SSA"; }

}  // namespace

std::vector<TrackFacts> FactsOf(const Document& doc) {
    std::vector<TrackFacts> facts;
    for (const Track& row : doc.tatra) {
        TrackFacts f;
        if (const tTrackEntry* t = ModelTrack(doc.mkv, row.numberText)) {
            f.number = t->trackNumber.value;
            f.uid = t->trackUID.value;
            f.type = t->trackType.value;
            f.language = t->language.present ? t->language.value : "";
            f.languageBCP47 = t->languageBCP47.present ? t->languageBCP47.value : "";
            f.codec = t->codecID.value;
            f.name = t->name.value;
            f.forced = t->flagForced.present && t->flagForced.value != 0;
            f.isDefault = !t->flagDefault.present || t->flagDefault.value != 0;
        }
        facts.push_back(f);
    }
    return facts;
}

std::vector<TrackFacts> ReadTrackFacts(const std::string& path, Host& host, std::string& failure) {
    Document doc;
    doc.sourcePath = path;
    const OpenOutcome opened = ReadHeader(doc, host);
    if (!opened.opened) {
        failure = OpenFailureText(path, host);
        return {};
    }
    if (opened.scan == ScanResult::NoSignature || opened.scan == ScanResult::NoSegment) {
        failure = host.Tr("не файл Matroska: ") + path;
        return {};
    }
    SourceFile source;
    if (!source.Open(path)) {
        failure = OpenFailureText(path, host);
        return {};
    }
    for (const Track& row : doc.tatra)
        if (row.entryIndex != Track::kNotInSource)
            doc.mkv.tracks.push_back(TrackFromEntry(doc.lista, int(row.entryIndex), source, host));
    return FactsOf(doc);
}

RuleRemuxResult RemuxByRules(const std::string& input, const std::string& output, const TrackRules& rules,
                             RemuxOptions options, bool overwrite, Host& host) {
    RuleRemuxResult result;
    std::error_code error;
    if (!overwrite && std::filesystem::exists(output, error)) {
        result.failures.push_back(host.Tr("файл уже есть (--overwrite заменит): ") + output);
        return result;
    }
    Document doc;
    doc.sourcePath = input;
    const OpenOutcome opened = CheckContainer(doc, host, true);
    if (!opened.opened) {
        result.failures.push_back(OpenFailureText(input, host));
        return result;
    }
    if (opened.scan == ScanResult::Stopped) {
        result.outcome = SaveOutcome::Stopped;
        return result;
    }
    if (opened.scan == ScanResult::NoSignature || opened.scan == ScanResult::NoSegment) {
        result.failures.push_back(host.Tr("не файл Matroska: ") + input);
        return result;
    }
    FinishContainerCheck(doc, host, true);
    if (!prepare2export(doc, host)) {
        result.failures.push_back(host.Tr("Файл не прочитан: ") + input);
        return result;
    }
    if (doc.damagedPlaces > 0) result.warnings.push_back(host.Tr("исходный файл повреждён, записано всё, что прочитано"));

    const std::vector<TrackFacts> facts = FactsOf(doc);
    const TrackPlan plan = PlanTracks(facts, rules);
    result.warnings.insert(result.warnings.end(), plan.warnings.begin(), plan.warnings.end());
    if (!plan.failures.empty()) {
        result.failures = plan.failures;
        return result;
    }

    // The kept tracks first, ticked, in the plan's order; the rest left out.
    TrackTable chosen;
    bool assKept = false;
    for (const TrackPlan::Kept& k : plan.kept) {
        chosen.push_back(doc.tatra[k.index]);
        chosen.back().selectMark.assign(1, 'y');
        assKept = assKept || IsAssCodec(facts[k.index].codec);
        result.kept.push_back(std::to_string(facts[k.index].number) + " " + TrackTypeLetter(facts[k.index].type));
    }
    for (size_t k = 0; k < doc.tatra.size(); ++k) {
        const bool isKept = std::any_of(plan.kept.begin(), plan.kept.end(), [&](const TrackPlan::Kept& p) { return p.index == k; });
        if (isKept) continue;
        chosen.push_back(doc.tatra[k]);
        chosen.back().selectMark.clear();
    }
    doc.tatra = std::move(chosen);
    for (const TrackPlan::Kept& k : plan.kept) {
        const std::string number = std::to_string(facts[k.index].number);
        if (k.name) StageName(doc, number, *k.name);
        if (k.language && !StageLanguage(doc, number, *k.language)) {
            result.failures.push_back(host.Tr("неизвестный код языка") + ": " + *k.language);
            return result;
        }
        if (k.makeForced) StageForced(doc, number, true);
        if (k.makeDefault) StageDefault(doc, number, true);
    }
    // Subtitles in ASS are drawn with the fonts the file carries.
    if (!options.attachments && assKept) {
        lista2attach(doc);
        for (TAttach& a : doc.attachList)
            if (!IsFontMime(a.fileMimeType)) a.keep.clear();
        options.attachments = true;
    }

    SaveRequest request;
    request.outputPath = output;
    request.overwriteConfirmed = overwrite;
    request.job.emplace<RemuxJob>().options = options;
    result.outcome = SaveCommand(doc, host, request);
    if (result.outcome == SaveOutcome::Written || result.outcome == SaveOutcome::WrittenWithWarnings ||
        result.outcome == SaveOutcome::Stopped)
        result.writtenBytes = std::filesystem::file_size(output, error);
    if (result.outcome == SaveOutcome::NothingWritten || result.outcome == SaveOutcome::Failed)
        result.failures.push_back(host.Tr("файл не записан"));
    return result;
}

}  // namespace quillon
