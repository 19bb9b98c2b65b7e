#pragma once

#include "engine/settings/run_settings.h"

#include <optional>
#include <string>
#include <vector>

namespace pardovane {

enum class OutputFormat { Text, Json, Junit, Markdown, Sarif, Github };

// One report to write: a format and where (empty: standard output).
struct ReportRequest {
    OutputFormat format = OutputFormat::Text;
    std::string file;
};

// The command's options: the settings of the run (RunSettings) and what
// only a command has.
struct CliOptions : RunSettings {
    std::string listFile;           // empty: the default list; "-": standard input
    std::vector<std::string> urls;  // pages named on the command line instead of a list
    std::string outputFile;         // empty: standard output
    OutputFormat format = OutputFormat::Text;
    // Every report the run writes, each to its own place: the one of -f and
    // -o (text on standard output unless either is given), unless only
    // "--output FORMAT=FILE" is, then those, in order.
    std::vector<ReportRequest> reports;
    std::vector<std::string> excludeFiles;  // files of patterns
    std::string configFile;                 // empty: the user's, when there is one
    // Beyond the pages given: a sitemap's pages as the list, or a local
    // folder's pages (listFile naming a directory) at baseUrl.
    std::string sitemap;
    bool listIsFolder = false;
    // listFile is one page of a local folder (an .html, .htm, .md or
    // .markdown file): rootDir, else the file's own directory, at baseUrl.
    bool listIsPage = false;
    std::string rootDir;
    std::string baseUrl;  // only with a folder or a page
    bool showHelp = false;
    bool showVersion = false;
};

// Parses the arguments after the program name over base, the settings from
// the configuration file: an option replaces the file's value, and a
// repeatable one (--header, --exclude) the file's list. On a mistake,
// returns nullopt and sets error to a one-line explanation.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments, std::string& error,
                                          const RunSettings& base = {});

// What --help shows: every option, each setting with its default.
std::string CliUsage();

}  // namespace pardovane
