#include "engine/page/heading_slugs.h"
#include "engine/page/markdown_places.h"
#include "engine/page/percent_encoding.h"
#include "engine/page/utf_convert.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <fstream>
#include <string>
#include <vector>

namespace pardovane {
namespace {

std::vector<std::string> DataLines(const std::string& name)
{
    std::ifstream in(std::string(PARDOVANE_SLUGGER_DATA) + "/" + name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.starts_with('#'))
            lines.push_back(line);
    return lines;
}

TEST(HeadingSlugs, GiveGithubSluggersFixtures)
{
    HeadingSlugs slugs;
    const std::vector<std::string> rows = DataLines("fixtures.tsv");
    ASSERT_EQ(rows.size(), 44u);
    for (const std::string& row : rows) {
        const std::size_t input = row.find('\t') + 1;
        const std::size_t expected = row.find('\t', input) + 1;
        EXPECT_EQ(Utf16ToUtf8(slugs.Next(Utf8ToUtf16(row.substr(input, expected - 1 - input)))),
                  row.substr(expected))
            << row.substr(0, input - 1);
    }
}

// Every code point github-slugger's generated table removes is removed, and
// no other, but for those Unicode assigned after its version 13.
TEST(HeadingSlugs, RemoveWhatGithubSluggerRemoves)
{
    std::vector<bool> removed(0x110000);
    for (const std::string& range : DataLines("removed.txt")) {
        const std::size_t dash = range.find('-');
        const unsigned long first = std::stoul(range.substr(0, dash), nullptr, 16);
        const unsigned long last
            = dash == std::string::npos ? first : std::stoul(range.substr(dash + 1), nullptr, 16);
        for (unsigned long c = first; c <= last; ++c)
            removed[c] = true;
    }
    int differing = 0;
    for (UChar32 c = 0; c < 0x110000; ++c) {
        UVersionInfo age;
        u_charAge(c, age);
        if ((c >= 0xD800 && c <= 0xDFFF) || age[0] > 13)
            continue;
        char16_t units[2];
        const bool pair = c > 0xFFFF;
        units[0] = pair ? static_cast<char16_t>(0xD7C0 + (c >> 10)) : static_cast<char16_t>(c);
        units[1] = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
        const bool gone
            = HeadingSlug(std::u16string_view(units, pair ? 2 : 1), HeadingSlugs::Rules::Github).empty();
        if (gone != removed[static_cast<std::size_t>(c)] && ++differing < 10)
            ADD_FAILURE() << std::hex << "U+" << c << (gone ? " removed" : " kept");
    }
    EXPECT_EQ(differing, 0);
}

TEST(HeadingSlugs, GiveGitlabsAnchorsByItsRules)
{
    HeadingSlugs slugs(HeadingSlugs::Rules::Gitlab);
    for (const auto& [heading, anchor] :
         {std::pair{u"Q&A -- the \u65e5\u672c way!", u"qa-the-\u65e5\u672c-way"},
          std::pair{u"\U0001F604 Emoji", u"-emoji"},
          std::pair{u"Q&A -- the \u65e5\u672c way!", u"qa-the-\u65e5\u672c-way-1"}})
        EXPECT_EQ(slugs.Next(heading), anchor);
}

TEST(MarkdownIds, AreTheAnchorsGithubGivesAndTheRawHtmlsIds)
{
    const MarkdownSource source(
        u"# Install `npm` [now](x.md)\n## Install npm now\n## \u65e5\u672c\u8a9e\u306e\u898b\u51fa\u3057\n"
        u"## \U0001F604 Emoji\n## Q&amp;A: what?\n## ![logo](l.png) Logo\nSetext *two*\n===\n"
        u"<a name=\"raw\"></a><h2 id=\"own\">x</h2>\n\n```\n# not a heading\n```\n");
    const IdSet ids = MarkdownIds(source);
    for (std::u16string_view id :
         {u"install-npm-now", u"install-npm-now-1", u"\u65e5\u672c\u8a9e\u306e\u898b\u51fa\u3057", u"-emoji",
          u"qa-what", u"-logo", u"setext-two", u"raw", u"own"})
        EXPECT_TRUE(ids.Contains(id)) << Utf16ToUtf8(id);
    EXPECT_EQ(ids.size(), 9u);
    EXPECT_EQ(source.lineCount(), 13u);
    struct Case {
        std::u16string_view fragment;
        bool found;
    };
    for (const Case& test :
         {Case{u"Install-NPM-now", true},
          Case{u"%E6%97%A5%E6%9C%AC%E8%AA%9E%E3%81%AE%E8%A6%8B%E5%87%BA%E3%81%97", true}, Case{u"L13", true},
          Case{u"L2-L13", true}, Case{u"L14", false}, Case{u"L0", false}, Case{u"L3-L14", false},
          Case{u"L3-", false}, Case{u"not-a-heading", false}})
        EXPECT_EQ(MarkdownFragmentFound(ids, source.lineCount(), test.fragment), test.found)
            << Utf16ToUtf8(test.fragment);
}

}  // namespace
}  // namespace pardovane
