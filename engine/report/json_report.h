#pragma once

#include "engine/report/report_sink.h"
#include "engine/report/run_record.h"

namespace pardovane {

// The run as one JSON document: the counts, then every listed page in order
// with every link occurrence judged on it and, for what was bad, why.
bool WriteJsonReport(const RunRecord& record, const RunCounts& counts, const ReportSink& write);

}  // namespace pardovane
