#include "engine/report/text_report.h"

#include "engine/page/url_password.h"
#include "engine/report/run_texts.h"

namespace pardovane {

void AppendTextBlock(std::u16string& report, const RunRecord& record, const PageRecord& page)
{
    if (!page.reachable) {
        report += texts::kBadPageBefore;
        AppendWithoutPasswords(report, page.url);
        report += texts::kBadPageAfter;
        report += texts::kCrLf;
        report += texts::kCheckUrlReport;
        report += texts::kCrLf;
        return;
    }
    AppendWithoutPasswords(report, page.url);
    report += texts::kCrLf;
    for (const LinkRecord& link : record.LinksOf(page)) {
        if (!link.broken())
            continue;
        // The link as the page wrote it, line ends and all, not the resolved URL.
        report += u"  ";
        AppendWithoutPasswords(report, link.link);
        report += texts::kLinkError;
    }
    report += page.good() ? texts::kPageOk : texts::kPageErr;
}

}  // namespace pardovane
