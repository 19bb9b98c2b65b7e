#pragma once

#include "cli/run_record.h"

#include <string>

namespace pardovane {

// The run as JUnit XML, the way CI systems show test results: one test case
// per listed page, named by its URL; a failure per bad link on it; an error
// for a page that could not be reached or read. suiteName names the list.
std::string JunitReport(const std::vector<PageRecord>& pages, const RunCounts& counts,
                        std::u16string_view suiteName);

}  // namespace pardovane
