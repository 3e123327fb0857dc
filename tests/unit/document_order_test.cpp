#include <gtest/gtest.h>

#include "core/dictionary.h"
#include "reader/document_order.h"
#include "reader/element_queries.h"
#include "support/scan_helpers.h"

namespace quillon::test {
namespace {

// Appends a row named `name` under `parent` at `position`.
int Add(tabrick& list, const char* name, int parent, uint64_t position) {
    Tbrick& row = list.push_back();
    row.element = static_cast<int16_t>(FindDictionaryRowByName(name));
    row.parent = parent;
    row.position = position;
    if (parent >= 0 && list[parent].firstChild == -1) list[parent].firstChild = static_cast<int32_t>(list.size() - 1);
    return static_cast<int>(list.size() - 1);
}

TEST(DocumentOrder, BreadthFirstListBecomesPreOrderWithDepths) {
    // The order a breadth-first walk appends rows in.
    tabrick list;
    const int ebml = Add(list, "EBML", -1, 0);
    const int segment = Add(list, "Segment", -1, 40);
    Add(list, "DocType", ebml, 5);
    const int info = Add(list, "Info", segment, 52);
    const int tracks = Add(list, "Tracks", segment, 80);
    Add(list, "TimecodeScale", info, 57);
    const int entry = Add(list, "TrackEntry", tracks, 85);
    Add(list, "TrackNumber", entry, 87);
    Add(list, "CodecID", entry, 90);

    listasort(list);
    EXPECT_EQ(Outline(list), (std::vector<std::string>{"EBML", ".DocType", "Segment", ".Info", "..TimecodeScale",
                                                       ".Tracks", "..TrackEntry", "...TrackNumber", "...CodecID"}));
    const std::vector<int> parents = {-1, 0, -1, 2, 3, 2, 5, 6, 6};
    const std::vector<int> firstChildren = {1, -1, 3, 4, -1, 6, 7, -1, -1};
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].parent, parents[i]) << i;
        EXPECT_EQ(list[i].firstChild, firstChildren[i]) << i;
    }
    // Positions follow the file: the sort kept each row's own data.
    EXPECT_EQ(list[4].position, 57u);
    EXPECT_EQ(list[8].position, 90u);

    // Sorting again changes nothing.
    listasort(list);
    EXPECT_EQ(Outline(list)[8], "...CodecID");
}

TEST(ElementQueries, ChildrenByNameStayInsideTheirParent) {
    tabrick list;
    Add(list, "EBML", -1, 0);
    const int segment = Add(list, "Segment", -1, 40);
    const int tracks = Add(list, "Tracks", segment, 50);
    const int first = Add(list, "TrackEntry", tracks, 55);
    Add(list, "TrackNumber", first, 57);
    const int second = Add(list, "TrackEntry", tracks, 60);
    const int number = Add(list, "TrackNumber", second, 62);
    const int language = Add(list, "Language", second, 65);
    list[number].number = 2;
    list[number].hasValue = true;
    list[language].bytes = "ger";
    list[language].hasValue = true;
    listasort(list);

    EXPECT_EQ(FindChildElement(list, kLanguage, first), -1);  // not taken from the next entry
    EXPECT_EQ(FindChildValue(list, kLanguage, second), "ger");
    EXPECT_EQ(FindChildValue(list, kTrackNumber, second), "2");
    EXPECT_EQ(FindFirstById(list, kTrackEntry), first);
    EXPECT_EQ(FindNextById(list, kTrackEntry, first), second);
    EXPECT_EQ(FindNextById(list, kTrackEntry, second), -1);
    EXPECT_EQ(FindFirstById(list, kCues), -1);
}

}  // namespace
}  // namespace quillon::test
