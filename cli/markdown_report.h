#pragma once

#include "cli/run_record.h"

#include <string>
#include <vector>

namespace pardovane {

// The run as Markdown for a pull-request comment: the counts, then each page
// with a problem and, in a table, its broken links and why. Good pages and
// skipped links are left out.
std::string MarkdownReport(const std::vector<PageRecord>& pages, const RunCounts& counts);

// text as inline Markdown that shows exactly text: every ASCII punctuation
// mark escaped, line breaks and other controls turned into spaces.
std::string MarkdownText(std::u16string_view text);

}  // namespace pardovane
