#include "engine/page/page_text_decoder.h"
#include "engine/page/utf_convert.h"
#include "engine/run/check_engine.h"
#include "tests/local_server.h"
#include "tests/recording_window.h"
#include "tests/run_command.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <ostream>

namespace pardovane {
namespace {

using test::LocalServer;
using test::RecordingWindow;
using test::TempDir;

// <a href="壊れた.html">リンク</a> and <img src="画像/日本.png?q=日本"> in each
// encoding, bytes written out so no source encoding is guessed.
struct Encoded {
    const char* name;
    std::string brokenLink;  // 壊れた.html
    std::string linkText;    // リンク
    std::string image;       // 画像/日本.png?q=日本
    std::string label;       // as a page declares it
    std::string query;       // 日本 as a browser sends it in a query
};

const Encoded kShiftJis{"ShiftJis",
                        "\x89\xf3\x82\xea\x82\xbd.html",
                        "\x83\x8a\x83\x93\x83N",
                        "\x89\xe6\x91\x9c/\x93\xfa\x96{.png?q=\x93\xfa\x96{",
                        "Shift_JIS",
                        "%93%FA%96%7B"};
const Encoded kEucJp{"EucJp",
                     "\xb2\xf5\xa4\xec\xa4\xbf.html",
                     "\xa5\xea\xa5\xf3\xa5\xaf",
                     "\xb2\xe8\xc1\xfc/\xc6\xfc\xcb\xdc.png?q=\xc6\xfc\xcb\xdc",
                     "EUC-JP",
                     "%C6%FC%CB%DC"};
const Encoded kIso2022Jp{"Iso2022Jp",          "\x1b$B2u$l$?\x1b(B.html",
                         "\x1b$B%j%s%/\x1b(B", "\x1b$B2hA|\x1b(B/\x1b$BF|K\\\x1b(B.png?q=\x1b$BF|K\\\x1b(B",
                         "ISO-2022-JP",        "%1B%24%42%46%7C%4B%5C%1B%28%42"};

const std::u16string kBrokenLink = u"\u58ca\u308c\u305f.html";
// Routes match the decoded path, hits the target as sent.
const std::string kImageRoute = "/site/\xE7\x94\xBB\xE5\x83\x8F/\xE6\x97\xA5\xE6\x9C\xAC.png";

enum class Declared { InHeader, InMeta, Nowhere };

struct PageCase {
    Encoded encoding;
    Declared declared;
};

void PrintTo(const PageCase& c, std::ostream* out)
{
    *out << c.encoding.name << static_cast<int>(c.declared);
}

std::string CaseName(const testing::TestParamInfo<PageCase>& info)
{
    static const char* const kDeclared[] = {"InHeader", "InMeta", "Undeclared"};
    return std::string(info.param.encoding.name) + kDeclared[static_cast<int>(info.param.declared)];
}

std::string PageBytes(const PageCase& c)
{
    std::string head = "<html><head>";
    if (c.declared == Declared::InMeta)
        head += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + c.encoding.label + "\">";
    return head + "</head><body><a href=\"" + c.encoding.brokenLink + "\">" + c.encoding.linkText
        + "</a> <img src=\"" + c.encoding.image + "\"></body></html>";
}

class JapanesePage : public testing::TestWithParam<PageCase> { };

// The page is decoded right, its links' paths are requested percent-encoded
// as UTF-8 and their queries in the page's encoding, as browsers do, and the
// broken one appears in the report exactly as written.
TEST_P(JapanesePage, BrokenLinkIsReportedAsWritten)
{
    const PageCase& c = GetParam();
    LocalServer server;
    const std::string contentType
        = c.declared == Declared::InHeader ? "text/html; charset=" + c.encoding.label : "text/html";
    server.Page("/site/page.html", PageBytes(c), contentType);
    server.Status(kImageRoute, 200);
    server.Start();
    TempDir dir;
    const std::u16string page = server.Url16("/site/page.html");
    dir.Write("HtmlURL.txt", Utf16ToUtf8(page) + "\r\n");
    HttpClient http;
    RecordingWindow window(http);
    CheckEngine engine(window, http, dir.path() / "HtmlURL.txt");

    engine.RunCheck();

    EXPECT_EQ(engine.state().report, page + u"\r\n  " + kBrokenLink + u"  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(server.Hits("/site/%E5%A3%8A%E3%82%8C%E3%81%9F.html"), 1);
    EXPECT_EQ(server.Hits("/site/%E7%94%BB%E5%83%8F/%E6%97%A5%E6%9C%AC.png?q=" + c.encoding.query), 1);
    EXPECT_EQ(engine.state().checkedCount, 2);
    EXPECT_EQ(engine.state().errorCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    , JapanesePage,
    testing::Values(PageCase{kShiftJis, Declared::InHeader}, PageCase{kShiftJis, Declared::InMeta},
                    PageCase{kShiftJis, Declared::Nowhere}, PageCase{kEucJp, Declared::InHeader},
                    PageCase{kEucJp, Declared::InMeta}, PageCase{kEucJp, Declared::Nowhere},
                    PageCase{kIso2022Jp, Declared::InHeader}, PageCase{kIso2022Jp, Declared::InMeta},
                    PageCase{kIso2022Jp, Declared::Nowhere}),
    CaseName);

// What an undeclared page is taken for.
TEST(UndeclaredCharset, SevenBitTextWithJisEscapesIsIso2022Jp)
{
    EXPECT_EQ(DetectPageCharset("<p>" + kIso2022Jp.linkText + "</p>", ""), "ISO-2022-JP-3");
    EXPECT_EQ(DetectPageCharset("<p>plain ascii</p>", ""), "UTF-8");
    // An escape in a page that also has eight-bit bytes is not ISO-2022-JP.
    EXPECT_EQ(DetectPageCharset("\x1b$B<p>" + kShiftJis.linkText, ""), "CP932");
}

TEST(UndeclaredCharset, ValidEucJpIsEucJpAndEverythingElseWindows31j)
{
    EXPECT_EQ(DetectPageCharset(kEucJp.brokenLink + kEucJp.linkText, ""), "EUC-JP-MS");
    EXPECT_EQ(DetectPageCharset("\x8e\xb1\x8f\xb0\xa1", ""), "EUC-JP-MS");  // half-width kana, JIS X 0212
    EXPECT_EQ(DetectPageCharset(kShiftJis.brokenLink + kShiftJis.linkText, ""), "CP932");
    EXPECT_EQ(DetectPageCharset(kEucJp.linkText + "\xa5", ""), "CP932");  // cut in a character
}

// Through the command-line check: the report on stdout is UTF-8, byte for byte.
TEST(JapanesePageReport, CommandLineWritesTheLinkInUtf8)
{
    LocalServer server;
    server.Page("/p.html", PageBytes({kEucJp, Declared::Nowhere}), "text/html");
    server.Status(kImageRoute.substr(5), 200);
    server.Start();
    TempDir dir;
    const auto list = dir.Write("list.txt", server.Url("/p.html") + "\n");
    const auto result
        = test::RunCommand(test::ShellQuote(PARDOVANE_CHECK_BINARY) + " " + test::ShellQuote(list.string()));
    EXPECT_EQ(result.out,
              server.Url("/p.html")
                  + "\r\n  \xE5\xA3\x8A\xE3\x82\x8C\xE3\x81\x9F.html  <Error>\r\n  <Err>\r\n\r\n");
    EXPECT_EQ(result.exitCode, 1);
}

}  // namespace
}  // namespace pardovane
