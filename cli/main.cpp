#include "check_engine.h"
#include "cli_options.h"
#include "console_window.h"
#include "http_client.h"
#include "json_report.h"
#include "junit_report.h"
#include "lookahead_fetcher.h"
#include "run_record.h"
#include "utf_convert.h"
#include "version.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kExitClean = 0;
constexpr int kExitBroken = 1;
constexpr int kExitUnusable = 2;
// Enough requests in flight to hide a slow server's latency behind the others
// without crowding a small site.
constexpr int kDefaultJobs = 128;

void WriteBytes(std::FILE* out, const std::string& bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), out);
}

void WriteUtf8(std::FILE* out, const std::u16string& text)
{
    WriteBytes(out, pardovane::Utf16ToUtf8(text));
}

std::string Document(pardovane::OutputFormat format, const pardovane::CheckEngine& engine,
                     const pardovane::RunRecord& record, const std::u16string& report)
{
    const pardovane::RunCounts counts{engine.state().checkedCount, engine.state().errorCount,
                                      engine.lastRun().badPages};
    switch (format) {
    case pardovane::OutputFormat::Json:
        return pardovane::JsonReport(record.pages(), counts);
    case pardovane::OutputFormat::Junit:
        return pardovane::JunitReport(record.pages(), counts,
                                      pardovane::Utf8ToUtf16(engine.listFile().string()));
    case pardovane::OutputFormat::Text:
        break;
    }
    return pardovane::Utf16ToUtf8(report);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto options =
        pardovane::ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "pardovane-check: %s\n%s", error.c_str(), pardovane::kCliUsage);
        return kExitUnusable;
    }
    if (options->showHelp) {
        std::fputs(pardovane::kCliUsage, stdout);
        return kExitClean;
    }
    if (options->showVersion) {
        std::puts("pardovane-check " PARDOVANE_VERSION);
        return kExitClean;
    }
    const std::filesystem::path listFile =
        options->listFile.empty() ? pardovane::DefaultListFilePath() : options->listFile;

    // One request at a time is exactly the window's way; more fetch ahead of
    // the same sequential run, which reports the same bytes either way.
    const int jobs = options->jobs == 0 ? kDefaultJobs : options->jobs;
    pardovane::HttpSettings settings;
    if (options->maxPerHost > 0)
        settings.maxPerHost = options->maxPerHost;
    pardovane::HttpClient http(settings);
    pardovane::LookaheadFetcher fetcher(listFile, jobs, settings);
    pardovane::UrlProber& prober = jobs == 1 ? static_cast<pardovane::UrlProber&>(http) : fetcher;
    pardovane::ConsoleWindow window(
        [&](const std::u16string& url) {
            return jobs == 1 ? http.DownloadText(url) : fetcher.DownloadText(url);
        },
        stderr, isatty(STDERR_FILENO) == 1);
    pardovane::CheckEngine engine(window, prober, listFile);
    if (jobs > 1)
        engine.AddObserver(fetcher);
    pardovane::RunRecord record;
    engine.AddObserver(record);
    engine.RunCheck();
    window.ClearProgress();

    if (engine.lastRun().listFileFailed)
        return kExitUnusable;

    // stdout holds the one document; messages and the summary stay on stderr
    // in every format, so scripts can redirect the two apart.
    WriteBytes(stdout, Document(options->format, engine, record, window.report()));
    std::fflush(stdout);
    WriteUtf8(stderr, window.statusText() + u"\n");

    const bool anyBad = engine.lastRun().badPages > 0 || engine.state().errorCount > 0;
    return anyBad ? kExitBroken : kExitClean;
}
