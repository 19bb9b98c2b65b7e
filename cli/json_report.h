#pragma once

#include "cli/run_record.h"

#include <string>

namespace pardovane {

// The run as one JSON document: the counts, then every listed page in order
// with every link occurrence judged on it and, for what was bad, why.
std::string JsonReport(const std::vector<PageRecord>& pages, const RunCounts& counts);

}  // namespace pardovane
