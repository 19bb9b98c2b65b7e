#include "engine/page/char_refs.h"
#include "engine/page/link_resolution.h"
#include "engine/page/query_encoding.h"

#include <gtest/gtest.h>

namespace pardovane {
namespace {

struct Resolution {
    std::u16string_view reference;
    std::u16string_view target;
};

// RFC 3986 section 5.4: its normal and abnormal examples, all of them.
constexpr Resolution kRfcExamples[] = {
    {u"g:h", u"g:h"},
    {u"g", u"http://a/b/c/g"},
    {u"./g", u"http://a/b/c/g"},
    {u"g/", u"http://a/b/c/g/"},
    {u"/g", u"http://a/g"},
    {u"//g", u"http://g"},
    {u"?y", u"http://a/b/c/d;p?y"},
    {u"g?y", u"http://a/b/c/g?y"},
    {u"#s", u"http://a/b/c/d;p?q#s"},
    {u"g#s", u"http://a/b/c/g#s"},
    {u"g?y#s", u"http://a/b/c/g?y#s"},
    {u";x", u"http://a/b/c/;x"},
    {u"g;x", u"http://a/b/c/g;x"},
    {u"g;x?y#s", u"http://a/b/c/g;x?y#s"},
    {u"", u"http://a/b/c/d;p?q"},
    {u".", u"http://a/b/c/"},
    {u"./", u"http://a/b/c/"},
    {u"..", u"http://a/b/"},
    {u"../", u"http://a/b/"},
    {u"../g", u"http://a/b/g"},
    {u"../..", u"http://a/"},
    {u"../../", u"http://a/"},
    {u"../../g", u"http://a/g"},
    {u"../../../g", u"http://a/g"},
    {u"../../../../g", u"http://a/g"},
    {u"/./g", u"http://a/g"},
    {u"/../g", u"http://a/g"},
    {u"g.", u"http://a/b/c/g."},
    {u".g", u"http://a/b/c/.g"},
    {u"g..", u"http://a/b/c/g.."},
    {u"..g", u"http://a/b/c/..g"},
    {u"./../g", u"http://a/b/g"},
    {u"./g/.", u"http://a/b/c/g/"},
    {u"g/./h", u"http://a/b/c/g/h"},
    {u"g/../h", u"http://a/b/c/h"},
    {u"g;x=1/./y", u"http://a/b/c/g;x=1/y"},
    {u"g;x=1/../y", u"http://a/b/c/y"},
    {u"g?y/./x", u"http://a/b/c/g?y/./x"},
    {u"g?y/../x", u"http://a/b/c/g?y/../x"},
    {u"g#s/./x", u"http://a/b/c/g#s/./x"},
    {u"g#s/../x", u"http://a/b/c/g#s/../x"},
    {u"http:g", u"http:g"},
};

TEST(ResolveReference, GivesEveryExampleOfRfc3986)
{
    for (const Resolution& example : kRfcExamples)
        EXPECT_EQ(ResolveReference(u"http://a/b/c/d;p?q", example.reference), example.target)
            << std::string(example.reference.begin(), example.reference.end());
}

struct Link {
    std::u16string_view written;
    LinkTarget::Kind kind;
    std::u16string_view url;
    std::u16string_view scheme = {};  // of a skipped link
};

constexpr auto kProbe = LinkTarget::Kind::Probe;
constexpr auto kSkip = LinkTarget::Kind::SkippedScheme;

// What a browser does with an href before and after resolving it, on a page
// at http://h/d/p.html.
constexpr Link kLinks[] = {
    {u"x.html#part", kProbe, u"http://h/d/x.html"},
    {u"#fn:1", kProbe, u"http://h/d/p.html"},
    {u"q.html?a=1&amp;b=2&copy=3&lt", kProbe, u"http://h/d/q.html?a=1&b=2&copy=3<"},
    {u"&#x41;&#66;&#0;&#128;&#159;", kProbe, u"http://h/d/AB\uFFFD\u20AC\u0178"},
    {u" \t\r\n x\ty\r\n.html\f ", kProbe, u"http://h/d/xy.html"},
    {u"img\\a.gif?b\\c", kProbe, u"http://h/d/img/a.gif?b\\c"},
    {u"HTTP://H/a/./b/../c", kProbe, u"http://H/a/c"},
    {u"1a:b", kProbe, u"http://h/d/1a:b"},
    {u"MailTo:me@h", kSkip, u"MailTo:me@h", u"mailto"},
    {u" javascript:go()", kSkip, u"javascript:go()", u"javascript"},
    {u"tel:1", kSkip, u"tel:1", u"tel"},
    {u"sms:1", kSkip, u"sms:1", u"sms"},
    {u"data:,x", kSkip, u"data:,x", u"data"},
    // Every scheme but http(s) is skipped; file: is requested, to fail.
    {u"FTP://h/f#x", kSkip, u"FTP://h/f#x", u"ftp"},
    {u"news:comp.lang.c", kSkip, u"news:comp.lang.c", u"news"},
    {u"irc://irc.h/chan", kSkip, u"irc://irc.h/chan", u"irc"},
    {u"git+ssh://h/r", kSkip, u"git+ssh://h/r", u"git+ssh"},
    {u"HTTPS://h/x#y", kProbe, u"https://h/x"},
    {u"File:///etc/hosts", kProbe, u"file:///etc/hosts"},
};

TEST(TargetOfLink, ReadsHrefsAsBrowsersDo)
{
    for (const Link& link : kLinks) {
        const LinkTarget target = TargetOfLink(link.written, u"http://h/d/p.html");
        EXPECT_EQ(target.kind, link.kind) << std::string(link.written.begin(), link.written.end());
        EXPECT_EQ(target.url, link.url) << std::string(link.written.begin(), link.written.end());
        EXPECT_EQ(target.detail, link.scheme) << std::string(link.written.begin(), link.written.end());
    }
    // Where a <base> leads relative links decides too.
    EXPECT_EQ(TargetOfLink(u"x", u"ftp://h/d/").detail, u"ftp");
}

TEST(DecodeCharRefs, KeepsLegacyNamesBeforeLettersDigitsAndEquals)
{
    EXPECT_EQ(DecodeCharRefs(u"&amp;&ampx&amp=&amp1&amp &notit;&notin;&unknown;&"),
              u"&&ampx&amp=&amp1& &notit;\u2209&unknown;&");
    EXPECT_EQ(DecodeCharRefs(u"&#x1F600;&#xD800;&#99999999999;&#;&#x"), u"\U0001F600\uFFFD\uFFFD&#;&#x");
}

TEST(PageBaseUrl, IsTheFirstBaseHrefResolvedAgainstThePage)
{
    EXPECT_EQ(PageBaseUrl(u"<base target=_top><base href='../x/#f'><base href=/y/>", u"http://h/d/p"),
              u"http://h/x/");
    EXPECT_EQ(PageBaseUrl(u"<!-- <base href=/c/> --><p>", u"http://h/d/p"), u"http://h/d/p");
}

TEST(EncodeQueryIn, LegacyCharsetsEncodeTheQueryAndWhatTheyLackAsReferences)
{
    EXPECT_EQ(EncodeQueryIn(u"http://h/\u65E5?q=\u65E5&r=\u00E9#\u00E9", "CP932"),
              u"http://h/\u65E5?q=%93%FA&r=%26%23233%3B#\u00E9");
    EXPECT_EQ(EncodeQueryIn(u"http://h/?q=\u65E5", "UTF-8"), u"http://h/?q=\u65E5");
}

}  // namespace
}  // namespace pardovane
