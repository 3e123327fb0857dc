#include <gtest/gtest.h>

#include <numeric>

#include "core/messages.h"
#include "core/source_file.h"
#include "core/status_log.h"
#include "support/ebml_builder.h"

namespace quillon::test {
namespace {

TEST(Messages, LookupByExactRussianText) {
    struct Case {
        const char* rus;
        const char* eng;
    } cases[] = {
        {"• ошибка в структуре файла", "• file structure error"},
        {"файл занят другим приложением", "source file open error"},
        {"r e a d y", "r e a d y"},                          // no row: unchanged
        {"• ошибка в структуре файла ", "• ошибка в структуре файла "},  // spaces count
        {"Gb.\r\nДумать буду долго.", "Gb.\r\nI will think for a long time."},
        {"Ошибка. Cluster в lista правее своих блоков.", "BUG. Cluster in \"lista\" righter than its child blocks."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Tr(c.rus, Lang::Eng), c.eng);
        EXPECT_EQ(Tr(c.rus, Lang::Rus), c.rus);
    }
    EXPECT_EQ(LangFromCode("rus"), Lang::Rus);
    EXPECT_EQ(LangFromCode("eng"), Lang::Eng);
    EXPECT_EQ(LangFromCode("deu"), Lang::Eng);  // anything but "rus" is English
}

TEST(Messages, TheLanguageOfAFirstStartFollowsTheLocale) {
    const struct {
        const char *all, *messages, *lang;
        Lang expected;
    } cases[] = {
        {nullptr, nullptr, "ru_RU.UTF-8", Lang::Rus},  {nullptr, nullptr, "de_DE.UTF-8", Lang::Eng},
        {"", "ru_UA.UTF-8", "en_GB.UTF-8", Lang::Rus}, {"C.UTF-8", "ru_RU.UTF-8", "ru_RU.UTF-8", Lang::Eng},
        {"ru", nullptr, nullptr, Lang::Rus},           {nullptr, nullptr, nullptr, Lang::Eng},
        {"", "", "", Lang::Eng},                       {nullptr, nullptr, "POSIX", Lang::Eng},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LangFromLocale(c.all, c.messages, c.lang), c.expected)
            << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " " << (c.lang ? c.lang : "-");
}

TEST(Messages, TablesHoldTheirRowsInOrder) {
    ASSERT_GE(MessageTable().size(), 69u);
    EXPECT_STREQ(MessageTable()[0].rus, "сюда надо положить имя файла");
    EXPECT_STREQ(MessageTable()[68].eng, "enclose attachment");
    ASSERT_EQ(CaptionTable().size(), 59u);
    EXPECT_STREQ(CaptionTable()[0].component, "TabSheetCH");
    const TCompLangRec* row = FindCaption("MIdef", "TMenuItem");
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->rus, "снять флаг DefaultTrack");
    EXPECT_EQ(FindCaption("MIdef", "TLabel"), nullptr);
    // "язык:" is the caption of two labels with different English texts.
    EXPECT_STREQ(FindCaption("LabelTLA", "TLabel")->eng, "language:");
    EXPECT_STREQ(FindCaption("LabelLLA", "TLabel")->eng, "lang:");
}

TEST(StatusLog, EmptiedBeforeThe501stLine) {
    StatusLog log;
    for (int i = 0; i < 500; ++i) EXPECT_FALSE(log.Add("line"));
    EXPECT_EQ(log.Lines().size(), 500u);
    EXPECT_TRUE(log.Add("last"));
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"last"});
}

ByteVec Counting(size_t size) {
    ByteVec bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

TEST(SourceFile, ReadsThroughTheCacheAndStraightFromTheFile) {
    const size_t size = SourceFile::kCacheSize * 2 + 12345;
    const ByteVec bytes = Counting(size);
    TempFile file(bytes);
    SourceFile source;
    ASSERT_TRUE(source.Open(file.path()));
    EXPECT_EQ(source.Size(), size);
    std::vector<uint8_t> out;

    struct Case {
        uint64_t position;
        size_t count;
    } cases[] = {
        {0, 12},
        {100, 24},
        {SourceFile::kCacheSize - 5, 12},        // across the cache's end
        {10, SourceFile::kCacheSize + 100},      // larger than the cache
        {SourceFile::kCacheSize * 2, 12345},     // the file's tail
        {7, 3},                                  // back to the start
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(source.ReadAt(c.position, c.count, out));
        ASSERT_EQ(out.size(), c.count);
        EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + static_cast<long>(c.position)))
            << c.position << "+" << c.count;
    }
}

TEST(SourceFile, BytesPastTheEndReadAsZeroNeverStale) {
    const ByteVec bytes = Counting(5000);
    TempFile file(bytes);
    SourceFile source;
    ASSERT_TRUE(source.Open(file.path()));
    std::vector<uint8_t> out;
    ASSERT_TRUE(source.ReadAt(4990, 8, out));  // fills the cache at the tail
    ASSERT_TRUE(source.ReadAt(4996, 12, out));  // runs past the end
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 4, bytes.begin() + 4996));
    EXPECT_EQ(std::accumulate(out.begin() + 4, out.end(), 0), 0);
    ASSERT_TRUE(source.ReadAt(9000, 12, out));  // wholly past the end
    EXPECT_EQ(out, std::vector<uint8_t>(12, 0));
    ASSERT_TRUE(source.ReadAt(4000, SourceFile::kCacheSize + 1, out));  // big read past the end
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 1000, bytes.begin() + 4000));
    EXPECT_EQ(out[1000], 0);
    EXPECT_EQ(out.back(), 0);

    source.Close();
    EXPECT_FALSE(source.ReadAt(0, 4, out));
    EXPECT_FALSE(source.Open("/nonexistent/quillon"));
}

}  // namespace
}  // namespace quillon::test
