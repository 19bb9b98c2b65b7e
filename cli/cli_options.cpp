#include "cli/cli_options.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace pardovane {

const char* const kCliUsage
    = "Usage: pardovane-check [OPTIONS] [LIST | - | URL... | DIR]\n"
      "\n"
      "Checks the links of every page in LIST (a file, a pipe, or - for stdin;\n"
      "one URL a line) or of the URLs given. Without either: HtmlURL.txt beside\n"
      "this program when there and writable, else\n"
      "${XDG_CONFIG_HOME:-~/.config}/pardovane/HtmlURL.txt. A DIR's .html and\n"
      ".htm files are checked without a server, as if DIR were a site's root.\n"
      "\n"
      "Options:\n"
      "  -f, --format FORMAT     text (default), json, junit or markdown\n"
      "  -o, --output FILE       write the report to FILE, replaced only once whole\n"
      "  -j, --jobs N            requests in flight at once, 1 to 256 (default 128)\n"
      "      --exclude REGEX     skip links whose URL matches (RE2; repeatable)\n"
      "      --exclude-file FILE skip what its patterns match (one a line, # notes)\n"
      "      --timeout SECONDS   limit per request (default: 30 probe, 60 page)\n"
      "      --user-agent TEXT   the User-Agent header (default Pardovane/VERSION)\n"
      "  -H, --header 'N: V'     send this request header too (repeatable)\n"
      "      --max-retries N     retries after 429, 503, 408 or a drop (default 2)\n"
      "      --max-per-host N    requests in flight to one host (default 32)\n"
      "      --accept RANGES     good final statuses, as 200-299,403 (default 100-399)\n"
      "      --redirects POLICY  a 301 or 308 on the way is ok (default), warn or error\n"
      "      --warnings-as-errors  a warning makes the exit status 1\n"
      "      --cache FILE        keep good answers of other sites' links across runs\n"
      "      --max-cache-age AGE fresh for seconds, or with s, m, h or d (default 1d)\n"
      "  -k, --insecure          do not verify TLS certificates\n"
      "      --resources         also check what pages load: CSS, scripts, media...\n"
      "      --fragments         a link's #fragment must name an element of its page\n"
      "  -r, --recurse           also check the HTML pages linked on each one's site\n"
      "      --ignore-robots     crawl what the site's robots.txt disallows too\n"
      "      --max-pages N, --max-depth N  most pages (100000), links from a listed one\n"
      "      --sitemap URL       check the pages a sitemap or sitemap index names\n"
      "      --base-url URL      where DIR is published: its links there are files\n"
      "  -h, --help              show this help and exit (-V, --version: the version)\n"
      "\n"
      "Only http(s) links are requested; messages and the summary go to stderr.\n"
      "Exit status: 0 all good; 1 a page or link was bad (or warned, with\n"
      "--warnings-as-errors); 2 unusable list, report or arguments; 128 + the\n"
      "signal after SIGHUP, SIGINT, SIGQUIT or SIGTERM. See man pardovane-check.\n"
      "In CI:  pardovane-check --exclude /login -f junit -o links.xml pages.txt\n";

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
    {"max-retries", required_argument, nullptr, kMaxRetries},
    {"max-per-host", required_argument, nullptr, kMaxPerHost},
    {"accept", required_argument, nullptr, kAccept},
    {"redirects", required_argument, nullptr, kRedirects},
    {"warnings-as-errors", no_argument, nullptr, kWarningsAsErrors},
    {"cache", required_argument, nullptr, kCache},
    {"max-cache-age", required_argument, nullptr, kMaxCacheAge},
    {"resources", no_argument, nullptr, kResources},
    {"fragments", no_argument, nullptr, kFragments},
    {"insecure", no_argument, nullptr, 'k'},
    {"recurse", no_argument, nullptr, 'r'},
    {"ignore-robots", no_argument, nullptr, kIgnoreRobots},
    {"max-pages", required_argument, nullptr, kMaxPages},
    {"max-depth", required_argument, nullptr, kMaxDepth},
    {"sitemap", required_argument, nullptr, kSitemap},
    {"base-url", required_argument, nullptr, kBaseUrl},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// Pages a run may read at most: far beyond what its memory allows a crawl.
constexpr int kMostPages = 10'000'000;

