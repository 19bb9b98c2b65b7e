#include "engine/char_refs.h"
#include "engine/link_scanner.h"
#include "tests/python_runner.h"
#include "engine/utf_convert.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace pardovane {
namespace {

constexpr const char* kPageBreak = "\n=====PAGE=====\n";

// Pages of well-formed but awkward markup: tags of interest and lookalikes
// in any case, attributes in every quoting with blanks around "=", repeats,
// references, and links hidden in comments, scripts and styles.
class PageGenerator {
public:
    std::string Page()
    {
        std::string page;
        for (int i = Pick(12); i >= 0; --i) {
            switch (Pick(6)) {
            case 0: page += "<!-- " + Tag() + " -->"; break;
            case 1: page += "<script>var s = '" + Tag() + "';</script>"; break;
            case 2: page += "<STYLE>p { }" + Tag() + "</style >"; break;
            case 3: page += Any({" text ", "\n", "a < b", "</a>", "<br/>"}); break;
            default: page += Tag(); break;
            }
        }
        return page;
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    std::string Any(std::initializer_list<const char*> choices)
    {
        return *(choices.begin() + Pick(static_cast<int>(choices.size())));
    }
    std::string Blank() { return Any({" ", "\n", "\t", "\r\n", "  "}); }
    std::string Value()
    {
        const std::string text = Any({"x.html", "a&amp;b", "&#38;q=1", "&lt;", "../up/", "", "p q"});
        switch (Pick(3)) {
        case 0: return "\"" + text + "'>\"";
        case 1: return "'" + text + "\"'";
        default: return text.empty() || text.find(' ') != std::string::npos ? "bare" : text;
        }
    }
    std::string Attribute()
    {
        std::string name = Any({"href", "HREF", "src", "Src", "data-href", "srcset", "title", "alt"});
        if (Pick(4) == 0)
            return name;
        return name + (Pick(2) ? "=" : Blank() + "=" + Blank()) + Value();
    }
    std::string Tag()
    {
        std::string tag = "<" + Any({"a", "A", "img", "IMG", "base", "abbr", "image", "p"});
        for (int i = Pick(4); i >= 0; --i)
            tag += Blank() + Attribute();
        return tag + Any({">", " >", "/>", " />"});
    }

    std::mt19937 random_{20261209};
};

constexpr const char* kPythonLinks = R"(
import html.parser, sys
class Links(html.parser.HTMLParser):
    def handle_starttag(self, tag, attrs):
        wanted = {'a': 'href', 'img': 'src', 'base': 'href'}.get(tag)
        values = [value or '' for name, value in attrs if name == wanted]
        if values:
            print(tag + ": " + code_points(values[0]))
for page in open(sys.argv[1], encoding='utf-8').read().split('\n=====PAGE=====\n'):
    parser = Links()
    parser.feed(page)
    parser.close()
    print('--')
)";

TEST(LinkScannerAgainstPython, FindsWhatHtmlParserFinds)
{
    PageGenerator generator;
    std::string document;
    std::string expected;
    for (int i = 0; i < 400; ++i) {
        const std::string page = generator.Page();
        document += (i > 0 ? kPageBreak : "") + page;
        const std::u16string text = Utf8ToUtf16(page);
        LinkScanner scanner;
        scanner.Scan(text, [&](LinkScanner::Element element, std::size_t offset, std::size_t length) {
            expected += element == LinkScanner::Element::Anchor ? "a: "
                : element == LinkScanner::Element::Image        ? "img: "
                                                                : "base: ";
            expected += test::CodePoints(DecodeCharRefs(text.substr(offset, length))) + "\n";
            return true;
        });
        expected += "--\n";
    }
    const auto python = test::RunPython(std::string(test::kPythonCodePoints) + kPythonLinks, document);
    ASSERT_EQ(python.exitCode, 0) << python.err;
    EXPECT_EQ(python.out, expected);
}

}  // namespace
}  // namespace pardovane
