#include "cli/cache_file.h"
#include "cli/cli_options.h"
#include "cli/console_window.h"
#include "cli/interrupt_cleanup.h"
#include "cli/list_input.h"
#include "cli/report_output.h"
#include "cli/terminal_escapes.h"
#include "engine/http/request_url.h"
#include "engine/http/sitemap_reader.h"
#include "engine/page/local_folder.h"
#include "engine/page/url_password.h"
#include "engine/page/utf_convert.h"
#include "engine/report/github_report.h"
#include "engine/report/json_report.h"
#include "engine/report/junit_report.h"
#include "engine/report/markdown_report.h"
#include "engine/report/run_record.h"
#include "engine/report/run_texts.h"
#include "engine/report/sarif_report.h"
#include "engine/run/check_engine.h"
#include "engine/settings/config_file.h"
#include "engine/settings/url_exclusion.h"
#include "engine/setup/check_run.h"
#include "engine/version.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

constexpr int kExitClean = 0;
constexpr int kExitBroken = 1;
constexpr int kExitUnusable = 2;

// A line of our own on stderr, shown as ConsoleWindow shows messages.
void WriteMessage(const std::u16string& text)
{
    std::string bytes = pardovane::Utf16ToUtf8(text);
    if (pardovane::IsTerminal(STDERR_FILENO))
        bytes = pardovane::ShowControls(bytes);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
}

std::u16string Decimal(std::size_t value)
{
    return pardovane::Utf8ToUtf16(std::to_string(value));
}

int UsageError(const std::string& error)
{
    std::fprintf(stderr, "pardovane-check: %s\nTry 'pardovane-check --help' for more information.\n",
                 error.c_str());
    return kExitUnusable;
}

int Failed(const std::string& why)
{
    std::fprintf(stderr, "pardovane-check: %s\n", why.c_str());
    return kExitUnusable;
}

int WriteFailed(const pardovane::ReportOutput& output)
{
    std::fprintf(stderr, "pardovane-check: the report could not be written: %s\n", output.error().c_str());
    return kExitUnusable;
}

// Help and version go through the same checked output as a report.
int Print(const std::string& text)
{
    pardovane::ReportOutput output({});
    return output.Write(text) && output.Finish() ? kExitClean : WriteFailed(output);
}

// The text report in slices, so it is never held twice over in UTF-8.
bool WriteText(pardovane::ReportOutput& output, std::u16string_view report)
{
    constexpr std::size_t kSlice = 1 << 16;
    while (!report.empty()) {
        std::size_t length = std::min(kSlice, report.size());
        if (length < report.size() && report[length - 1] >= 0xD800 && report[length - 1] <= 0xDBFF)
            ++length;  // keep a surrogate pair together
        if (!output.Write(pardovane::Utf16ToUtf8(report.substr(0, length))))
            return false;
        report.remove_prefix(length);
    }
    return true;
}

// The report in the chosen format, written as it is made.
bool WriteReport(pardovane::OutputFormat format, const pardovane::CheckEngine& engine,
                 const pardovane::RunRecord& record, const std::string& listName,
                 pardovane::ReportOutput& output)
{
    const pardovane::RunCounts counts{engine.state().checkedCount, engine.state().errorCount,
                                      engine.lastRun().badPages, engine.lastRun().warnings};
    const pardovane::ReportSink write = [&output](std::string_view bytes) { return output.Write(bytes); };
    switch (format) {
    case pardovane::OutputFormat::Json:
        return pardovane::WriteJsonReport(record, counts, write);
    case pardovane::OutputFormat::Junit:
        return pardovane::WriteJunitReport(record, pardovane::Utf8ToUtf16(listName), write);
    case pardovane::OutputFormat::Markdown:
        return pardovane::WriteMarkdownReport(record, counts, write);
    case pardovane::OutputFormat::Sarif:
        return pardovane::WriteSarifReport(record, PARDOVANE_VERSION, write);
    case pardovane::OutputFormat::Github:
        return pardovane::WriteGithubReport(record, write);
    case pardovane::OutputFormat::Text:
        break;
    }
    return WriteText(output, engine.state().report);
}

