#include "engine/report/junit_report.h"

#include "engine/page/url_password.h"
#include "engine/page/utf_convert.h"
#include "engine/report/written_place.h"
#include "engine/report/xml_writer.h"

namespace pardovane {
namespace {

// As the schema counts: test cases, those failed, those in error.
struct Totals {
    std::int64_t tests = 0;
    std::int64_t failures = 0;
    std::int64_t errors = 0;

    Totals& operator+=(const Totals& more)
    {
        tests += more.tests;
        failures += more.failures;
        errors += more.errors;
        return *this;
    }
};

Totals Count(const RunRecord& record, const PageRecord& page)
{
    Totals totals{1, 0, page.reachable && page.downloaded ? 0 : 1};
    for (const LinkRecord& link : record.LinksOf(page))
        totals.tests += link.skipped() ? 0 : 1;
    totals.failures = page.badLinks;
    return totals;
}

void WriteTotals(XmlWriter& xml, const Totals& totals)
{
    xml.Attribute("tests", totals.tests);
    xml.Attribute("failures", totals.failures);
    xml.Attribute("errors", totals.errors);
    xml.Attribute("skipped", std::int64_t{0});
}

std::string Detail(const std::optional<ProbeResult>& probe)
{
    return probe && !probe->detail.empty() ? " (" + probe->detail + ")" : std::string();
}

// What a good answer still points out, as the test case's output, with the
// redirects on the way.
void WriteWarning(XmlWriter& xml, const std::optional<ProbeResult>& probe)
{
    if (!probe || !probe->good() || !probe->warned())
        return;
    std::u16string text = u"warning: " + Utf8ToUtf16(WarningReason(*probe)) + u"\n";
    for (const Redirect& hop : probe->redirects)
        text += u"redirect: " + Utf8ToUtf16(std::to_string(hop.status)) + u" to "
            + WithoutPasswords(Utf8ToUtf16(hop.location)) + u"\n";
    xml.Open("system-out");
    xml.Text(text);
    xml.Close();
}

void WriteLink(XmlWriter& xml, const PageRecord& page, const LinkRecord& link, const std::u16string& pageName)
{
    const std::u16string shown = WithoutPasswords(link.link);
    xml.Open("testcase");
    xml.Attribute("name", shown);
    xml.Attribute("classname", pageName);
    // Where the consumers that know them look for the source of a case.
    if (const std::u16string& file = link.sheet ? link.sheet->second.file : page.file; !file.empty()) {
        xml.Attribute("file", file);
        if (link.line > 0)
            xml.Attribute("line", std::int64_t{link.line});
    }
    if (link.broken()) {
        const std::string reason = LinkReason(link);
        xml.Open("failure");
        xml.Attribute("type", reason);
        xml.Attribute("message", Utf16ToUtf8(shown) + ": " + reason);
        std::u16string text = u"link: " + shown + u"\nat: " + PlaceOf(page, link).Text() + u"\nkind: "
            + Utf8ToUtf16(ElementName(link.element));
        if (link.sheet)
            text += u"\nstylesheet: " + WithoutPasswords(NamedUrl(*link.sheet));
        text += u"\nurl: " + WithoutPasswords(link.name()) + u"\nreason: "
            + Utf8ToUtf16(reason + (link.fragmentMissing ? std::string() : Detail(link.probe())));
        xml.Text(text);
        xml.Close();
    }
    WriteWarning(xml, link.probe());
    xml.Close();
}

void WritePageCase(XmlWriter& xml, const PageRecord& page, const std::u16string& pageName)
{
    xml.Open("testcase");
    xml.Attribute("name", pageName);
    xml.Attribute("classname", pageName);
    if (!page.reachable || !page.downloaded) {
        const std::string reason = page.reachable ? "download failed" : ProbeReason(page.probe);
        const std::string what = page.reachable ? "the page could not be read" : "the page cannot be reached";
        xml.Open("error");
        xml.Attribute("type", reason);
        xml.Attribute("message", what + ": " + reason);
        xml.Text(u"url: " + pageName + u"\nreason: "
                 + Utf8ToUtf16(reason + (page.reachable ? std::string() : Detail(page.probe))));
        xml.Close();
    }
    WriteWarning(xml, page.probe);
    xml.Close();
}

bool WritePage(XmlWriter& xml, const RunRecord& record, const PageRecord& page, const ReportSink& write)
{
    const std::u16string pageName = WithoutPasswords(page.url);
    xml.Open("testsuite");
    xml.Attribute("name", pageName);
    WriteTotals(xml, Count(record, page));
    WritePageCase(xml, page, pageName);
    for (const LinkRecord& link : record.LinksOf(page)) {
        if (!link.skipped())
            WriteLink(xml, page, link, pageName);
        if (!PassOn(xml, write))
            return false;
    }
    xml.Close();
    return true;
}

}  // namespace

bool WriteJunitReport(const RunRecord& record, std::u16string_view suitesName, const ReportSink& write)
{
    Totals totals;
    for (const PageRecord& page : record.pages())
        totals += Count(record, page);
    XmlWriter xml;
    xml.Open("testsuites");
    xml.Attribute("name", WithoutPasswords(suitesName));
    WriteTotals(xml, totals);
    for (const PageRecord& page : record.pages())
        if (!WritePage(xml, record, page, write))
            return false;
    xml.Close();
    return PassOn(xml, write, true);
}

}  // namespace pardovane
