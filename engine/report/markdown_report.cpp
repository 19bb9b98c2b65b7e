#include "engine/report/markdown_report.h"

#include "engine/page/url_password.h"
#include "engine/page/utf_convert.h"
#include "engine/report/code_points.h"
#include "engine/report/written_place.h"

#include <algorithm>
#include <cstdio>

namespace pardovane {
namespace {

std::string Bold(std::int64_t number)
{
    return "**" + std::to_string(number) + "**";
}

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0);
}

std::string Reason(const std::optional<ProbeResult>& probe)
{
    std::string reason = ProbeReason(probe);
    if (probe && !probe->detail.empty())
        reason += " (" + probe->detail + ")";
    return MarkdownText(reason);
}

// Where a link is written, a link to its file when it is in one: the path
// from the working directory, as a reviewer finds it in the checkout.
std::string Where(const WrittenPlace& place)
{
    if (place.file.empty())
        return MarkdownCode(place.Text(), true);
    return MarkdownLink(place.Text(), place.file, true);
}

// The kind of a link, and which stylesheet it is written in.
std::string Kind(const LinkRecord& link)
{
    std::string kind = ElementName(link.element);
    if (link.sheet)
        kind += " in " + MarkdownLink(WithoutPasswords(NamedUrl(*link.sheet)), true);
    return kind;
}

// What a good answer still points out: where a permanent redirect finally
// led, or the warning's own words.
std::string Warning(const ProbeResult& probe, bool inTable)
{
    if (probe.warning != ProbeWarning::PermanentRedirect)
        return MarkdownText(WarningReason(probe));
    return "moved permanently to "
        + MarkdownLink(WithoutPasswords(Utf8ToUtf16(probe.redirects.back().location)), inTable);
}

bool WritePage(std::string& out, const RunRecord& record, const PageRecord& page, const ReportSink& write)
{
    const std::u16string name = WithoutPasswords(page.url);
    out += "\n### " + MarkdownLink(name, page.file.empty() ? name : page.file, false) + "\n\n";
    if (!page.reachable) {
        out += "The page cannot be reached: " + Reason(page.probe) + "\n";
        return true;
    }
    if (page.warned()) {
        const bool moved = page.probe->warning == ProbeWarning::PermanentRedirect;
        out += std::string(moved ? "The page " : "The page was ") + Warning(*page.probe, false) + ".\n\n";
    }
    if (!page.downloaded) {
        out += "The page could not be read: download failed\n";
        return true;
    }
    if (page.badLinks == 0 && page.warnedLinks == 0)
        return true;
    out += "| Link | Where | Kind | URL | Reason |\n| --- | --- | --- | --- | --- |\n";
    for (const LinkRecord& link : record.LinksOf(page)) {
        const std::string reason
            = link.fragmentMissing ? std::string("fragment not found") : Reason(link.probe());
        if (link.broken() || link.warned())
            out += "| " + MarkdownCode(WithoutPasswords(link.link), true) + " | " + Where(PlaceOf(page, link))
                + " | " + Kind(link) + " | " + MarkdownLink(WithoutPasswords(link.name()), true) + " | "
                + (link.broken() ? reason : "warning: " + Warning(*link.probe(), true)) + " |\n";
        if (!PassOn(out, write))
            return false;
    }
    return true;
}

}  // namespace

std::string MarkdownCode(std::u16string_view text, bool inTable)
{
    std::string body;
    std::size_t run = 0;
    std::size_t longestRun = 0;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = NextCodePoint(text, i);
        run = c == U'`' ? run + 1 : 0;
        longestRun = std::max(longestRun, run);
        if (IsControl(c))
            body += ' ';
        else if (c == U'|' && inTable)
            body += "\\|";
        else
            AppendUtf8(body, c);
    }
    if (body.empty())
        return "(empty)";
    // A span's first and last space go when both are there, so a span that
    // starts or ends with a space or backtick gets one more on each side.
    const bool pad = body.front() == '`' || body.back() == '`'
        || (body.front() == ' ' && body.back() == ' ' && body.find_first_not_of(' ') != std::string::npos);
    const std::string fence(longestRun + 1, '`');
    const char* space = pad ? " " : "";
    return fence + space + body + space + fence;
}

std::string MarkdownLink(std::u16string_view url, bool inTable)
{
    return MarkdownLink(url, url, inTable);
}

std::string MarkdownLink(std::u16string_view shown, std::u16string_view url, bool inTable)
{
    // In angle brackets the destination may hold anything but line breaks,
    // unescaped brackets and backslashes.
    std::string destination;
    for (std::size_t i = 0; i < url.size();) {
        const char32_t c = NextCodePoint(url, i);
        if (IsControl(c)) {
            std::string bytes;
            AppendUtf8(bytes, c);
            for (unsigned char byte : bytes) {
                char escaped[4];
                std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
                destination += escaped;
            }
        } else if (c == U'<' || c == U'>' || c == U'\\' || (c == U'|' && inTable)) {
            destination += '\\';
            destination += static_cast<char>(c);
        } else {
            AppendUtf8(destination, c);
        }
    }
    return "[" + MarkdownCode(shown, inTable) + "](<" + destination + ">)";
}

std::string MarkdownText(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        if (std::string_view("\\`*_[]<&|~").find(c) != std::string_view::npos)
            out += '\\';
        out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    return out;
}

bool WriteMarkdownReport(const RunRecord& record, const RunCounts& counts, const ReportSink& write)
{
    const std::vector<PageRecord>& pages = record.pages();
    const auto problems
        = std::count_if(pages.begin(), pages.end(), [](const PageRecord& page) { return !page.good(); });
    std::string out = "## Link check\n\n" + Bold(counts.checked) + " links checked, " + Bold(counts.errors)
        + " broken" + (counts.warnings > 0 ? ", " + Bold(counts.warnings) + " with a warning" : "") + "; "
        + Bold(problems) + " of " + Bold(static_cast<std::int64_t>(pages.size()))
        + " pages with a problem.\n";
    for (const PageRecord& page : pages)
        if ((!page.good() || page.warned() || page.warnedLinks > 0) && !WritePage(out, record, page, write))
            return false;
    return PassOn(out, write, true);
}

}  // namespace pardovane
