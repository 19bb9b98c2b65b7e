#include "engine/input/list_file.h"

#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <vector>

namespace pardovane {
namespace {

struct Line {
    std::u16string text;
    std::uint64_t offsetAfter;
    bool operator==(const Line&) const = default;
};

std::vector<Line> ReadAll(const std::string& bytes)
{
    test::TempDir dir;
    auto file = ListFile::Open(dir.Write("HtmlURL.txt", bytes));
    EXPECT_TRUE(file.has_value());
    std::vector<Line> lines;
    if (!file)
        return lines;
    EXPECT_EQ(file->length(), bytes.size());
    while (!file->AtEnd()) {
        std::u16string text = file->ReadLine();
        lines.push_back({std::move(text), file->offset()});
    }
    return lines;
}

TEST(ListFile, LineEndsCrLfLfAndLoneCr)
{
    EXPECT_EQ(ReadAll("a\r\nb\nc\rd"), (std::vector<Line>{{u"a", 3}, {u"b", 5}, {u"c", 7}, {u"d", 8}}));
}

TEST(ListFile, FinalLineEndYieldsNoExtraLine)
{
    EXPECT_EQ(ReadAll("a\r\n"), (std::vector<Line>{{u"a", 3}}));
}

TEST(ListFile, EmptyLinesAndTrailingSpacesAreKept)
{
    EXPECT_EQ(ReadAll("\r\n x \r\n\r\n"), (std::vector<Line>{{u"", 2}, {u" x ", 7}, {u"", 9}}));
}

TEST(ListFile, EmptyFileHasNoLines)
{
    EXPECT_TRUE(ReadAll("").empty());
}

TEST(ListFile, BomIsSkippedButCountedInOffsets)
{
    EXPECT_EQ(ReadAll("\xEF\xBB\xBFhttp://x/\n"), (std::vector<Line>{{u"http://x/", 13}}));
    // UTF-16 as Windows editors write it, in either byte order.
    EXPECT_EQ(ReadAll(std::string("\xFF\xFEh\0\xE5\x65\r\0\n\0x\0", 12)),
              (std::vector<Line>{{u"h\u65E5", 10}, {u"x", 12}}));
    EXPECT_EQ(ReadAll(std::string("\xFE\xFF\0h\x65\xE5\0\r\0x\0", 11)),
              (std::vector<Line>{{u"h\u65E5", 8}, {u"x\uFFFD", 11}}));
    // A lone surrogate stays one unit; the units after it keep their places.
    EXPECT_EQ(ReadAll(std::string("\xFE\xFF\xD8\0\0\r\0x", 8)),
              (std::vector<Line>{{std::u16string(1, u'\xD800'), 6}, {u"x", 8}}));
}

TEST(ListFile, Utf8AndWindows31jText)
{
    EXPECT_EQ(ReadAll("http://x/\xE6\x97\xA5\n"), (std::vector<Line>{{u"http://x/\u65E5", 13}}));
    // Not valid UTF-8, so the whole file is read as Windows-31J.
    EXPECT_EQ(ReadAll("http://x/\x93\xFA\r\nhttp://y/\n"),
              (std::vector<Line>{{u"http://x/\u65E5", 13}, {u"http://y/", 23}}));
}

TEST(ListFile, NulBytesStayInTheLine)
{
    EXPECT_EQ(ReadAll(std::string("a\0b\n", 4)), (std::vector<Line>{{std::u16string(u"a\0b", 3), 4}}));
}

TEST(ListFile, MissingFileAndDirectoryCannotBeOpened)
{
    test::TempDir dir;
    EXPECT_FALSE(ListFile::Open(dir.path() / "absent.txt").has_value());
    EXPECT_FALSE(ListFile::Open(dir.path()).has_value());
}

}  // namespace
}  // namespace pardovane
