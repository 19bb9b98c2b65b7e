#include "engine/page/char_refs.h"
#include "engine/page/link_scanner.h"
#include "engine/page/utf_convert.h"
#include "tests/python_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace pardovane {
namespace {

constexpr const char* kPageBreak = "\n=====PAGE=====\n";

// Pages of awkward markup: tags of interest and lookalikes in any case,
// attributes in every quoting with blanks around "=", repeats, references,
// and tags where HTML reads no tags: comments short and long, scripts,
// styles, text-only elements, CDATA in and out of SVG and MathML, bogus
// comments and what follows <plaintext>.
class PageGenerator {
public:
    std::string Page()
    {
        std::string page;
        for (int i = Pick(12); i >= 0; --i) {
            switch (Pick(10)) {
            case 0:
                page += Any({"<!-- ", "<!-->", "<!--->", "<!---->", "<!-- -- "}) + Tag()
                    + Any({" -->", " --!>", "-->"});
                break;
            case 1:
                page += "<script>var s = '" + Tag() + "';</script>";
                break;
            case 2:
                page += TextOnly();
                break;
            case 3:
                page += Any({" text ", "\n", "a < b", "</a>", "<br/>", "</ x>", "</>", "<?x ", "<!x ",
                             "<!DOCTYPE html>"});
                break;
            case 4:
                page += Foreign();
                break;
            case 5:
                page += Any({"<![CDATA[", "<svg/><![CDATA["}) + Tag() + "]]>";
                break;
            default:
                page += Tag();
                break;
            }
        }
        return Pick(20) == 0 ? page + "<plaintext>" + Tag() : page;
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
        case 0:
            return "\"" + text + "'>\"";
        case 1:
            return "'" + text + "\"'";
        default:
            return text.empty() || text.find(' ') != std::string::npos ? "bare" : text;
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
    // An element whose text holds no tags, closed by its end tag or, first,
    // by a lookalike that does not close it.
    std::string TextOnly()
    {
        const std::string name = Any({"textarea", "title", "xmp", "iframe", "noembed", "noframes", "style"});
        std::string upper = name;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return c - 'a' + 'A'; });
        return "<" + Any({name.c_str(), upper.c_str()}) + ">" + Tag() + Any({"", "</", "</x>"}) + "</" + name
            + Any({"x>", ""}) + Tag() + "</" + upper + Any({">", " >", "/>"});
    }
    // SVG or MathML, where a CDATA section is text and text-only elements are
    // not, left by its end tag or by an HTML element that breaks out of it.
    std::string Foreign()
    {
        const std::string name = Any({"svg", "math", "SVG"});
        std::string inside;
        for (int i = Pick(3); i >= 0; --i)
            inside += Any({"<![CDATA[", "<textarea>", "<style>", "<g>", "<svg>", "</g>", "<math>", "</svg>"})
                + Tag() + Any({"]]>", ""});
        return "<" + name + ">" + inside + Any({"</svg>", "</math>", "<p>", "<img src=b>"}) + TextOnly();
    }

    std::mt19937 random_{20261209};
};

// The start tags an HTML5 tokenizer emits, driven by a tree builder as in a
// browser, so each element's text is read the way its context says.
constexpr const char* kPythonLinks = R"(
import sys
import html5lib
from html5lib import _tokenizer, constants

WANTED = {'a': 'href', 'img': 'src', 'base': 'href'}
START = constants.tokenTypes['StartTag']
links = []

tokens = _tokenizer.HTMLTokenizer.__iter__
def recording(tokenizer):
    for token in tokens(tokenizer):
        wanted = WANTED.get(token['name']) if token['type'] == START else None
        if wanted in (token['data'] if wanted else ()):
            links.append(token['name'] + ': ' + code_points(token['data'][wanted]))
        yield token
_tokenizer.HTMLTokenizer.__iter__ = recording

for page in open(sys.argv[1], encoding='utf-8').read().split('\n=====PAGE=====\n'):
    links.clear()
    html5lib.HTMLParser().parse(page)
    for link in links:
        print(link)
    print('--')
)";

// What the scanner finds in each page must be what html5lib finds. Pages
// go in as HTML's input stream hands them on: line ends as LF, NUL as U+FFFD.
void ExpectSameLinksAsHtml5lib(const std::vector<std::u16string>& pages)
{
    std::string document;
    std::string expected;
    for (std::u16string text : pages) {
        std::u16string normal;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                continue;
            normal += text[i] == u'\r' ? u'\n' : text[i] == u'\0' ? u'\uFFFD' : text[i];
        }
        document += (document.empty() ? "" : kPageBreak) + Utf16ToUtf8(normal);
        LinkScanner scanner;
        scanner.Scan(normal, [&](LinkScanner::Element element, std::size_t offset, std::size_t length) {
            expected += element == LinkScanner::Element::Anchor ? "a: "
                : element == LinkScanner::Element::Image        ? "img: "
                                                                : "base: ";
            expected += test::CodePoints(DecodeCharRefs(normal.substr(offset, length))) + "\n";
            return true;
        });
        expected += "--\n";
    }
    const auto python = test::RunPython(std::string(test::kPythonCodePoints) + kPythonLinks, document);
    ASSERT_EQ(python.exitCode, 0) << python.err;
    EXPECT_EQ(python.out, expected);
}

TEST(LinkScannerAgainstHtml5lib, GeneratedPages)
{
    PageGenerator generator;
    std::vector<std::u16string> pages;
    pages.reserve(600);
    for (int i = 0; i < 600; ++i)
        pages.push_back(Utf8ToUtf16(generator.Page()));
    ExpectSameLinksAsHtml5lib(pages);
}

// Pages nobody here wrote: the HTML documentation Debian's packages install
// (lintian's and ninja's among those setup.sh brings), about 40 of them.
TEST(LinkScannerAgainstHtml5lib, InstalledDocumentation)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it("/usr/share/doc", error), end; !error && it != end;
         it.increment(error)) {
        const std::string extension = it->path().extension().string();
        if ((extension == ".html" || extension == ".htm") && it->is_regular_file(error)
            && it->file_size(error) < std::uintmax_t{256} * 1024)
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no HTML under /usr/share/doc";
    std::vector<std::u16string> pages;
    for (std::size_t i = 0; i < files.size(); i += (files.size() + 39) / 40) {
        std::ifstream in(files[i], std::ios::binary);
        pages.push_back(Utf8ToUtf16(std::string(std::istreambuf_iterator<char>(in), {})));
    }
    ExpectSameLinksAsHtml5lib(pages);
}

}  // namespace
}  // namespace pardovane
