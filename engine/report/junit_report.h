#pragma once

#include "engine/report/report_sink.h"
#include "engine/report/run_record.h"

#include <string_view>

namespace pardovane {

// The run as JUnit XML, the way CI systems show test results, in the common
// schema's terms: the test suites are named after the list (suitesName),
// each listed page is a test suite of its own, and in it a test case for
// the page itself (an error when it could not be reached or read) and one
// for each link occurrence judged (a failure when broken). No test case has
// more than one result; a warning is the test case's output, not a failure.
bool WriteJunitReport(const RunRecord& record, std::u16string_view suitesName, const ReportSink& write);

}  // namespace pardovane
