// The attachments' core: the MIME table, the font naming table, the picture
// fitting rule, the edited list against the model, reading an attachment
// only from where the scan found it, and saving with added files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "attach/attach_list.h"
#include "attach/mime_table.h"
#include "attach/picture_fit.h"
#include "attach/ttf_names.h"
#include "core/generated/element_ids.h"
#include "reader/open_file.h"
#include "save/save_command.h"
#include "support/capture_host.h"
#include "support/ebml_builder.h"
#include "support/export_helpers.h"

namespace quillon::test {
namespace {

TEST(MimeTable, ByExtension) {
    const struct {
        const char* name;
        const char* mime;
    } cases[] = {
        {"photo.jpg", "image/jpeg"}, {"Photo.JPG", "image/jpeg"}, {"a.jpe", "image/jpeg"}, {"notes.txt", "text/plain"},
        {"face.ttf", "application/x-truetype-font"}, {"face.otf", "font/otf"}, {"faces.ttc", "font/collection"},
        {"song.mp3", "audio/mpeg"}, {"archive.7z", "mime/unknown"}, {"noextension", "mime/unknown"}, {"dot.", ""},
        {"dir.d/file", "mime/unknown"}, {"x.tar.gz", "application/x-gzip"},
    };
    for (const auto& c : cases) EXPECT_EQ(MimeTypeOf(c.name), c.mime) << c.name;
    for (const char* font : {"application/x-truetype-font", "font/ttf", "font/otf", "application/vnd.ms-opentype",
                             "application/x-font-ttf", "font/collection"})
        EXPECT_TRUE(IsFontMime(font)) << font;
    EXPECT_FALSE(IsFontMime("application/octet-stream"));
}

// A font holding only a naming table with the given records (platform,
// encoding, name ID, string bytes), behind `magic`.
ByteVec Font(const char* magic, const std::vector<std::tuple<uint16_t, uint16_t, uint16_t, ByteVec>>& records) {
    ByteVec f;
    auto u16 = [&](uint32_t v) { f.push_back(uint8_t(v >> 8)), f.push_back(uint8_t(v)); };
    auto u32 = [&](uint32_t v) { u16(v >> 16), u16(v & 0xFFFF); };
    f.insert(f.end(), magic, magic + 4);
    u16(1), u16(16), u16(0), u16(0);  // one table
    f.insert(f.end(), {'n', 'a', 'm', 'e'});
    u32(0);
    const uint32_t nameAt = 12 + 16;
    u32(nameAt);
    u32(0);  // length, unused
    u16(0), u16(uint16_t(records.size())), u16(uint16_t(6 + 12 * records.size()));
    uint16_t offset = 0;
    for (const auto& [platform, encoding, id, text] : records) {
        u16(platform), u16(encoding), u16(0), u16(id), u16(uint16_t(text.size())), u16(offset);
        offset = uint16_t(offset + text.size());
    }
    for (const auto& r : records) f.insert(f.end(), std::get<3>(r).begin(), std::get<3>(r).end());
    return f;
}
ByteVec Ascii(const std::string& s) { return ByteVec(s.begin(), s.end()); }
ByteVec Utf16(const std::u16string& s) {
    ByteVec b;
    for (char16_t c : s) b.push_back(uint8_t(c >> 8)), b.push_back(uint8_t(c));
    return b;
}

TEST(TtfNames, MacAndWindowsRecordsOpenTypeAndCollections) {
    const char kTrueType[] = {0, 1, 0, 0};
    const ByteVec mac = Font(kTrueType, {{1, 0, 0, Ascii("(c) Someone")}, {1, 0, 1, Ascii("Mac Family")}});
    EXPECT_EQ(TtfNameText(mac, "name"), "Mac Family");
    EXPECT_EQ(TtfNameText(mac, "copyright"), "(c) Someone");
    // Only a Windows Unicode record; characters past 255 kept.
    const ByteVec windows = Font(kTrueType, {{3, 1, 1, Utf16(u"Шрифт Sans")}, {0, 3, 1, Utf16(u"ignored")}});
    EXPECT_EQ(TtfNameText(windows, "name"), "Шрифт Sans");
    EXPECT_EQ(TtfNameText(windows, "copyright"), "");
    // The first matching record in table order wins; other platforms are passed over.
    const ByteVec both = Font(kTrueType, {{3, 10, 1, Utf16(u"UCS-4")}, {3, 1, 1, Utf16(u"First")}, {1, 0, 1, Ascii("Second")}});
    EXPECT_EQ(TtfNameText(both, "name"), "First");
    // OpenType with CFF outlines reads the same.
    EXPECT_EQ(TtfNameText(Font("OTTO", {{3, 1, 1, Utf16(u"Otto Face")}}), "name"), "Otto Face");
    // A collection: the first font's directory at the offset its header gives.
    ByteVec ttc = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 16};
    const ByteVec inner = Font(kTrueType, {{1, 0, 1, Ascii("In A Collection")}});
    ByteVec shifted = inner;
    // The inner font's table offsets count from the collection's start.
    shifted[12 + 8 + 3] = uint8_t(shifted[12 + 8 + 3] + 16);
    ttc.insert(ttc.end(), shifted.begin(), shifted.end());
    EXPECT_EQ(TtfNameText(ttc, "name"), "In A Collection");
    // No name table, not a font, cut short: nothing, and no read past the data.
    ByteVec noName = mac;
    noName[12] = 'x';
    EXPECT_EQ(TtfNameText(noName, "name"), "");
    EXPECT_EQ(TtfNameText(Ascii("PK\x03\x04 not a font at all"), "name"), "");
    for (size_t cut = 0; cut < mac.size(); ++cut) {
        const std::string text = TtfNameText(std::span(mac).first(cut), "name");
        EXPECT_TRUE(text.empty() || text == "Mac Family") << cut;
    }
    EXPECT_EQ(TtfNameText(std::span(mac).first(mac.size() - 3), "name"), "");
}

TEST(TtfNames, AKindAndACopyUnderAFamilyOfOurOwn) {
    const char kTrueType[] = {0, 1, 0, 0};
    EXPECT_STREQ(TtfKindText(Font(kTrueType, {})), "TrueType Font");
    EXPECT_STREQ(TtfKindText(Font("OTTO", {})), "OpenType Font");

    const ByteVec font = Font(kTrueType, {{1, 0, 0, Ascii("(c) Someone")}, {3, 1, 1, Utf16(u"DejaVu Sans")}});
    const ByteVec renamed = TtfWithFamily(font, "Preview 7");
    ASSERT_FALSE(renamed.empty());
    EXPECT_EQ(TtfNameText(renamed, "name"), "Preview 7");
    // Every byte of the font stays but the directory entry of its name table.
    ASSERT_GT(renamed.size(), font.size());
    EXPECT_TRUE(std::equal(font.begin(), font.begin() + 12 + 4, renamed.begin()));
    EXPECT_TRUE(std::equal(font.begin() + 12 + 16, font.end(), renamed.begin() + 12 + 16));
    EXPECT_EQ(renamed.size() % 4, 0u);
    // Collections and non-fonts are not renamed; nor to a name past ASCII.
    EXPECT_TRUE(TtfWithFamily(Ascii("not a font at all, not at all"), "X").empty());
    EXPECT_TRUE(TtfWithFamily(font, "Шрифт").empty());
}

TEST(PictureFit, TheFourCasesCentred) {
    const struct {
        int pw, ph, w, h;
        PictureRect r;
    } cases[] = {
        {300, 200, 100, 50, {2, 2, 296, 196}},      // small: fills the area
        {300, 200, 1000, 500, {2, 26, 296, 148}},   // both larger: the smaller ratio
        {300, 200, 100, 400, {125, 2, 49, 196}},    // only taller
        {300, 200, 600, 100, {2, 75, 296, 49}},     // only wider
        {300, 200, 0, 0, {0, 0, 0, 0}},             // nothing decoded
    };
    for (const auto& c : cases) EXPECT_EQ(setATTPICsize(c.pw, c.ph, c.w, c.h), c.r) << c.w << "x" << c.h;
}

// ------------------------------------------------------------ the list

ByteVec AttachedFile(const std::string& name, const std::string& mime, const ByteVec& data, uint64_t uid,
                     const std::string& description = "") {
    std::vector<ByteVec> children = {Str(kFileName, name), Str(kFileMimeType, mime), Binary(kFileData, data),
                                     Uint(kFileUID, uid)};
    if (!description.empty()) children.push_back(Str(kFileDescription, description));
    return MasterOf(kAttachedFile, children);
}
ByteVec FileWithAttachments() {
    return MatroskaFile({InfoMaster({Uint(kTimecodeScale, 1000000)}),
                         Master(kTracks, {TrackEntry(1, 17, "S_TEXT/UTF8")}),
                         Master(kAttachments, {AttachedFile("notes.txt", "text/plain", Ascii("hello notes"), 7, "Notes"),
                                               AttachedFile("big.bin", "application/octet-stream", ByteVec(3000, 0xAB),
                                                            0xF000000000000001ull)}),
                         Master(kCluster, {Uint(kTimeCode, 0), SimpleBlock(1, 0, 0x80, Ascii("Hi"))})});
}

struct Opened {
    TempFile file;
    Document doc;
    CaptureHost host;
    explicit Opened(const ByteVec& bytes) : file(bytes) {
        doc.sourcePath = file.path();
        CheckContainer(doc, host, true);
        FinishContainerCheck(doc, host, true);
        prepare2export(doc, host);
    }
};

// A name from the file is only a name: never a path, never a control character.
TEST(AttachList, SafeFileNamesAreLastComponentsOnly) {
    const struct {
        const char* name;
        const char* safe;
    } cases[] = {
        {"cover.jpg", "cover.jpg"},           {"../escape.txt", "escape.txt"}, {"/etc/passwd", "passwd"},
        {"a\\b\\font.ttf", "font.ttf"},      {"dir/", "attachment-3"},       {"..", "attachment-3"},
        {".", "attachment-3"},                {"", "attachment-3"},            {"tab\tand\nline", "tab_and_line"},
        {"\xD0\xBC\xD1\x8B.txt", "\xD0\xBC\xD1\x8B.txt"}, {"cut\xD0.txt", "cut\xEF\xBF\xBD.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.name, 3), c.safe) << c.name;
}

TEST(AttachList, FilledFromTheFileAndComparedWithTheModel) {
    Opened o(FileWithAttachments());
    lista2attach(o.doc);
    ASSERT_EQ(o.doc.attachList.size(), 2u);
    EXPECT_EQ(o.doc.attachList[0].fileName, "notes.txt");
    EXPECT_EQ(o.doc.attachList[0].fileDescription, "Notes");
    EXPECT_EQ(o.doc.attachList[1].fileUID, 0xF000000000000001ull);  // all 64 bits
    EXPECT_EQ(o.doc.attachList[1].fileData.length, 3000u);
    std::vector<uint8_t> data;
    ASSERT_EQ(ReadAttachment(o.doc, o.doc.attachList[0], data), AttachRead::Ok);
    EXPECT_EQ(data, Ascii("hello notes"));

    // Nothing changed: the model stays as it is.
    EXPECT_FALSE(ATTchanged(o.doc.attachList, o.doc.mkv.attachedFiles));
    std::vector<TAttach> edited = o.doc.attachList;
    edited[0].fileDescription = "Other";
    EXPECT_TRUE(ATTchanged(edited, o.doc.mkv.attachedFiles));
    edited = o.doc.attachList;
    edited[1].keep.clear();
    EXPECT_TRUE(ATTchanged(edited, o.doc.mkv.attachedFiles));
    std::vector<tAttachedFile> model = o.doc.mkv.attachedFiles;
    replaceATT(edited, model);
    ASSERT_EQ(model.size(), 1u);
    EXPECT_EQ(model[0].fileName.value, "notes.txt");
    EXPECT_TRUE(model[0].fileDescription.present);

    // Keep marks: the title cell clears them all, never sets them.
    ResetActiveATT(edited);
    EXPECT_FALSE(AttachesDA(edited));
}

TEST(AttachList, AddedFilesGetTheirTypeAndAFreshUid) {
    Opened o(FileWithAttachments());
    lista2attach(o.doc);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quillon-attach-test";
    std::filesystem::create_directories(dir);
    const std::filesystem::path photo = dir / "Photo.JPG";
    std::ofstream(photo, std::ios::binary) << "jpeg bytes";
    ASSERT_TRUE(AddAttach(o.doc, photo.string(), o.host));
    const TAttach& added = o.doc.attachList.back();
    EXPECT_EQ(added.fileName, "photo.jpg");
    EXPECT_EQ(added.fileMimeType, "image/jpeg");
    EXPECT_EQ(added.added, 'y');
    EXPECT_NE(added.fileUID, 0u);
    EXPECT_NE(added.fileUID, 7u);
    EXPECT_TRUE(ATTchanged(o.doc.attachList, o.doc.mkv.attachedFiles));
    std::vector<uint8_t> data;
    ASSERT_EQ(ReadAttachment(o.doc, added, data), AttachRead::Ok);
    EXPECT_EQ(std::string(data.begin(), data.end()), "jpeg bytes");
    EXPECT_FALSE(AddAttach(o.doc, (dir / "missing.bin").string(), o.host));
    // Fresh UIDs never repeat one of the file's.
    for (int k = 0; k < 100; ++k) EXPECT_NE(NewAttachmentUID(o.doc), 7u);
    std::filesystem::remove_all(dir);
}

TEST(AttachList, AChangedFileIsNotReadAsTheAttachment) {
    ByteVec bytes = FileWithAttachments();
    Opened o(bytes);
    lista2attach(o.doc);
    const TAttach notes = o.doc.attachList[0];
    // Another element now stands where the FileData was.
    bytes[notes.elementAt] = 0x42;
    bytes[notes.elementAt + 1] = 0x86;
    std::ofstream(o.file.path(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    std::vector<uint8_t> data;
    EXPECT_EQ(ReadAttachment(o.doc, notes, data), AttachRead::StructureError);
    EXPECT_TRUE(data.empty());
    // The file cut before the data.
    std::filesystem::resize_file(o.file.path(), notes.fileData.offset + 2);
    EXPECT_EQ(ReadAttachment(o.doc, o.doc.attachList[1], data), AttachRead::StructureError);
}

// A second file opened in the same document: nothing of the first stays
// (its attachment list read for the tab, its added tracks), and a save of the
// second writes the second's attachments.
TEST(AttachList, ASecondFileOpenedInTheSameDocumentLeavesNothingOfTheFirst) {
    Opened first(FileWithAttachments());
    lista2attach(first.doc);
    ASSERT_EQ(first.doc.attachList.size(), 2u);
    first.doc.attachmentFiles.push_back("/nonexistent/added.bin");

    const ByteVec secondBytes = MatroskaFile({InfoMaster({Uint(kTimecodeScale, 1000000)}), Master(kTracks, {TrackEntry(1, 17, "S_TEXT/UTF8")}),
                                              Master(kAttachments, {AttachedFile("cover.jpg", "image/jpeg", Ascii("JPEG bytes"), 99)}),
                                              Master(kCluster, {Uint(kTimeCode, 0), SimpleBlock(1, 0, 0x80, Ascii("Yo"))})});
    TempFile second(secondBytes);
    Document& doc = first.doc;
    doc.sourcePath = second.path();
    CheckContainer(doc, first.host, true);
    FinishContainerCheck(doc, first.host, true);
    EXPECT_TRUE(doc.attachList.empty());
    EXPECT_TRUE(doc.attachmentFiles.empty());

    SaveRequest request;
    request.job = RemuxJob{RemuxOptions{.attachments = true}};
    request.outputPath = second.path() + ".out.mkv";
    ASSERT_EQ(SaveCommand(doc, first.host, request), SaveOutcome::Written);
    Document out;
    out.sourcePath = request.outputPath;
    CaptureHost host;
    CheckContainer(out, host, true);
    prepare2export(out, host);
    lista2attach(out);
    std::remove(request.outputPath.c_str());
    ASSERT_EQ(out.attachList.size(), 1u);
    EXPECT_EQ(out.attachList[0].fileName, "cover.jpg");
    EXPECT_EQ(out.attachList[0].fileUID, 99u);
}

}  // namespace
}  // namespace quillon::test
