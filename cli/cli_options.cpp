#include "cli/cli_options.h"

#include "engine/page/local_folder.h"

#include <getopt.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace pardovane {
namespace {

constexpr std::string_view kUsageTop
    = "Usage: pardovane-check [OPTIONS] [LIST | - | URL... | DIR | PAGE]\n"
      "\n"
      "Checks the links of every page in LIST (a file, a pipe, or - for stdin; one\n"
      "URL a line) or of the URLs given; by default HtmlURL.txt beside this program\n"
      "when writable, else ${XDG_CONFIG_HOME:-~/.config}/pardovane/. A DIR's .html,\n"
      ".htm and .md files (one at least), or one such PAGE, are checked at its root.\n"
      "\n"
      "Options:\n";

constexpr std::string_view kUsageBottom
    = "\n"
      "Only http(s) links are requested; messages and the summary go to stderr.\n"
      "Exit status: 0 all good; 1 a page or link was bad (or warned, with\n"
      "--warnings-as-errors); 2 unusable list, report or arguments; 128 + the\n"
      "signal after SIGHUP, SIGINT, SIGQUIT or SIGTERM. See man pardovane-check.\n"
      "In CI:  pardovane-check --exclude /login -f junit -o links.xml pages.txt\n"
      "Defaults for the options: ${XDG_CONFIG_HOME:-~/.config}/pardovane/config.toml\n";

// The command's own options, beside the run's settings (SettingsHelp()).
enum CommandCode { kExcludeFile = 256, kSitemap, kBaseUrl, kRootDir, kConfig, kFirstSetting };

struct CommandOption {
    const char* name;
    int code;                // its letter, or a CommandCode
    std::string_view value;  // what --help calls its value; empty: it takes none
    std::string_view help;   // empty: said on another's line
    bool beforeSettings;     // where --help lists it
};

constexpr CommandOption kCommandOptions[] = {
    {"format", 'f', "FORMAT", "text (default), json, junit, markdown, sarif or github", true},
    {"output", 'o', "[F=]FILE", "the report to FILE once whole; F=FILE: one report more", true},
    {"exclude-file", kExcludeFile, "FILE", "skip the URLs FILE's patterns match, one a line", false},
    {"sitemap", kSitemap, "URL", "check the pages a sitemap or sitemap index names", false},
    {"base-url", kBaseUrl, "URL", "where DIR is published (--root-dir DIR: a page file's)", false},
    {"root-dir", kRootDir, "DIR", "", false},
    {"config", kConfig, "FILE", "settings from FILE instead of the user's config.toml", false},
    {"help", 'h', "", "show this help and exit (-V, --version: the version)", false},
    {"version", 'V', "", "", false},
};

// The settings that have a letter too.
constexpr std::pair<std::string_view, char> kSettingLetters[] = {
    {"jobs", 'j'},
    {"header", 'H'},
    {"insecure", 'k'},
    {"recurse", 'r'},
};

char LetterOf(std::string_view setting)
{
    for (const auto& [name, letter] : kSettingLetters)
        if (name == setting)
            return letter;
    return 0;
}

// getopt_long's tables, made once from the two lists above.
struct OptionTables {
    std::vector<std::string> names;  // what the options' names point into
    std::vector<option> options;     // ends with an empty one
    std::string letters;             // the short options
};

const OptionTables& Tables()
{
    static const OptionTables tables = [] {
        OptionTables made;
        std::vector<std::pair<int, bool>> codes;  // with whether it takes a value
        for (const CommandOption& command : kCommandOptions) {
            made.names.emplace_back(command.name);
            codes.emplace_back(command.code, !command.value.empty());
        }
        const std::vector<SettingHelp> settings = SettingsHelp();
        for (std::size_t i = 0; i < settings.size(); ++i) {
            const char letter = LetterOf(settings[i].name);
            made.names.emplace_back(settings[i].name);
            codes.emplace_back(letter != 0 ? letter : kFirstSetting + static_cast<int>(i),
                               settings[i].type != SettingType::Flag);
        }
        made.letters = ":";  // a missing value is ':', apart from an unknown option
        for (std::size_t i = 0; i < codes.size(); ++i) {
            const auto [code, takesValue] = codes[i];
            made.options.push_back(
                {made.names[i].c_str(), takesValue ? required_argument : no_argument, nullptr, code});
            if (code < kExcludeFile)
                made.letters += std::string(1, static_cast<char>(code)) + (takesValue ? ":" : "");
        }
        made.options.push_back({nullptr, 0, nullptr, 0});
        return made;
    }();
    return tables;
}

// One option's line (or two) in --help: its names, then from a fixed
// column what it does and its default.
void AppendUsageLine(std::string& text, char letter, std::string_view name, std::string_view value,
                     std::string_view help, const std::string& shownDefault)
{
    constexpr std::size_t kHelpColumn = 26;
    std::string line = letter != 0 ? std::string("  -") + letter + ", --" : std::string("      --");
    line += name;
    if (!value.empty())
        line += " " + std::string(value);
    line.append(line.size() + 2 <= kHelpColumn ? kHelpColumn - line.size() : 2, ' ');
    for (const char c : help)
        line += c == '\n' ? "\n" + std::string(kHelpColumn, ' ') : std::string(1, c);
    if (!shownDefault.empty())
        line += " (default " + shownDefault + ")";
    text += line + "\n";
}

void AppendCommandLines(std::string& text, bool beforeSettings)
{
    for (const CommandOption& command : kCommandOptions)
        if (command.beforeSettings == beforeSettings && !command.help.empty())
            AppendUsageLine(text, command.code < kExcludeFile ? static_cast<char>(command.code) : '\0',
                            command.name, command.value, command.help, {});
}

std::optional<OutputFormat> Format(std::string_view name)
{
    if (name == "text")
        return OutputFormat::Text;
    if (name == "json")
        return OutputFormat::Json;
    if (name == "junit")
        return OutputFormat::Junit;
    if (name == "markdown")
        return OutputFormat::Markdown;
    if (name == "sarif")
        return OutputFormat::Sarif;
    if (name == "github")
        return OutputFormat::Github;
    return std::nullopt;
}

// "--output FORMAT=FILE" when value starts with a format's name and "=";
// "-" is standard output.
std::optional<ReportRequest> FormatAndFile(std::string_view value)
{
    const std::size_t equals = value.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    const auto format = Format(value.substr(0, equals));
    if (!format)
        return std::nullopt;
    const std::string_view file = value.substr(equals + 1);
    return ReportRequest{*format, file == "-" ? std::string() : std::string(file)};
}

// The reports in the order given, each to a place of its own.
std::optional<std::string> SortReports(std::vector<ReportRequest> more, bool plainGiven, CliOptions& options)
{
    options.reports.clear();
    if (plainGiven || more.empty())
        options.reports.push_back({options.format, options.outputFile});
    options.reports.insert(options.reports.end(), more.begin(), more.end());
    std::set<std::string> places;
    for (const ReportRequest& report : options.reports)
        if (!places.insert(report.file).second)
            return report.file.empty() ? "only one report can go to standard output"
                                       : "two reports cannot both go to " + report.file;
    return std::nullopt;
}

// The long name of an option, as the settings know it.
std::string_view LongName(int code)
{
    for (const option& known : Tables().options)
        if (known.name != nullptr && known.val == code)
            return known.name;
    return {};
}

// Applies one option with its value; on a bad value returns the error line.
std::optional<std::string> Apply(int option, std::string_view value, CliOptions& options)
{
    switch (option) {
    case 'f':
        if (const auto format = Format(value)) {
            options.format = *format;
            return std::nullopt;
        }
        return "--format takes text, json, junit, markdown, sarif or github";
    case 'o':
        if (value.empty())
            return "--output needs a file name";
        options.outputFile = value;
        return std::nullopt;
    case kExcludeFile:
        options.excludeFiles.emplace_back(value);
        return std::nullopt;
    case kConfig:
        if (value.empty())
            return "--config needs a file name";
        options.configFile = value;
        return std::nullopt;
    case kSitemap:
        if (value.find("://") == std::string_view::npos)
            return "--sitemap takes a URL";
        options.sitemap = value;
        return std::nullopt;
    case kBaseUrl:
        if (value.find("://") == std::string_view::npos)
            return "--base-url takes a URL";
        options.baseUrl = value;
        return std::nullopt;
    case kRootDir:
        if (std::error_code notFolder; !std::filesystem::is_directory(std::string(value), notFolder))
            return "--root-dir takes a folder";
        options.rootDir = value;
        return std::nullopt;
    case 'h':
        options.showHelp = true;
        return std::nullopt;
    case 'V':
        options.showVersion = true;
        return std::nullopt;
    default:
        break;
    }
    // The rest are the run's settings, which the configuration file has too.
    const std::string_view name = LongName(option);
    if (auto problem = ApplySetting(name, value, options))
        return "--" + std::string(name) + " " + *problem;
    return std::nullopt;
}

// The option getopt_long stopped at, as the user wrote it: a long option
// without its value, or the one letter of a short one.
std::string Offending(const char* argument, int letter)
{
    const std::string_view text(argument ? argument : "");
    if (text.starts_with("--"))
        return std::string(text.substr(0, text.find('=')));
    return letter > 0 ? std::string("-") + static_cast<char>(letter) : std::string(text);
}

std::optional<std::string> SortOperands(const std::vector<std::string>& operands, CliOptions& options)
{
    bool listGiven = false;
    for (const std::string& operand : operands) {
        if (operand.find("://") != std::string::npos) {
            options.urls.push_back(operand);
        } else if (listGiven) {
            return "only one list file may be given";
        } else {
            options.listFile = operand;
            listGiven = true;
        }
    }
    if (listGiven && !options.urls.empty())
        return "give either a list file or URLs, not both";
    if (!options.sitemap.empty() && (listGiven || !options.urls.empty()))
        return "give either --sitemap or a list, not both";
    std::error_code notFolder;
    options.listIsFolder = listGiven && std::filesystem::is_directory(options.listFile, notFolder);
    // A page is read as what its name says; any other file is a list.
    const std::filesystem::path named(options.listFile);
    options.listIsPage = listGiven && !options.listIsFolder && options.listFile != "-"
        && (LocalFolder::IsPageFile(named) || LocalFolder::IsMarkdownFile(named));
    if (!options.baseUrl.empty() && !options.listIsFolder && !options.listIsPage)
        return "--base-url goes with a folder or a page file to check";
    if (!options.rootDir.empty() && !options.listIsPage)
        return "--root-dir goes with a page file to check";
    return std::nullopt;
}

}  // namespace