std::optional<int> WholeNumber(std::string_view text, int low, int high)
{
    int value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

// Seconds as a whole or decimal number, to milliseconds; a day at most.
std::optional<long> Milliseconds(std::string_view text)
{
    double seconds = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (failure != std::errc() || end != text.data() + text.size() || !(seconds > 0) || seconds > 86'400)
        return std::nullopt;
    return std::max(1L, std::lround(seconds * 1000));
}

// A number of seconds, or of minutes, hours or days with m, h or d after it;
// a year at most.
std::optional<std::chrono::seconds> Duration(std::string_view text)
{
    long unit = 1;
    if (!text.empty()) {
        const std::string_view units = "smhd";
        const long seconds[] = {1, 60, 60L * 60, 24L * 60 * 60};
        if (const std::size_t at = units.find(text.back()); at != std::string_view::npos) {
            unit = seconds[at];
            text.remove_suffix(1);
        }
    }
    const long year = 366L * 24 * 60 * 60;
    long value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || failure != std::errc() || end != text.data() + text.size() || value < 0
        || value > year / unit)
        return std::nullopt;
    return std::chrono::seconds(value * unit);
}

std::optional<RedirectPolicy> Policy(std::string_view name)
{
    if (name == "ok")
        return RedirectPolicy::Ok;
    if (name == "warn")
        return RedirectPolicy::Warn;
    if (name == "error")
        return RedirectPolicy::Error;
    return std::nullopt;
}

// A header value as it may go out: a line end would start a header of its
// own, and no other control character belongs in one either (tab does).
bool IsHeaderValue(std::string_view text)
{
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t') || byte == 0x7f;
    });
}

bool IsHeader(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon == 0 || colon == std::string_view::npos)
        return false;
    for (char c : text.substr(0, colon))
        if (c <= ' ' || c >= 0x7f)
            return false;
    return IsHeaderValue(text.substr(colon + 1));
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
    return std::nullopt;
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
    case 'j':
        if (const auto jobs = WholeNumber(value, 1, 256)) {
            options.jobs = *jobs;
            return std::nullopt;
        }
        return "--jobs takes a whole number from 1 to 256";
    case kExclude:
        options.excludes.emplace_back(value);
        return std::nullopt;
    case kExcludeFile:
        options.excludeFiles.emplace_back(value);
        return std::nullopt;
    case kTimeout:
        if (const auto ms = Milliseconds(value)) {
            options.http.probeTimeoutMs = *ms;
            options.http.downloadTimeoutMs = *ms;
            options.http.connectTimeoutMs = std::min(options.http.connectTimeoutMs, *ms);
            return std::nullopt;
        }
        return "--timeout takes seconds, more than 0 and at most 86400";
    case kUserAgent:
        if (!IsHeaderValue(value))
            return "--user-agent takes text without control characters";
        options.http.userAgent = value;
        return std::nullopt;
    case 'H':
        if (!IsHeader(value))
            return "--header takes \"Name: value\"";
        options.http.headers.emplace_back(value);
        return std::nullopt;
    case kMaxRetries:
        if (const auto retries = WholeNumber(value, 0, 20)) {
            options.http.maxRetries = *retries;
            return std::nullopt;
        }
        return "--max-retries takes a whole number from 0 to 20";
    case kMaxPerHost:
        if (const auto perHost = WholeNumber(value, 1, 256)) {
            options.http.maxPerHost = *perHost;
            return std::nullopt;
        }
        return "--max-per-host takes a whole number from 1 to 256";
    case kAccept:
        if (auto ranges = StatusRanges::Parse(value)) {
            options.http.verdict.accepted = std::move(*ranges);
            return std::nullopt;
        }
        return "--accept takes statuses and ranges from 100 to 999, such as 200-299,403";
    case kRedirects:
        if (const auto policy = Policy(value)) {
            options.http.verdict.redirects = *policy;
            return std::nullopt;
        }
        return "--redirects takes ok, warn or error";
    case kWarningsAsErrors:
        options.warningsAsErrors = true;
        return std::nullopt;
    case kCache:
        if (value.empty())
            return "--cache needs a file name";
        options.cacheFile = value;
        return std::nullopt;
    case kMaxCacheAge:
        if (const auto age = Duration(value)) {
            options.maxCacheAge = *age;
            return std::nullopt;
        }
        return "--max-cache-age takes seconds, or a number with s, m, h or d, up to a year";
    case 'k':
        options.http.insecure = true;
        return std::nullopt;
    case kResources:
        options.checks.resources = true;
        return std::nullopt;
    case kFragments:
        options.checks.fragments = true;
        return std::nullopt;
    case 'r':
        options.crawl.recurse = true;
        return std::nullopt;
    case kIgnoreRobots:
        options.crawl.obeyRobots = false;
        return std::nullopt;
    case kMaxPages:
        if (const auto pages = WholeNumber(value, 1, kMostPages)) {
            options.crawl.maxPages = static_cast<std::size_t>(*pages);
            return std::nullopt;
        }
        return "--max-pages takes a whole number from 1 to 10000000";
    case kMaxDepth:
        if (const auto depth = WholeNumber(value, 0, kMostPages)) {
            options.crawl.maxDepth = static_cast<std::size_t>(*depth);
            return std::nullopt;
        }
        return "--max-depth takes a whole number from 0 to 10000000";
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
    }
    return "unknown option";
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

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments, std::string& error)
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
        if (auto bad = Apply(option, optarg ? optarg : "", options)) {
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
