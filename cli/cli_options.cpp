#include "cli/cli_options.h"

#include <getopt.h>

#include <utility>

namespace pardovane {

const char* const kCliUsage
    = "Usage: pardovane-check [OPTIONS] [LIST | - | URL... | DIR]\n"
      "\n"
      "Checks the links of every page in LIST (a file, a pipe, or - for stdin; one\n"
      "URL a line) or of the URLs given. The default LIST is HtmlURL.txt beside\n"
      "this program when writable, else ${XDG_CONFIG_HOME:-~/.config}/pardovane/.\n"
      "A DIR's .html and .htm files (at least one) are checked as at a site's root.\n"
      "\n"
      "Options:\n"
      "  -f, --format FORMAT     text (default), json, junit or markdown\n"
      "  -o, --output FILE       write the report to FILE, replaced only once whole\n"
      "  -j, --jobs N            requests in flight at once, 1 to 256 (default 128)\n"
      "      --exclude REGEX, --exclude-file FILE  skip matching URLs (RE2; repeatable)\n"
      "      --timeout SECONDS   limit per request (default: 30 probe, 60 page)\n"
      "      --user-agent TEXT   the User-Agent header (default Pardovane/VERSION)\n"
      "  -H, --header 'N: V'     send this header too (repeatable); Authorization,\n"
      "                          Cookie and the like go to the list's origins alone\n"
      "      --header-for ORIGIN 'N: V'  send a header to ORIGIN alone (repeatable)\n"
      "      --credential-header NAME    NAME carries credentials too (repeatable)\n"
      "      --max-retries N     retries after 429, 503, 408 or a drop (default 2)\n"
      "      --max-per-host N    requests in flight to one host (default 32)\n"
      "      --accept RANGES     good final statuses, as 200-299,403 (default 100-399)\n"
      "      --redirects POLICY  a 301 or 308 on the way is ok (default), warn or error\n"
      "      --warnings-as-errors  a warning, as a bot wall (999, challenge), exits 1\n"
      "      --cache FILE        keep good answers of other sites' links across runs\n"
      "      --max-cache-age AGE fresh for seconds, or with s, m, h or d (default 1d)\n"
      "  -k, --insecure          do not verify TLS certificates\n"
      "      --resources         also check what pages load: CSS, scripts, media...\n"
      "      --fragments         a link's #fragment must name an element of its page\n"
      "      --soft-404          a 2xx like its host's answer to a made-up path is broken\n"
      "  -r, --recurse           also check the HTML pages linked on each one's site\n"
      "      --ignore-robots     crawl what the site's robots.txt disallows too\n"
      "      --max-pages N, --max-depth N  most pages (100000), links from a listed one\n"
      "      --sitemap URL       check the pages a sitemap or sitemap index names\n"
      "      --base-url URL      where DIR is published: its links there are files\n"
      "      --config FILE       settings from FILE instead of the user's config.toml\n"
      "  -h, --help              show this help and exit (-V, --version: the version)\n"
      "\n"
      "Only http(s) links are requested; messages and the summary go to stderr.\n"
      "Exit status: 0 all good; 1 a page or link was bad (or warned, with\n"
      "--warnings-as-errors); 2 unusable list, report or arguments; 128 + the\n"
      "signal after SIGHUP, SIGINT, SIGQUIT or SIGTERM. See man pardovane-check.\n"
      "In CI:  pardovane-check --exclude /login -f junit -o links.xml pages.txt\n"
      "Defaults for the options: ${XDG_CONFIG_HOME:-~/.config}/pardovane/config.toml\n";

namespace {

enum LongOnly {
    kExclude = 256,
    kExcludeFile,
    kTimeout,
    kUserAgent,
    kMaxRetries,
    kMaxPerHost,
    kIgnoreRobots,
    kMaxPages,
    kMaxDepth,
    kSitemap,
    kBaseUrl,
    kAccept,
    kRedirects,
    kWarningsAsErrors,
    kCache,
    kMaxCacheAge,
    kResources,
    kFragments,
    kSoft404,
    kConfig,
    kHeaderFor,
    kCredentialHeader,
};

constexpr const char* kShortOptions = ":f:o:j:H:krhV";
constexpr option kLongOptions[] = {
    {"format", required_argument, nullptr, 'f'},
    {"output", required_argument, nullptr, 'o'},
    {"jobs", required_argument, nullptr, 'j'},
    {"exclude", required_argument, nullptr, kExclude},
    {"exclude-file", required_argument, nullptr, kExcludeFile},
    {"timeout", required_argument, nullptr, kTimeout},
    {"user-agent", required_argument, nullptr, kUserAgent},
    {"header", required_argument, nullptr, 'H'},
    {"header-for", required_argument, nullptr, kHeaderFor},
    {"credential-header", required_argument, nullptr, kCredentialHeader},
    {"max-retries", required_argument, nullptr, kMaxRetries},
    {"max-per-host", required_argument, nullptr, kMaxPerHost},
    {"accept", required_argument, nullptr, kAccept},
    {"redirects", required_argument, nullptr, kRedirects},
    {"warnings-as-errors", no_argument, nullptr, kWarningsAsErrors},
    {"cache", required_argument, nullptr, kCache},
    {"max-cache-age", required_argument, nullptr, kMaxCacheAge},
    {"resources", no_argument, nullptr, kResources},
    {"fragments", no_argument, nullptr, kFragments},
    {"soft-404", no_argument, nullptr, kSoft404},
    {"insecure", no_argument, nullptr, 'k'},
    {"recurse", no_argument, nullptr, 'r'},
    {"ignore-robots", no_argument, nullptr, kIgnoreRobots},
    {"max-pages", required_argument, nullptr, kMaxPages},
    {"max-depth", required_argument, nullptr, kMaxDepth},
    {"sitemap", required_argument, nullptr, kSitemap},
    {"base-url", required_argument, nullptr, kBaseUrl},
    {"config", required_argument, nullptr, kConfig},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

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
    return std::nullopt;
}

// The long name of an option, as the settings know it.
std::string_view LongName(int code)
{
    for (const option& known : kLongOptions)
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
        return "--format takes text, json, junit or markdown";
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
    if (!options.baseUrl.empty() && !listGiven)
        return "--base-url goes with a folder to check";
    return std::nullopt;
}

}  // namespace

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
    // The first --header, --header-for, --credential-header or --exclude
    // given replaces the file's list.
    bool headersGiven = false;
    bool originHeadersGiven = false;
    bool credentialHeadersGiven = false;
    bool excludesGiven = false;
    optind = 0;  // glibc: start afresh, so the parser can run more than once
    opterr = 0;
    for (;;) {
        const int previous = optind;
        const int option = getopt_long(argc, argv.data(), kShortOptions, kLongOptions, nullptr);
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
        if (option == 'H' && !std::exchange(headersGiven, true))
            options.http.headers.clear();
        if (option == kHeaderFor && !std::exchange(originHeadersGiven, true))
            options.http.originHeaders.clear();
        if (option == kCredentialHeader && !std::exchange(credentialHeadersGiven, true))
            options.http.credentialHeaders.clear();
        if (option == kExclude && !std::exchange(excludesGiven, true))
            options.excludes.clear();
        std::string value = optarg ? optarg : "";
        // --header-for takes the header as the argument after the origin.
        if (option == kHeaderFor) {
            if (optind >= argc) {
                error = "option '--header-for' needs an origin and a header";
                return std::nullopt;
            }
            value += ' ';
            value += argv[optind++];
        }
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
    return options;
}

}  // namespace pardovane
