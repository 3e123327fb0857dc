#include "export/matroska_xml.h"

#include <cstdio>

#include "core/dictionary.h"
#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "core/source_file.h"

namespace quillon {
namespace {

// Where the XML names differ from the elements' own.
struct XmlName {
    uint32_t id;
    const char* name;
};
constexpr XmlName kXmlNames[] = {
    {kEditionFlagDefauilt, "EditionFlagDefault"}, {kChapString, "ChapterString"},
    {kChapLanguage, "ChapterLanguage"},           {kChapLanguageBCP47, "ChapLanguageIETF"},
    {kChapCountry, "ChapterCountry"},             {kChapProcess, "ChapterProcess"},
    {kChapProcessCodecUID, "ChapterProcessCodecID"}, {kChapProcessCommand, "ChapterProcessCommand"},
    {kChapProcessTime, "ChapterProcessTime"},     {kChapProcessData, "ChapterProcessData"},
    {kTagretTypeValue, "TargetTypeValue"},        {kTagretType, "TargetType"},
    {kTagTrackUID, "TrackUID"},                   {kTagEditionUID, "EditionUID"},
    {kTagChapterUID, "ChapterUID"},               {kTagAttachmentUID, "AttachmentUID"},
    {kSimpleTag, "Simple"},                       {kTagName, "Name"},
    {kTagLanguageBCP47, "TagLanguageIETF"},       {kTagDefault, "DefaultLanguage"},
    {kTagString, "String"},                       {kTagBinary, "Binary"},
};

std::string NameOf(uint32_t id) {
    for (const XmlName& x : kXmlNames)
        if (x.id == id) return x.name;
    const int row = FindElementById(id);
    return row >= 0 ? DictionaryRow(row).name : "";
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}


std::string ValueText(const EbmlNode& node) {
    if (node.id == kChapterTimeStart || node.id == kChapterTimeEnd) return NanosecondsText(UIntValue(node.data, node.data.size()));
    const int row = FindElementById(node.id);
    const char type = row >= 0 ? DictionaryRow(row).valueType : 'h';
    switch (type) {
        case 'u': return std::to_string(UIntValue(node.data, node.data.size()));
        case 'i': return std::to_string(IntValue(node.data, node.data.size()));
        case 'f': return FloatValueText(FloatValue(node.data, node.data.size()));
        case 's':
        case '8': return Escaped(StrText(node.data, node.data.size()));
        default: return HexText(node.data, 0, node.data.size());
    }
}

void Write(const EbmlNode& node, int depth, std::string& out) {
    if (IsPaddingId(node.id)) return;
    const std::string name = NameOf(node.id);
    if (name.empty()) return;  // an element no one knows has no XML name
    const std::string indent(size_t(depth) * 2, ' ');
    if (!node.master) {
        const int row = FindElementById(node.id);
        const bool binary = row < 0 || DictionaryRow(row).valueType == 'h' || DictionaryRow(row).valueType == 0;
        out += indent + "<" + name + (binary ? " format=\"hex\"" : "") + ">" + ValueText(node) + "</" + name + ">\n";
        return;
    }
    bool any = false;
    for (const EbmlNode& c : node.children) any = any || (!IsPaddingId(c.id) && !NameOf(c.id).empty());
    if (!any) {
        out += indent + "<" + name + " />\n";
        return;
    }
    out += indent + "<" + name + ">\n";
    for (const EbmlNode& c : node.children) Write(c, depth + 1, out);
    out += indent + "</" + name + ">\n";
}

std::string XmlDocument(const EbmlNode& root, const char* doctype) {
    std::string out = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- <!DOCTYPE " + NameOf(root.id) + " SYSTEM \"" + doctype + "\"> -->\n";
    Write(root, 0, out);
    return out;
}

}  // namespace

std::string NanosecondsText(uint64_t ns) {
    char text[40];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu.%09llu", static_cast<unsigned long long>(ns / 3600000000000ull),
                  static_cast<unsigned long long>(ns / 60000000000ull % 60), static_cast<unsigned long long>(ns / 1000000000ull % 60),
                  static_cast<unsigned long long>(ns % 1000000000ull));
    return text;
}

std::string ChaptersXml(const EbmlNode& chapters) { return XmlDocument(chapters, "matroskachapters.dtd"); }

std::string TagsXml(const EbmlNode& tags) { return XmlDocument(tags, "matroskatags.dtd"); }

std::string ChaptersOgm(const EbmlNode& chapters) {
    std::string out;
    const EbmlNode* edition = chapters.Child(kEditionEntry);
    if (!edition) return out;
    int n = 0;
    for (const EbmlNode& atom : edition->children) {
        if (atom.id != kChapterAtom) continue;
        const EbmlNode* start = atom.Child(kChapterTimeStart);
        const uint64_t ns = start ? UIntValue(start->data, start->data.size()) : 0;
        const EbmlNode* display = atom.Child(kChapterDisplay);
        const EbmlNode* text = display ? display->Child(kChapString) : nullptr;
        char line[64];
        ++n;
        std::snprintf(line, sizeof line, "CHAPTER%02d=%02llu:%02llu:%02llu.%03llu\n", n,
                      static_cast<unsigned long long>(ns / 3600000000000ull), static_cast<unsigned long long>(ns / 60000000000ull % 60),
                      static_cast<unsigned long long>(ns / 1000000000ull % 60), static_cast<unsigned long long>(ns / 1000000ull % 1000));
        out += line;
        std::snprintf(line, sizeof line, "CHAPTER%02dNAME=", n);
        out += line + (text ? StrText(text->data, text->data.size()) : std::string()) + "\n";
    }
    return out;
}

std::optional<EbmlNode> ReadLevel1Master(const Document& doc, uint32_t id) {
    for (size_t k = 0; k < doc.lista.size(); ++k) {
        const Tbrick& row = doc.lista[k];
        if (row.depth != 1 || row.id() != id || row.damage) continue;
        if (row.totalSize > (uint64_t(64) << 20)) return std::nullopt;
        SourceFile source;
        std::vector<uint8_t> bytes;
        if (!source.Open(doc.sourcePath) || !source.Holds(row.position, row.totalSize) ||
            !source.ReadAt(row.position, size_t(row.totalSize), bytes))
            return std::nullopt;
        ParsedMaster parsed = ParseMasterElement(bytes);
        return parsed.node;
    }
    return std::nullopt;
}

}  // namespace quillon
