#pragma once

#include "engine/report/run_record.h"

#include <string>

namespace pardovane {

// The report the window shows and pardovane-check writes by default, written
// into report as the run goes, one block a page: the page's name, every
// broken link under it as the page wrote it, and the page's verdict, each
// line ending in CR LF; a page that could not be reached gets two lines
// saying so. Passwords in URLs are masked. It needs only the page being
// recorded, so the record may keep nothing more (RunRecord::Keep::CurrentPage).
class TextReport : public RecordListener {
public:
    explicit TextReport(std::u16string& report) : report_(report) { }

    void OnRecordCleared() override { begun_ = nullptr; }
    void OnFinding(const PageRecord& page, const LinkRecord& link) override;
    void OnPageRecorded(const PageRecord& page) override;

private:
    void BeginPage(const PageRecord& page);

    std::u16string& report_;
    const PageRecord* begun_ = nullptr;  // the page whose name line is written
};

}  // namespace pardovane
