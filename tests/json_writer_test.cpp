#include "engine/report/json_writer.h"
#include "tests/python_runner.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace pardovane {
namespace {

using test::CodePoints;
using test::RunPython;

struct QuotingCase {
    const char* name;
    std::u16string text;
    std::string json;
};

void PrintTo(const QuotingCase& c, std::ostream* os)
{
    *os << c.name;
}

class JsonQuoting : public testing::TestWithParam<QuotingCase> { };

TEST_P(JsonQuoting, EscapesWhatJsonRequires)
{
    EXPECT_EQ(JsonQuoted(GetParam().text), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonQuoting,
    testing::Values(
        QuotingCase{"Empty", u"", "\"\""}, QuotingCase{"Quotes", u"say \"hi\"", "\"say \\\"hi\\\"\""},
        QuotingCase{"Backslashes", u"C:\\dir\\", "\"C:\\\\dir\\\\\""},
        QuotingCase{"Slash", u"a/b", "\"a/b\""},
        QuotingCase{"LineEnds", u"a\r\nb\rc\nd", "\"a\\r\\nb\\rc\\nd\""},
        QuotingCase{"TabBackspaceFormFeed", u"\t\b\f", "\"\\t\\b\\f\""},
        QuotingCase{"Nul", std::u16string(u"a\0b", 3), "\"a\\u0000b\""},
        QuotingCase{"OtherC0", u"\x01\x1b\x1f", "\"\\u0001\\u001b\\u001f\""},
        QuotingCase{"DelAndC1", u"\x7f\x85\x9f", "\"\\u007f\\u0085\\u009f\""},
        QuotingCase{"LineSeparators", u"\u2028\u2029", "\"\\u2028\\u2029\""},
        QuotingCase{"Japanese", u"\u65e5\u672c\u3000\u30da\u30fc\u30b8",
                    "\"\xe6\x97\xa5\xe6\x9c\xac\xe3\x80\x80\xe3\x83\x9a\xe3\x83\xbc\xe3\x82\xb8\""},
        QuotingCase{"SurrogatePair", u"\U0001F600", "\"\xf0\x9f\x98\x80\""},
        QuotingCase{"LoneHighSurrogate", std::u16string{0xD800, u'x'}, "\"\xef\xbf\xbdx\""},
        QuotingCase{"LoneLowSurrogate", std::u16string{u'x', 0xDC00}, "\"x\xef\xbf\xbd\""},
        QuotingCase{"ReversedPair", std::u16string{0xDC00, 0xD800}, "\"\xef\xbf\xbd\xef\xbf\xbd\""},
        QuotingCase{"HighSurrogateAtEnd", std::u16string{u'a', 0xDBFF}, "\"a\xef\xbf\xbd\""}),
    [](const testing::TestParamInfo<QuotingCase>& info) { return std::string(info.param.name); });

TEST(JsonWriter, PlacesCommasAndIndentsNestedContainers)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("n");
    json.Number(-42);
    json.Key("list");
    json.BeginArray();
    json.Bool(true);
    json.Null();
    json.BeginObject();
    json.EndObject();
    json.BeginArray();
    json.EndArray();
    json.String("x");
    json.EndArray();
    json.Key("s");
    json.String(u"y");
    json.EndObject();

    EXPECT_EQ(json.text(),
              "{\n"
              "  \"n\": -42,\n"
              "  \"list\": [\n"
              "    true,\n"
              "    null,\n"
              "    {},\n"
              "    [],\n"
              "    \"x\"\n"
              "  ],\n"
              "  \"s\": \"y\"\n"
              "}");
}

TEST(JsonWriter, InvalidUtf8BecomesReplacementCharacters)
{
    JsonWriter json;
    json.String(std::string_view("a\xff\xed\xa0\x80z"));
    EXPECT_EQ(json.text(), "\"a\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbdz\"");
}

TEST(JsonWriter, KeysAreEscapedToo)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("a\"b\n");
    json.Number(1);
    json.EndObject();
    EXPECT_EQ(json.text(), "{\n  \"a\\\"b\\n\": 1\n}");
}

// Every UTF-16 code unit below U+00A0, the two line separators, Japanese, a
// pair and lone surrogates, each as its own string: a strict parser must read
// the document and give back each character, lone surrogates as U+FFFD.
TEST(JsonWriter, StrictParserReadsBackEveryCharacter)
{
    std::vector<std::u16string> texts;
    for (char16_t unit = 0; unit < 0xA0; ++unit)
        texts.push_back(std::u16string(1, unit));
    for (const std::u16string& text : {std::u16string(u"\u2028\u2029"), std::u16string(u"\u65e5\u672c\u8a9e"),
                                       std::u16string(u"\U0001F600"), std::u16string{0xD800},
                                       std::u16string{0xDFFF, u'"'}, std::u16string(u"\\\"\r\n")})
        texts.push_back(text);

    JsonWriter json;
    json.BeginArray();
    for (const auto& text : texts)
        json.String(text);
    json.EndArray();

    const auto result = RunPython(std::string(test::kPythonCodePoints)
                                      + "import json, sys\n"
                                        "with open(sys.argv[1], encoding='utf-8') as f:\n"
                                        "    for text in json.load(f):\n"
                                        "        print(code_points(text))\n",
                                  json.text());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string expected;
    for (const auto& text : texts)
        expected += CodePoints(text) + "\n";
    EXPECT_EQ(result.out, expected);
}

}  // namespace
}  // namespace pardovane
