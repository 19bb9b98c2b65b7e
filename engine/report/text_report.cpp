#include "engine/report/text_report.h"

#include "engine/page/url_password.h"
#include "engine/report/run_texts.h"

namespace pardovane {

// A page with links was reached, so its name line goes first.
void TextReport::BeginPage(const PageRecord& page)
{
    if (begun_ == &page)
        return;
    begun_ = &page;
    AppendWithoutPasswords(report_, page.url);
    report_ += texts::kCrLf;
}

void TextReport::OnFinding(const PageRecord& page, const LinkRecord& link)
{
    BeginPage(page);
    if (!link.broken())
        return;
    // The link as the page wrote it, line ends and all, not the resolved URL.
    report_ += u"  ";
    AppendWithoutPasswords(report_, link.link);
    report_ += texts::kLinkError;
}

void TextReport::OnPageRecorded(const PageRecord& page)
{
    if (page.reachable) {
        BeginPage(page);
        report_ += page.good() ? texts::kPageOk : texts::kPageErr;
    } else {
        report_ += texts::kBadPageBefore;
        AppendWithoutPasswords(report_, page.url);
        report_ += texts::kBadPageAfter;
        report_ += texts::kCrLf;
        report_ += texts::kCheckUrlReport;
        report_ += texts::kCrLf;
    }
    begun_ = nullptr;
}

}  // namespace pardovane
