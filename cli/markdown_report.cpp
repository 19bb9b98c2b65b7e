#include "cli/markdown_report.h"

#include "cli/code_points.h"
#include "engine/page/url_password.h"
#include "engine/page/utf_convert.h"

#include <algorithm>
#include <cctype>

namespace pardovane {
namespace {

std::string Bold(std::int64_t number)
{
    return "**" + std::to_string(number) + "**";
}

std::string Reason(const std::optional<ProbeResult>& probe)
{
    std::string reason = ProbeReason(probe);
    if (probe && !probe->detail.empty())
        reason += " (" + probe->detail + ")";
    return MarkdownText(Utf8ToUtf16(reason));
}

bool WritePage(std::string& out, const RunRecord& record, const PageRecord& page, const ReportSink& write)
{
    out += "\n### " + MarkdownText(WithoutPasswords(page.url)) + "\n\n";
    if (!page.reachable) {
        out += "The page cannot be reached: " + Reason(page.probe) + "\n";
        return true;
    }
    if (!page.downloaded) {
        out += "The page could not be read: download failed\n";
        return true;
    }
    out += "| Link | URL | Reason |\n| --- | --- | --- |\n";
    for (const LinkRecord& link : record.LinksOf(page)) {
        if (link.broken())
            out += "| " + MarkdownText(WithoutPasswords(link.link)) + " | "
                + MarkdownText(WithoutPasswords(link.url())) + " | " + Reason(link.probe()) + " |\n";
        if (!PassOn(out, write))
            return false;
    }
    return true;
}

}  // namespace

std::string MarkdownText(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = NextCodePoint(text, i);
        if (c < 0x20 || c == 0x7f) {
            out += ' ';
        } else if (c < 0x80 && !std::isalnum(static_cast<unsigned char>(c)) && c != ' ') {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

bool WriteMarkdownReport(const RunRecord& record, const RunCounts& counts, const ReportSink& write)
{
    const std::vector<PageRecord>& pages = record.pages();
    const auto problems
        = std::count_if(pages.begin(), pages.end(), [](const PageRecord& page) { return !page.good(); });
    std::string out = "## Link check\n\n" + Bold(counts.checked) + " links checked, " + Bold(counts.errors)
        + " broken; " + Bold(problems) + " of " + Bold(static_cast<std::int64_t>(pages.size()))
        + " pages with a problem.\n";
    for (const PageRecord& page : pages)
        if (!page.good() && !WritePage(out, record, page, write))
            return false;
    return PassOn(out, write, true);
}

}  // namespace pardovane
