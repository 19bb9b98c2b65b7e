#include "engine/report/finding_kind.h"

#include "engine/page/url_password.h"
#include "engine/page/utf_convert.h"

namespace pardovane {
namespace {

std::u16string Reason(const std::optional<ProbeResult>& probe)
{
    std::string reason = ProbeReason(probe);
    if (probe && !probe->detail.empty())
        reason += " (" + probe->detail + ")";
    return Utf8ToUtf16(reason);
}

}  // namespace

FindingKind WarningKindOf(const ProbeResult& probe)
{
    return probe.warning == ProbeWarning::BotWall ? FindingKind::BotWall : FindingKind::Redirect;
}

FindingKind KindOf(const LinkRecord& link)
{
    if (!link.broken() && link.probe())
        return WarningKindOf(*link.probe());
    if (link.fragmentMissing)
        return FindingKind::MissingFragment;
    const bool followed = link.element == LinkElement::Anchor || link.element == LinkElement::Area;
    return followed ? FindingKind::BrokenLink : FindingKind::BrokenResource;
}

bool IsWarning(FindingKind kind)
{
    return kind == FindingKind::Redirect || kind == FindingKind::BotWall;
}

const char* TitleOf(FindingKind kind)
{
    switch (kind) {
    case FindingKind::BrokenLink:
        return "broken link";
    case FindingKind::BrokenResource:
        return "broken resource";
    case FindingKind::MissingFragment:
        return "missing fragment";
    case FindingKind::UnreachablePage:
        return "unreachable page";
    case FindingKind::Redirect:
        return "permanent redirect";
    case FindingKind::BotWall:
        return "blocked by bot protection";
    }
    return "finding";
}

std::u16string FindingText(const PageRecord& page, const LinkRecord& link)
{
    std::u16string text = WithoutPasswords(link.link);
    const std::u16string url = WithoutPasswords(link.name());
    if (url != text)
        text += u" (" + url + u")";
    if (link.sheet)
        text += u", in a stylesheet of " + WithoutPasswords(page.url);
    text += u": ";
    if (!link.broken())
        text += Utf8ToUtf16(WarningReason(*link.probe()));
    else if (link.fragmentMissing)
        text += u"fragment not found";
    else
        text += Reason(link.probe());
    return text;
}

std::vector<std::pair<FindingKind, std::u16string>> PageFindings(const PageRecord& page)
{
    std::vector<std::pair<FindingKind, std::u16string>> findings;
    if (!page.reachable)
        findings.emplace_back(FindingKind::UnreachablePage,
                              u"the page cannot be reached: " + Reason(page.probe));
    else if (!page.downloaded)
        findings.emplace_back(FindingKind::UnreachablePage, u"the page could not be read: download failed");
    if (page.warned())
        findings.emplace_back(WarningKindOf(*page.probe),
                              u"the page: " + Utf8ToUtf16(WarningReason(*page.probe)));
    return findings;
}

}  // namespace pardovane
