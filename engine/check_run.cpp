#include "check_engine.h"

#include "list_file.h"
#include "ui_texts.h"
#include "utf_convert.h"
#include "verdict_cache.h"

#include <string>

namespace pardovane {
namespace {

int Blocks(std::uint64_t bytes)
{
    return static_cast<int>(bytes / 128);
}

std::u16string Decimal(std::int32_t value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string BadPageMessage(const std::u16string& pageUrl)
{
    std::u16string text(texts::kBadPageBefore);
    text += pageUrl;
    text += texts::kBadPageAfter;
    text += u'\n';
    text += texts::kCheckUrlMessage;
    return text;
}

}  // namespace

void CheckEngine::RunCheck()
{
    RunState& s = state_;
    window_.SetStatusLabel(std::u16string(texts::kChecking));
    window_.RepaintStatusLabel();
    window_.SetBusyPointer();
    s.report.clear();
    ResetVerdictCache(s);
    s.checkedCount = 0;
    s.errorCount = 0;
    lastRun_ = {};

    auto list = ListFile::Open(listFile_);
    if (!list) {
        // Nothing was read, so the report box keeps what it showed.
        lastRun_.listFileFailed = true;
        std::u16string message(texts::kListFileOpenError);
        message += u'\n';
        message += Utf8ToUtf16(listFile_.string());
        window_.ShowMessage(message);
        window_.SetDefaultPointer();
        window_.SetStatusLabel(std::u16string(texts::kInstruction));
        return;
    }

    Notify([&](RunObserver& o) { o.OnRunStart(); });
    window_.SetProgressMax(Blocks(list->length()) + 1);
    window_.SetProgressValue(0);
    while (!list->AtEnd()) {
        s.pageUrl = list->ReadLine();
        window_.SetPageLabel(s.pageUrl + std::u16string(texts::kExaminingSuffix));
        if (s.pageUrl.empty())
            continue;

        Notify([&](RunObserver& o) { o.OnPageStart(s.pageUrl, list->offset()); });
        if (CheckUrl(s.pageUrl) == 0) {
            ReportBadPage();
            s.report += texts::kBadPageBefore;
            s.report += s.pageUrl;
            s.report += texts::kBadPageAfter;
            s.report += texts::kCrLf;
            s.report += texts::kCheckUrlReport;
            s.report += texts::kCrLf;
            Notify([&](RunObserver& o) { o.OnPageEnd(false, false); });
            continue;
        }

        s.pageHasError = false;
        s.report += s.pageUrl;
        s.report += texts::kCrLf;
        const auto lastSlash = s.pageUrl.rfind(u'/');
        s.baseUrl = lastSlash == std::u16string::npos ? std::u16string()
                                                      : s.pageUrl.substr(0, lastSlash + 1);
        if (auto text = window_.DownloadPage(s.pageUrl)) {
            s.pageText = std::move(*text);
            Notify([&](RunObserver& o) { o.OnPageText(s.pageText, s.baseUrl); });
            ScanPage();
            s.report += s.pageHasError ? texts::kPageErr : texts::kPageOk;
            Notify([&](RunObserver& o) { o.OnPageEnd(true, true); });
        } else {
            // The page answered its probe but not its download: say so as for
            // a bad page and close its block, so no page goes unreported.
            s.pageText.clear();
            ReportBadPage();
            s.report += texts::kPageErr;
            Notify([&](RunObserver& o) { o.OnPageEnd(true, false); });
        }
        window_.SetProgressValue(Blocks(list->offset()));
    }

    window_.SetReportText(s.report);
    window_.SetDefaultPointer();
    window_.SetStatusLabel(std::u16string(texts::kSummaryChecked) + Decimal(s.checkedCount)
                           + std::u16string(texts::kSummaryErrors) + Decimal(s.errorCount));
}

void CheckEngine::ReportBadPage()
{
    ++lastRun_.badPages;
    window_.ShowMessage(BadPageMessage(state_.pageUrl));
}

}  // namespace pardovane
