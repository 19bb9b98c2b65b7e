#pragma once

#include "engine/report/report_sink.h"
#include "engine/report/run_record.h"

#include <string_view>

namespace pardovane {

// The run's findings as a SARIF 2.1.0 log for code-scanning tools: a result
// per broken link, broken resource, missing fragment, page that could not
// be reached or read and warning, each under a rule for its kind, placed in
// the file (a checked folder's, as a path from the working directory) or
// at the page URL where the link is written, at its line and column in
// code points. toolVersion is the program's.
bool WriteSarifReport(const RunRecord& record, std::string_view toolVersion, const ReportSink& write);

}  // namespace pardovane
