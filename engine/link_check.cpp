#include "check_engine.h"

#include "link_resolution.h"
#include "ui_texts.h"

namespace pardovane {
namespace {

// The count units of text from the 1-based position start, stopping at its end.
std::u16string_view Cut(std::u16string_view text, std::int32_t start, std::int32_t count)
{
    if (start < 1 || count <= 0 || static_cast<std::size_t>(start) > text.size())
        return {};
    return text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count));
}

}  // namespace

void CheckEngine::CheckLink()
{
    RunState& s = state_;
    s.linkText = Cut(s.pageText, s.linkStart, s.scanPos - s.linkStart);

    std::u16string url;
    if (IsAbsoluteLink(s.linkText)) {
        if (IsMailtoLink(s.linkText))
            return;
        url = s.linkText;
    } else {
        url = ResolveLink(s.baseUrl, s.linkText);
    }
    const int verdict = CheckUrl(url);
    Notify([&](RunObserver& o) { o.OnLinkJudged(s.linkText, url, verdict != 0); });

    ++s.checkedCount;
    if (verdict != 0)
        return;
    // The link as the page wrote it, line ends and all, not the resolved URL.
    s.report += u"  ";
    s.report += s.linkText;
    s.report += texts::kLinkError;
    ++s.errorCount;
    s.pageHasError = true;
}

}  // namespace pardovane
