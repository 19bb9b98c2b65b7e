#include "engine/page/cmark_tree.h"
#include "engine/page/page_links.h"
#include "engine/page/utf_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace pardovane {
namespace {

using E = LinkElement;
constexpr std::u16string_view kPage = u"https://site.invalid/docs/README.md";

// A link as a report shows it: written, resolved, its kind and where it
// starts (line, column in code points).
struct Found {
    std::string written;
    std::string url;
    E element;
    std::uint32_t line;
    std::uint32_t column;
    bool operator==(const Found&) const = default;
};

void PrintTo(const Found& f, std::ostream* out)
{
    *out << f.written << " " << f.url << " " << static_cast<int>(f.element) << " " << f.line << ":"
         << f.column;
}

std::vector<Found> LinksOf(std::u16string_view text, PageFormat format)
{
    std::vector<Found> found;
    ForEachPageLink(
        text, kPage, {}, {},
        [&](const PageLink& link) {
        const std::u16string_view before = text.substr(0, link.start - 1);
        const std::size_t lineStart = before.rfind(u'\n') + 1;  // 0 on the first line
        std::uint32_t column = 1;
        for (std::size_t i = lineStart; i < before.size(); ++i)
            column += StartsSurrogatePair(before, i) ? 0 : 1;
        found.push_back(
            {Utf16ToUtf8(link.written.empty() ? text.substr(link.start - 1, link.length) : link.written),
             Utf16ToUtf8(link.target.url), link.element,
             static_cast<std::uint32_t>(std::count(before.begin(), before.end(), u'\n') + 1), column});
        },
        true, format);
    return found;
}

struct Form {
    const char* name;
    std::u16string_view markdown;
    std::vector<Found> links;
};

const std::string kDocs = "https://site.invalid/docs/";
const std::vector<Form> kForms = {
    {"Inline",
     u"See [a](a.md) and [b](../b.md \"t\").",
     {{"a.md", kDocs + "a.md", E::Anchor, 1, 5}, {"../b.md", "https://site.invalid/b.md", E::Anchor, 1, 19}}},
    {"Reference",
     u"[x][r] and [r]\n\n[r]: <sp ace.md>\n[unused]: u.md",
     {{"sp ace.md", kDocs + "sp%20ace.md", E::Anchor, 1, 1},
      {"sp ace.md", kDocs + "sp%20ace.md", E::Anchor, 1, 12}}},
    {"Image",
     u"![alt](img/p.png) [![in](i.png)](/top.md)",
     {{"img/p.png", kDocs + "img/p.png", E::Image, 1, 1},
      {"/top.md", "https://site.invalid/top.md", E::Anchor, 1, 19},
      {"i.png", kDocs + "i.png", E::Image, 1, 20}}},
    {"Autolinks",
     u"<https://x.example/a> www.example.com or\nhttps://e.example/p.",
     {{"https://x.example/a", "https://x.example/a", E::Anchor, 1, 1},
      {"http://www.example.com", "http://www.example.com", E::Anchor, 1, 23},
      {"https://e.example/p", "https://e.example/p", E::Anchor, 2, 1}}},
    {"RawHtml",
     u"Text <a href=\"h.md\">x</a>\n\n> <div><img src=\"i.png\"\n> srcset=\"s.png 2x\"></div>",
     {{"h.md", kDocs + "h.md", E::Anchor, 1, 15},
      {"i.png", kDocs + "i.png", E::Image, 3, 18},
      {"s.png", kDocs + "s.png", E::Srcset, 4, 11}}},
    {"CodeHoldsNone", u"`[a](c.md)`\n\n    [b](d.md)\n\n```\n<a href=\"e\">\n```", {}},
    {"FrontMatterHoldsNone",
     u"---\nx: [a](f.md)\n---\n[b](g.md)",
     {{"g.md", kDocs + "g.md", E::Anchor, 4, 1}}},
    {"FilteredTagsHoldNone", u"<iframe src=\"x.html\"></iframe>", {}},
    {"PositionsAfterStrippedSpaceAndNonAscii",
     u"caf\u00e9 [a](a.md)\n   \u65e5\u672c [b](b.md)\n\t[c](c.md)",
     {{"a.md", kDocs + "a.md", E::Anchor, 1, 6},
      {"b.md", kDocs + "b.md", E::Anchor, 2, 7},
      {"c.md", kDocs + "c.md", E::Anchor, 3, 2}}},
    {"LinkTextOverLinesAndEmail",
     u"Some\n[its `own`\ntext](m.md) <a@b.example>",
     {{"m.md", kDocs + "m.md", E::Anchor, 2, 1},
      {"mailto:a@b.example", "mailto:a@b.example", E::Anchor, 3, 13}}},
    {"QuotesListsTables",
     u"> [q](q.md)\nlazy [z](z.md)\n\n- x\n  [l](l.md)\nlazy [y](y.md)\n\n| a | b |\n|---|---|\n| [t](t.md) "
     u"| x |",
     {{"q.md", kDocs + "q.md", E::Anchor, 1, 3},
      {"z.md", kDocs + "z.md", E::Anchor, 2, 6},
      {"l.md", kDocs + "l.md", E::Anchor, 5, 3},
      {"y.md", kDocs + "y.md", E::Anchor, 6, 6},
      {"t.md", kDocs + "t.md", E::Anchor, 10, 3}}},
};

TEST(MarkdownLinks, FindsEachFormWhereItIsWritten)
{
    for (const Form& form : kForms)
        EXPECT_EQ(LinksOf(form.markdown, PageFormat::Markdown), form.links) << form.name;
}

// The links are those the HTML scanner finds in the HTML GitHub's parser
// renders from the same text, in the same order.
TEST(MarkdownLinks, AreThoseOfTheHtmlRenderedFromThem)
{
    for (const Form& form : kForms) {
        auto strip = [](std::vector<Found> links) {
            for (Found& link : links)
                link = {{}, link.url, link.element, 0, 0};
            return links;
        };
        const std::u16string html = Utf8ToUtf16(CmarkTree(Utf16ToUtf8(form.markdown)).RenderHtml());
        EXPECT_EQ(strip(LinksOf(form.markdown, PageFormat::Markdown)), strip(LinksOf(html, PageFormat::Html)))
            << form.name;
    }
}

}  // namespace
}  // namespace pardovane
