#include "cli/junit_report.h"

#include "cli/xml_writer.h"
#include "engine/page/url_password.h"
#include "engine/page/utf_convert.h"

namespace pardovane {
namespace {

constexpr const char* kClassName = "pardovane-check";

struct Totals {
    std::int64_t tests = 0;
    std::int64_t failures = 0;  // pages with a bad link
    std::int64_t errors = 0;    // pages not reached or not read
};

Totals Count(const std::vector<PageRecord>& pages)
{
    Totals totals;
    totals.tests = static_cast<std::int64_t>(pages.size());
    for (const PageRecord& page : pages) {
        if (!page.reachable || !page.downloaded)
            ++totals.errors;
        else if (page.badLinks > 0)
            ++totals.failures;
    }
    return totals;
}

void WriteTotals(XmlWriter& xml, const Totals& totals)
{
    xml.Attribute("tests", totals.tests);
    xml.Attribute("failures", totals.failures);
    xml.Attribute("errors", totals.errors);
}

void WriteProperty(XmlWriter& xml, const char* name, std::int64_t value)
{
    xml.Open("property");
    xml.Attribute("name", name);
    xml.Attribute("value", value);
    xml.Close();
}

std::string Detail(const std::optional<ProbeResult>& probe)
{
    return probe && !probe->detail.empty() ? " (" + probe->detail + ")" : std::string();
}

void WriteBadLink(XmlWriter& xml, const LinkRecord& link)
{
    const std::string reason = ProbeReason(link.probe());
    xml.Open("failure");
    xml.Attribute("type", reason);
    const std::u16string shown = WithoutPasswords(link.link);
    xml.Attribute("message", Utf16ToUtf8(shown) + ": " + reason);
    xml.Text(u"link: " + shown + u"\nurl: " + WithoutPasswords(link.url()) + u"\nreason: "
             + Utf8ToUtf16(reason + Detail(link.probe())));
    xml.Close();
}

void WriteBadPage(XmlWriter& xml, const PageRecord& page)
{
    const std::string reason = page.reachable ? "download failed" : ProbeReason(page.probe);
    const std::string what = page.reachable ? "the page could not be read" : "the page cannot be reached";
    xml.Open("error");
    xml.Attribute("type", reason);
    xml.Attribute("message", what + ": " + reason);
    xml.Text(u"url: " + WithoutPasswords(page.url) + u"\nreason: "
             + Utf8ToUtf16(reason + (page.reachable ? std::string() : Detail(page.probe))));
    xml.Close();
}

bool WritePage(XmlWriter& xml, const RunRecord& record, const PageRecord& page, const ReportSink& write)
{
    xml.Open("testcase");
    xml.Attribute("name", WithoutPasswords(page.url));
    xml.Attribute("classname", kClassName);
    if (!page.reachable || !page.downloaded)
        WriteBadPage(xml, page);
    for (const LinkRecord& link : record.LinksOf(page)) {
        if (link.broken())
            WriteBadLink(xml, link);
        if (!PassOn(xml, write))
            return false;
    }
    xml.Close();
    return true;
}

}  // namespace

bool WriteJunitReport(const RunRecord& record, const RunCounts& counts, std::u16string_view suiteName,
                      const ReportSink& write)
{
    const Totals totals = Count(record.pages());
    XmlWriter xml;
    xml.Open("testsuites");
    xml.Attribute("name", kClassName);
    WriteTotals(xml, totals);
    xml.Open("testsuite");
    xml.Attribute("name", WithoutPasswords(suiteName));
    WriteTotals(xml, totals);
    xml.Attribute("skipped", std::int64_t{0});
    xml.Open("properties");
    WriteProperty(xml, "checked", counts.checked);
    WriteProperty(xml, "errors", counts.errors);
    WriteProperty(xml, "badPages", counts.badPages);
    xml.Close();
    for (const PageRecord& page : record.pages())
        if (!WritePage(xml, record, page, write))
            return false;
    xml.Close();
    xml.Close();
    return PassOn(xml, write, true);
}

}  // namespace pardovane
