#pragma once

#include "cli/report_sink.h"
#include "cli/run_record.h"

#include <string_view>

namespace pardovane {

// The run as JUnit XML, the way CI systems show test results: one test case
// per listed page, named by its URL; a failure per bad link on it; an error
// for a page that could not be reached or read. suiteName names the list.
bool WriteJunitReport(const RunRecord& record, const RunCounts& counts, std::u16string_view suiteName,
                      const ReportSink& write);

}  // namespace pardovane
