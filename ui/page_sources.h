#pragma once

#include "engine/report/run_record.h"

#include <cstddef>
#include <string>
#include <unordered_map>

namespace pardovane {

// The text of the pages that had findings, as the run read them, so that a
// finding's source can be shown without fetching the page again. Each page
// read is offered; it is kept once its record shows a finding, while the
// texts kept stay within a budget, and the rest are let go.
class PageSources : public RecordListener {
public:
    explicit PageSources(std::size_t budgetUnits = kDefaultBudget) : budget_(budgetUnits) { }

    // The text of the page being recorded.
    void Offer(const std::u16string& text);
    // The text kept for the page of that name; null when none was.
    const std::u16string* Find(const std::u16string& page) const;

    void OnRecordCleared() override;
    void OnFinding(const PageRecord&, const LinkRecord&) override { }
    void OnPageRecorded(const PageRecord& page) override;

    // 32 MiB of UTF-16.
    static constexpr std::size_t kDefaultBudget = std::size_t{16} * 1024 * 1024;

private:
    std::size_t budget_;
    std::size_t used_ = 0;
    std::u16string offered_;
    bool offeredNow_ = false;
    std::unordered_map<std::u16string, std::u16string> kept_;
};

}  // namespace pardovane
