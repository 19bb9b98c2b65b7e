#pragma once

#include "engine/content_checks.h"
#include "engine/crawl_settings.h"
#include "engine/http/http_settings.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace pardovane {

enum class OutputFormat { Text, Json, Junit, Markdown };

struct CliOptions {
    std::string listFile;           // empty: the default list; "-": standard input
    std::vector<std::string> urls;  // pages named on the command line instead of a list
    std::string outputFile;         // empty: standard output
    int jobs = 0;                   // 0: the default
    OutputFormat format = OutputFormat::Text;
    std::vector<std::string> excludes;      // patterns, in the order given
    std::vector<std::string> excludeFiles;  // files of patterns
    HttpSettings http;                      // with the accepted statuses and the redirect policy
    bool warningsAsErrors = false;          // a warning fails the run as a broken link does
    ContentChecks checks;                   // --resources, --fragments
    std::string cacheFile;                  // empty: every run asks everything afresh
    std::chrono::seconds maxCacheAge{24 * 60 * 60};
    // Beyond the pages given: a crawl from each, a sitemap's pages as the
    // list, or a local folder's pages (listFile naming a directory) at baseUrl.
    CrawlSettings crawl;
    std::string sitemap;
    std::string baseUrl;
    bool showHelp = false;
    bool showVersion = false;
};

// Parses the arguments after the program name; on a mistake, returns nullopt
// and sets error to a one-line explanation.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments, std::string& error);

extern const char* const kCliUsage;

}  // namespace pardovane