std::string CliUsage()
{
    std::string text(kUsageTop);
    AppendCommandLines(text, true);
    for (const SettingHelp& setting : SettingsHelp())
        if (!setting.help.empty())
            AppendUsageLine(text, LetterOf(setting.name), setting.name, setting.value, setting.help,
                            setting.shownDefault);
    AppendCommandLines(text, false);
    return text += kUsageBottom;
}

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments, std::string& error,
                                          const RunSettings& base)
{
    // getopt_long wants writable C strings and permutes them; give it copies.
    std::vector<std::string> storage{"pardovane-check"};
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(storage.size() + 1);
    for (std::string& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(storage.size());

    CliOptions options;
    static_cast<RunSettings&>(options) = base;
    const OptionTables& tables = Tables();
    // The first item of a list setting given replaces the file's list.
    std::set<int> listsGiven;
    // "--output FORMAT=FILE" adds a report; -f and -o make the one they name.
    std::vector<ReportRequest> moreReports;
    bool plainReportGiven = false;
    optind = 0;  // glibc: start afresh, so the parser can run more than once
    opterr = 0;
    for (;;) {
        const int previous = optind;
        const int option
            = getopt_long(argc, argv.data(), tables.letters.c_str(), tables.options.data(), nullptr);
        if (option == -1)
            break;
        // A short option's letter sits in the argument before optind only
        // once its cluster is done; the one it started in is previous.
        const char* where = argv[optind > previous ? optind - 1 : previous];
        if (option == '?') {
            const std::string name = Offending(where, optopt);
            // A known long option given a value it does not take keeps its letter.
            const bool takesNoValue = name.starts_with("--") && optopt != 0;
            error = takesNoValue ? "option '" + name + "' takes no value" : "unknown option '" + name + "'";
            return std::nullopt;
        }
        if (option == ':') {
            error = "option '" + Offending(where, optopt) + "' needs a value";
            return std::nullopt;
        }
        const std::string_view name = LongName(option);
        const auto type = TypeOfSetting(name);
        const bool list = type == SettingType::TextList || type == SettingType::OriginHeader;
        if (list && listsGiven.insert(option).second)
            ClearListSetting(name, options);
        std::string value = optarg ? optarg : "";
        // An origin's header is the argument after the origin.
        if (type == SettingType::OriginHeader) {
            if (optind >= argc) {
                error = "option '--" + std::string(name) + "' needs an origin and a header";
                return std::nullopt;
            }
            value += ' ';
            value += argv[optind++];
        }
        if (option == 'o') {
            if (auto report = FormatAndFile(value)) {
                if (value.ends_with('=')) {
                    error = "--output " + value + " needs a file name";
                    return std::nullopt;
                }
                moreReports.push_back(std::move(*report));
                continue;
            }
        }
        plainReportGiven = plainReportGiven || option == 'f' || option == 'o';
        if (auto bad = Apply(option, value, options)) {
            error = std::move(*bad);
            return std::nullopt;
        }
    }
    const std::vector<std::string> operands(argv.begin() + optind, argv.end() - 1);
    if (auto bad = SortOperands(operands, options)) {
        error = std::move(*bad);
        return std::nullopt;
    }
    if (auto bad = SortReports(std::move(moreReports), plainReportGiven, options)) {
        error = std::move(*bad);
        return std::nullopt;
    }
    return options;
}

}  // namespace pardovane
