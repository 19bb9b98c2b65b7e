#include "engine/report/xml_writer.h"
#include "tests/python_runner.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace pardovane {
namespace {

using test::CodePoints;
using test::RunPython;

constexpr const char* kReplacement = "\xef\xbf\xbd";

struct EscapeCase {
    const char* name;
    std::u16string text;
    std::string inText;
    std::string inAttribute;
};

void PrintTo(const EscapeCase& c, std::ostream* os)
{
    *os << c.name;
}

class XmlEscaping : public testing::TestWithParam<EscapeCase> { };

TEST_P(XmlEscaping, TextAndAttributeValues)
{
    EXPECT_EQ(XmlEscapedText(GetParam().text), GetParam().inText);
    EXPECT_EQ(XmlEscapedAttribute(GetParam().text), GetParam().inAttribute);
}

const std::string R(kReplacement);

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlEscaping,
    testing::Values(
        EscapeCase{"Markup", u"<a href=\"x\">&amp;</a>", "&lt;a href=\"x\"&gt;&amp;amp;&lt;/a&gt;",
                   "&lt;a href=&quot;x&quot;&gt;&amp;amp;&lt;/a&gt;"},
        EscapeCase{"CdataEnd", u"]]>", "]]&gt;", "]]&gt;"}, EscapeCase{"Apostrophe", u"it's", "it's", "it's"},
        EscapeCase{"LineEndsAndTab", u"a\r\nb\tc", "a&#13;\nb\tc", "a&#13;&#10;b&#9;c"},
        EscapeCase{"Nul", std::u16string(u"a\0b", 3), "a" + R + "b", "a" + R + "b"},
        EscapeCase{"OtherC0", u"\x01\x0b\x0c\x1f", R + R + R + R, R + R + R + R},
        EscapeCase{"DelAndC1", u"\x7f\x85", "&#127;&#133;", "&#127;&#133;"},
        EscapeCase{"NonCharacters", u"\ufffe\uffff", R + R, R + R},
        EscapeCase{"LoneSurrogates", std::u16string{0xD800, u'x', 0xDC00}, R + "x" + R, R + "x" + R},
        EscapeCase{"SurrogatePair", u"\U0001F600", "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
        EscapeCase{"Japanese", u"\u65e5\u672c\u3000", "\xe6\x97\xa5\xe6\x9c\xac\xe3\x80\x80",
                   "\xe6\x97\xa5\xe6\x9c\xac\xe3\x80\x80"}),
    [](const testing::TestParamInfo<EscapeCase>& info) { return std::string(info.param.name); });

TEST(XmlWriter, IndentsElementsButNotText)
{
    XmlWriter xml;
    xml.Open("root");
    xml.Attribute("n", std::int64_t{3});
    xml.Open("empty");
    xml.Attribute("a", "1 < 2");
    xml.Close();
    xml.Open("text");
    xml.Text(u"line one\nline two");
    xml.Close();
    xml.Open("outer");
    xml.Open("inner");
    xml.Close();
    xml.Close();
    xml.Close();

    EXPECT_EQ(xml.text(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<root n=\"3\">\n"
              "  <empty a=\"1 &lt; 2\"/>\n"
              "  <text>line one\nline two</text>\n"
              "  <outer>\n"
              "    <inner/>\n"
              "  </outer>\n"
              "</root>\n");
}

TEST(XmlWriter, InvalidUtf8BecomesReplacementCharacters)
{
    XmlWriter xml;
    xml.Open("e");
    xml.Attribute("a", std::string_view("\xff"));
    xml.Text(std::string_view("\xc3"));
    xml.Close();
    EXPECT_EQ(xml.text(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<e a=\"" + R + "\">" + R + "</e>\n");
}

// Every UTF-16 code unit below U+00A0 plus the awkward rest, in an attribute
// and as text: a conforming parser must accept the document and give back
// every character, CR, LF and TAB included, with the ones XML forbids as
// U+FFFD.
TEST(XmlWriter, ConformingParserReadsBackEveryCharacter)
{
    std::u16string all;
    for (char16_t unit = 0; unit < 0xA0; ++unit)
        all += unit;
    all += u"\u65e5\u672c\u8a9e\U0001F600\ufffe\uffff]]>";
    all += std::u16string{0xD800, u'x', 0xDFFF};

    XmlWriter xml;
    xml.Open("doc");
    xml.Attribute("value", all);
    xml.Text(all);
    xml.Close();

    const auto result = RunPython(std::string(test::kPythonCodePoints)
                                      + "import sys, xml.etree.ElementTree as ET\n"
                                        "root = ET.parse(sys.argv[1]).getroot()\n"
                                        "print(code_points(root.get('value')))\n"
                                        "print(code_points(root.text))\n",
                                  xml.text());
    ASSERT_EQ(result.exitCode, 0) << result.err;

    std::u16string expected;
    for (char16_t unit = 0; unit < 0xA0; ++unit)
        expected += unit < 0x20 && unit != 0x9 && unit != 0xA && unit != 0xD ? u'\ufffd' : unit;
    expected += u"\u65e5\u672c\u8a9e\U0001F600\ufffd\ufffd]]>\ufffdx\ufffd";
    const std::string line = CodePoints(expected) + "\n";
    EXPECT_EQ(result.out, line + line);
}

}  // namespace
}  // namespace pardovane