// What the record keeps for the reports: JSON and JUnit name every link,
// the others every finding; the text report is written as the run goes.
pardovane::RunRecord::Keep RecordKept(const std::vector<pardovane::ReportRequest>& reports)
{
    using Keep = pardovane::RunRecord::Keep;
    Keep keep = Keep::CurrentPage;
    for (const pardovane::ReportRequest& report : reports) {
        if (report.format == pardovane::OutputFormat::Json || report.format == pardovane::OutputFormat::Junit)
            return Keep::EveryLink;
        if (report.format != pardovane::OutputFormat::Text)
            keep = Keep::Findings;
    }
    return keep;
}

int Run(int argc, char** argv)
{
    // A reader gone away is a failed write, reported like any other.
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    auto options = pardovane::ParseCliOptions(arguments, error);
    if (!options)
        return UsageError(error);
    if (options->showHelp)
        return Print(pardovane::CliUsage());
    if (options->showVersion)
        return Print("pardovane-check " PARDOVANE_VERSION "\n");
    // The file's settings, then the options again over them.
    pardovane::RunSettings fromFile;
    if (auto problem = pardovane::ReadConfigFile(options->configFile, fromFile))
        return Failed(*problem);
    options = pardovane::ParseCliOptions(arguments, error, fromFile);
    if (!options)
        return UsageError(error);

    pardovane::UrlExclusion exclusion;
    if (!exclusion.AddAll(options->excludes, error))
        return UsageError(error);
    for (const std::string& file : options->excludeFiles)
        if (!exclusion.AddFile(file, error))
            return UsageError(error);

    const bool escapes = pardovane::StderrTakesEscapes();
    pardovane::InstallInterruptCleanup(escapes);
    // Every report's file is opened, or refused, before anything is asked.
    std::vector<std::unique_ptr<pardovane::ReportOutput>> outputs;
    for (const pardovane::ReportRequest& report : options->reports) {
        outputs.push_back(std::make_unique<pardovane::ReportOutput>(report.file));
        if (!outputs.back()->ok())
            return WriteFailed(*outputs.back());
    }
    // The list: given, a sitemap's pages, or a local folder's.
    std::optional<pardovane::LocalFolder> folder;
    std::optional<pardovane::ListInput> pages;
    std::size_t pagesLeft = 0;
    if (options->listIsFolder || options->listIsPage) {
        if (options->crawl.recurse)
            return UsageError(
                "--recurse (or recurse in the configuration) takes URLs or a list, not a folder");
        const std::u16string base = options->baseUrl.empty()
            ? std::u16string(pardovane::LocalFolder::kDefaultBaseUrl)
            : pardovane::Utf8ToUtf16(options->baseUrl);
        // A page file's site is its own folder unless --root-dir says which.
        std::filesystem::path root = options->listFile;
        if (options->listIsPage)
            root = options->rootDir.empty() ? std::filesystem::absolute(root).parent_path()
                                            : std::filesystem::path(options->rootDir);
        folder = pardovane::LocalFolder::Open(root, base, error);
        if (!folder)
            return Failed(error);
        std::vector<std::u16string> urls;
        if (options->listIsFolder) {
            urls = folder->PageUrls(options->crawl.maxPages, pagesLeft);
            // An empty build or a wrong path would otherwise pass with nothing checked.
            if (urls.empty())
                return Failed("the folder " + options->listFile + " holds no .html, .htm or Markdown page");
        } else if (auto url = folder->UrlOf(options->listFile)) {
            urls.push_back(std::move(*url));
        } else {
            std::error_code missing;
            return Failed(std::filesystem::exists(options->listFile, missing)
                              ? options->listFile + " lies outside --root-dir " + options->rootDir
                              : "cannot read the page " + options->listFile);
        }
        pages.emplace(urls, options->listFile);
    } else if (!options->sitemap.empty()) {
        // The sitemap's origin is the run's own, as its pages' are.
        if (const std::string origin = pardovane::RequestOrigin(pardovane::Utf8ToUtf16(options->sitemap));
            !origin.empty())
            options->http.credentialOrigins = std::make_shared<const std::unordered_set<std::string>>(
                std::unordered_set<std::string>{origin});
        auto sitemap = pardovane::ReadSitemap(pardovane::Utf8ToUtf16(options->sitemap), options->http,
                                              options->crawl.maxPages);
        if (!sitemap.error.empty())
            return Failed(sitemap.error);
        pagesLeft = sitemap.left;
        pages.emplace(sitemap.pages, options->sitemap);
    } else {
        pages.emplace(options->listFile, options->urls);
    }
    const pardovane::ListInput& list = *pages;
    if (!list.copyError().empty())
        return Failed(list.copyError());
    if (!list.ok()) {
        WriteMessage(std::u16string(pardovane::texts::kListFileOpenError) + u"\n"
                     + pardovane::WithoutPasswords(pardovane::Utf8ToUtf16(list.name())) + u"\n");
        return kExitUnusable;
    }

    // The run is sequential; the fetcher asks ahead of it, as many at once
    // as the jobs allow, and the report is the same bytes at every number.
    pardovane::CheckRun* running = nullptr;  // the run below, which shows in the window
    pardovane::ConsoleWindow window(
        [&running](const std::u16string& url) { return running->DownloadText(url); }, stderr, escapes,
        pardovane::IsTerminal(STDERR_FILENO));
    pardovane::CheckRun run(window, list.path(), *options, std::move(exclusion), folder ? &*folder : nullptr);
    running = &run;
    pardovane::AnswerCache* answers = nullptr;
    if (!options->cacheFile.empty()) {
        answers = &run.KeepAnswers(options->maxCacheAge);
        WriteMessage(pardovane::Utf8ToUtf16(pardovane::LoadAnswerCache(options->cacheFile, *answers)));
    }
    run.record().SetKeep(RecordKept(options->reports));
    const pardovane::CheckEngine& engine = run.engine();
    run.Run();
    window.ClearProgress();

    if (engine.lastRun().listFileFailed)
        return kExitUnusable;

    // The report holds the one document; messages and the summary stay on
    // stderr in every format, so scripts can redirect the two apart.
    for (std::size_t i = 0; i < outputs.size(); ++i)
        if (!WriteReport(options->reports[i].format, engine, engine.record(), list.name(), *outputs[i])
            || !outputs[i]->Finish())
            return WriteFailed(*outputs[i]);
    if (answers != nullptr)
        WriteMessage(pardovane::Utf8ToUtf16(pardovane::SaveAnswerCache(options->cacheFile, *answers)));
    pagesLeft += engine.lastRun().pagesLeft;
    if (pagesLeft > 0)
        WriteMessage(u"pardovane-check: cut at --max-pages " + Decimal(options->crawl.maxPages) + u": "
                     + Decimal(pagesLeft) + u" more pages were left unchecked\n");
    if (options->soft404)
        WriteMessage(u"pardovane-check: " + Decimal(run.fetcher().requests()) + u" requests, "
                     + Decimal(run.fetcher().notFoundRequests())
                     + u" of them for pages that cannot exist (--soft-404)\n");
    WriteMessage(window.statusText() + u"\n");

    const bool anyBad = engine.lastRun().badPages > 0 || engine.state().errorCount > 0;
    const bool warningFails = options->warningsAsErrors && engine.lastRun().warnings > 0;
    return anyBad || warningFails ? kExitBroken : kExitClean;
}

}  // namespace

int main(int argc, char** argv)
{
    pardovane::HoldClosedStandardStreams();
    // A failure of our own is a line and status 2, like any other that
    // stops the run, not an abort; temporary files go with the unwinding.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        return Failed("out of memory");
    } catch (const std::exception& error) {
        return Failed(error.what());
    } catch (...) {
        return Failed("unexpected failure");
    }
}
