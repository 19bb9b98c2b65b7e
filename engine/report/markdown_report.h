#pragma once

#include "engine/report/report_sink.h"
#include "engine/report/run_record.h"

#include <string>
#include <string_view>

namespace pardovane {

// The run as Markdown for a pull-request comment: the counts, then each page
// with a problem or a warning and, in a table, its broken and warned links
// and why. Good pages and skipped links are left out. Text from a page goes
// in code spans, where nothing in it is read as Markdown (nor as a mention),
// and URLs are links.
bool WriteMarkdownReport(const RunRecord& record, const RunCounts& counts, const ReportSink& write);

// text as a code span that shows exactly text, line breaks and other
// controls as spaces. In a table cell "|" is escaped, as a cell ends there
// even inside a span.
std::string MarkdownCode(std::u16string_view text, bool inTable);
// A link to url, shown as its text in a code span.
std::string MarkdownLink(std::u16string_view url, bool inTable);
// A link to url shown as another text.
std::string MarkdownLink(std::u16string_view shown, std::u16string_view url, bool inTable);
// Plain inline text that shows exactly text: the characters that start
// inline Markdown are escaped.
std::string MarkdownText(std::string_view utf8);

}  // namespace pardovane
