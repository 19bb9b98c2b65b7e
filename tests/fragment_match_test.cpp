#include "engine/page/fragment_match.h"

#include <gtest/gtest.h>

#include <string>

namespace pardovane {
namespace {

TEST(IdSet, HoldsEachIdOnceAndNoMore)
{
    IdSet ids;
    for (std::u16string_view id : {u"b", u"a", u"b", u"", u"ab", u"A"})
        ids.Add(id);
    EXPECT_TRUE(ids.Contains(u"ab")) << "before Seal too";
    ids.Seal();
    EXPECT_EQ(ids.size(), 4u);
    for (std::u16string_view id : {u"a", u"b", u"ab", u"A"})
        EXPECT_TRUE(ids.Contains(id));
    for (std::u16string_view id : {u"", u"ba", u"B", u"abc", u"c"})
        EXPECT_FALSE(ids.Contains(id));
}

TEST(IdSet, KeepsManyIdsInLittleMoreThanTheirText)
{
    IdSet ids;
    for (int i = 0; i < 200000; ++i) {
        const std::string number = std::to_string(i);
        ids.Add(u"section-" + std::u16string(number.begin(), number.end()));
    }
    ids.Seal();
    // About 14 units an id: 28 bytes of text and 8 of table.
    EXPECT_LT(ids.bytes(), 200000u * 40);
    EXPECT_TRUE(ids.Contains(u"section-199999"));
}

struct Fragment {
    std::u16string_view fragment;
    bool found;
};

constexpr Fragment kFragments[] = {
    {u"", true},      {u"caf%C3%A9", true}, {u"caf\u00e9", true}, {u"CAF%C3%A9", false}, {u"a%20b", true},
    {u"x%20y", true}, {u"x y", true},       {u"top", true},       {u"TOP", true},        {u"%74op", true},
    {u"top2", false}, {u"%C3", true},       {u"%zz", false},      {u"%", false},         {u"missing", false},
    {u"a%2Fb", true}, {u"a%2fb", true},
};

TEST(FragmentFound, FindsThePlaceABrowserScrollsTo)
{
    IdSet ids;
    for (std::u16string_view id : {u"caf\u00e9", u"a%20b", u"x y", u"\uFFFD", u"%zz_", u"a/b"})
        ids.Add(id);
    ids.Seal();
    for (const Fragment& test : kFragments)
        EXPECT_EQ(FragmentFound(ids, test.fragment), test.found)
            << std::string(test.fragment.begin(), test.fragment.end());
}

}  // namespace
}  // namespace pardovane
