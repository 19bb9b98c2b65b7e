#pragma once

#include "engine/report/report_sink.h"
#include "engine/report/run_record.h"

#include <string>
#include <string_view>

namespace pardovane {

// The run's findings as GitHub Actions workflow commands, a line each:
// "::error" for what is broken, "::warning" for a warning, with the file
// (a checked folder's, from the working directory), line and column where
// the link is written, or the page URL in the message where there is no
// file. Nothing a page holds can end a command or start another.
bool WriteGithubReport(const RunRecord& record, const ReportSink& write);

// text as a workflow command's message: "%", CR and LF escaped; in a
// property's value also ":" and ",".
std::string WorkflowCommandEscaped(std::u16string_view text, bool property);

}  // namespace pardovane
