#pragma once

#include "cli/report_sink.h"
#include "cli/run_record.h"

#include <string>
#include <string_view>

namespace pardovane {

// The run as Markdown for a pull-request comment: the counts, then each page
// with a problem and, in a table, its broken links and why. Good pages and
// skipped links are left out.
bool WriteMarkdownReport(const RunRecord& record, const RunCounts& counts, const ReportSink& write);

// text as inline Markdown that shows exactly text: every ASCII punctuation
// mark escaped, line breaks and other controls turned into spaces.
std::string MarkdownText(std::u16string_view text);

}  // namespace pardovane
