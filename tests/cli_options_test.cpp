#include "cli/cli_options.h"
#include "engine/settings/config_file.h"
#include "tests/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pardovane {
namespace {

// The options that differ from the defaults, in a fixed order.
std::string Describe(const CliOptions& options)
{
    std::string text;
    const auto add = [&](const std::string& item) { text += (text.empty() ? "" : " ") + item; };
    const HttpSettings defaults;
    const HttpSettings& http = options.http;
    const char* const formats[] = {"text", "json", "junit", "markdown", "sarif", "github"};
    if (!options.listFile.empty())
        add("list=" + options.listFile);
    for (const std::string& url : options.urls)
        add("url=" + url);
    if (!options.outputFile.empty())
        add("output=" + options.outputFile);
    if (options.jobs != RunSettings().jobs)
        add("jobs=" + std::to_string(options.jobs));
    if (options.format != OutputFormat::Text)
        add(std::string("format=") + formats[static_cast<int>(options.format)]);
    if (options.reports.size() != 1 || options.reports[0].format != options.format
        || options.reports[0].file != options.outputFile) {
        std::string reports;
        for (const ReportRequest& report : options.reports)
            reports += (reports.empty() ? "" : ",") + std::string(formats[static_cast<int>(report.format)])
                + ":" + (report.file.empty() ? "-" : report.file);
        add("reports=" + reports);
    }
    for (const std::string& pattern : options.excludes)
        add("exclude=" + pattern);
    for (const std::string& file : options.excludeFiles)
        add("exclude-file=" + file);
    if (http.connectTimeoutMs != defaults.connectTimeoutMs || http.probeTimeoutMs != defaults.probeTimeoutMs
        || http.downloadTimeoutMs != defaults.downloadTimeoutMs)
        add("ms=" + std::to_string(http.connectTimeoutMs) + "/" + std::to_string(http.probeTimeoutMs) + "/"
            + std::to_string(http.downloadTimeoutMs));
    if (!http.userAgent.empty())
        add("agent=" + http.userAgent);
    for (const std::string& header : http.headers)
        add("header=" + header);
    for (const OriginHeader& header : http.originHeaders)
        add("header-for=" + header.origin + " " + header.header);
    for (const std::string& name : http.credentialHeaders)
        add("credential=" + name);
    if (http.maxRetries != defaults.maxRetries)
        add("retries=" + std::to_string(http.maxRetries));
    if (http.maxPerHost != defaults.maxPerHost)
        add("per-host=" + std::to_string(http.maxPerHost));
    if (http.insecure)
        add("insecure");
    const CrawlSettings crawl;
    if (options.crawl.recurse)
        add("recurse");
    if (options.soft404)
        add("soft-404");
    if (!options.crawl.obeyRobots)
        add("ignore-robots");
    if (options.crawl.maxPages != crawl.maxPages)
        add("pages=" + std::to_string(options.crawl.maxPages));
    if (options.crawl.maxDepth != crawl.maxDepth)
        add("depth=" + std::to_string(options.crawl.maxDepth));
    if (!options.sitemap.empty())
        add("sitemap=" + options.sitemap);
    if (options.listIsFolder)
        add("folder");
    if (options.listIsPage)
        add("page");
    if (!options.rootDir.empty())
        add("root=" + options.rootDir);
    if (options.checks.slugs != ContentChecks().slugs)
        add("gitlab-slugs");
    if (!options.baseUrl.empty())
        add("base=" + options.baseUrl);
    if (http.verdict.accepted.ToString() != defaults.verdict.accepted.ToString())
        add("accept=" + http.verdict.accepted.ToString());
    if (http.verdict.redirects != RedirectPolicy::Ok)
        add(http.verdict.redirects == RedirectPolicy::Warn ? "redirects=warn" : "redirects=error");
    if (options.warningsAsErrors)
        add("warnings-as-errors");
    if (!options.cacheFile.empty())
        add("cache=" + options.cacheFile);
    if (options.maxCacheAge != CliOptions().maxCacheAge)
        add("max-age=" + std::to_string(options.maxCacheAge.count()));
    if (options.showHelp)
        add("help");
    if (options.showVersion)
        add("version");
    return text;
}

struct ParseCase {
    std::vector<std::string> arguments;
    std::string expected;  // Describe() of the options, or "error: " and the line
};

const ParseCase kCases[] = {
    {{}, ""},
    {{"list.txt"}, "list=list.txt"},
    {{"-"}, "list=-"},
    {{"-j4", "list.txt"}, "list=list.txt jobs=4"},
    {{"list.txt", "-j", "4"}, "list=list.txt jobs=4"},
    {{"--jobs", "4"}, "jobs=4"},
    {{"--jobs=4"}, "jobs=4"},
    {{"-kj2"}, "jobs=2 insecure"},
    {{"--", "-j4"}, "list=-j4"},
    {{"https://a.example/", "http://b.example/x"}, "url=https://a.example/ url=http://b.example/x"},
    {{"-f", "markdown", "-o", "out.md"}, "output=out.md format=markdown"},
    {{"--format=junit", "--output=r.xml"}, "output=r.xml format=junit"},
    {{"-o", "sarif=a.sarif", "--output=github=-"}, "reports=sarif:a.sarif,github:-"},
    {{"-f", "json", "-o", "junit=r.xml"}, "format=json reports=json:-,junit:r.xml"},
    {{"-o", "j.json", "-o", "json=k.json"}, "output=j.json reports=text:j.json,json:k.json"},
    {{"-o", "html=x"}, "output=html=x"},
    {{"--exclude", "a", "--exclude=b", "--exclude-file", "f"}, "exclude=a exclude=b exclude-file=f"},
    {{"--timeout", "20"}, "ms=10000/20000/20000"},
    {{"--timeout=0.5"}, "ms=500/500/500"},
    {{"--user-agent", "Bot/1", "-H", "X-A: 1", "--header=Cookie: a=b"},
     "agent=Bot/1 header=X-A: 1 header=Cookie: a=b"},
    {{"--max-retries", "0", "--max-per-host", "2"}, "retries=0 per-host=2"},
    {{"-j256", "--max-retries", "20", "--max-per-host", "256"}, "jobs=256 retries=20 per-host=256"},
    {{"--user-agent", "A\tB"}, "agent=A\tB"},
    {{"-h"}, "help"},
    {{"--version"}, "version"},
    {{"-x"}, "error: unknown option '-x'"},
    {{"-kx"}, "error: unknown option '-x'"},
    {{"--nope=1"}, "error: unknown option '--nope'"},
    {{"--help=1"}, "error: option '--help' takes no value"},
    {{"--jobs"}, "error: option '--jobs' needs a value"},
    {{"-j"}, "error: option '-j' needs a value"},
    {{"-j0"}, "error: --jobs takes a whole number from 1 to 256"},
    {{"-j257"}, "error: --jobs takes a whole number from 1 to 256"},
    {{"-j", "4x"}, "error: --jobs takes a whole number from 1 to 256"},
    {{"-f", "xml"}, "error: --format takes text, json, junit, markdown, sarif or github"},
    {{"-o", "json=a", "-o", "junit=a"}, "error: two reports cannot both go to a"},
    {{"-o", "sarif=-", "-f", "json"}, "error: only one report can go to standard output"},
    {{"-o", "json="}, "error: --output json= needs a file name"},
    {{"-o", ""}, "error: --output needs a file name"},
    {{"--timeout", "0"}, "error: --timeout takes seconds, more than 0 and at most 86400"},
    {{"--timeout", "soon"}, "error: --timeout takes seconds, more than 0 and at most 86400"},
    {{"-H", "NoColon"}, "error: --header takes \"Name: value\""},
    {{"-H", ": value"}, "error: --header takes \"Name: value\""},
    {{"-H", "X-A: 1\x01"}, "error: --header takes \"Name: value\""},
    {{"--header-for", "HTTPS://Api.Example.org/", "X-Key: k", "list", "--credential-header", "X-Key"},
     "list=list header-for=https://api.example.org:443 X-Key: k credential=X-Key"},
    {{"--header-for", "http://[::1]:8080", "A: b"}, "header-for=http://[::1]:8080 A: b"},
    {{"--header-for", "https://example.org/docs", "A: b"},
     "error: --header-for takes an origin, such as https://example.org, and \"Name: value\""},
    {{"--header-for", "https://u@example.org", "A: b"},
     "error: --header-for takes an origin, such as https://example.org, and \"Name: value\""},
    {{"--header-for", "https://example.org", "A"},
     "error: --header-for takes \"Name: value\" after the origin"},
    {{"--header-for", "https://example.org"}, "error: option '--header-for' needs an origin and a header"},
    {{"--credential-header", "X Key"}, "error: --credential-header takes a header name"},
    {{"--user-agent", "UA\r\nX-Injected: 1"}, "error: --user-agent takes text without control characters"},
    {{"--user-agent=UA\x1b"}, "error: --user-agent takes text without control characters"},
    {{"--max-retries", "21"}, "error: --max-retries takes a whole number from 0 to 20"},
    {{"--max-per-host", "0"}, "error: --max-per-host takes a whole number from 1 to 256"},
    {{"--max-per-host", "257"}, "error: --max-per-host takes a whole number from 1 to 256"},
    {{"--accept", "200-299,403"}, "accept=200-299,403"},
    {{"--accept", "200-"}, "error: --accept takes statuses and ranges from 100 to 999, such as 200-299,403"},
    {{"--redirects", "warn", "--warnings-as-errors"}, "redirects=warn warnings-as-errors"},
    {{"--redirects", "ignore"}, "error: --redirects takes ok, warn or error"},
    {{"--cache", "c.tsv", "--max-cache-age", "12h"}, "cache=c.tsv max-age=43200"},
    {{"--max-cache-age=0"}, "max-age=0"},
    {{"--max-cache-age=1w"},
     "error: --max-cache-age takes seconds, or a number with s, m, h or d, up to a year"},
    {{"--cache="}, "error: --cache needs a file name"},
    {{"a.txt", "b.txt"}, "error: only one list file may be given"},
    {{"a.txt", "http://x.example/"}, "error: give either a list file or URLs, not both"},
    {{"-r", "--ignore-robots", "--max-pages=5", "--max-depth", "0", "http://x.example/"},
     "url=http://x.example/ recurse ignore-robots pages=5 depth=0"},
    {{"--sitemap", "https://x.example/sitemap.xml"}, "sitemap=https://x.example/sitemap.xml"},
    {{"--soft-404"}, "soft-404"},
    {{"--soft-404=yes"}, "error: option '--soft-404' takes no value"},
    {{"--base-url", "https://x.example/", "."}, "list=. folder base=https://x.example/"},
    {{"--base-url", "https://x.example/", "list.txt"},
     "error: --base-url goes with a folder or a page file to check"},
    {{"--max-pages", "0"}, "error: --max-pages takes a whole number from 1 to 10000000"},
    {{"--max-depth", "-1"}, "error: --max-depth takes a whole number from 0 to 10000000"},
    {{"--sitemap", "sitemap.xml"}, "error: --sitemap takes a URL"},
    {{"--sitemap", "https://x.example/s.xml", "a.txt"}, "error: give either --sitemap or a list, not both"},
    {{"--base-url", "https://x.example/"}, "error: --base-url goes with a folder or a page file to check"},
    {{"--root-dir", ".", "docs/README.md"}, "list=docs/README.md page root=."},
    {{"--root-dir", ".", "list.txt"}, "error: --root-dir goes with a page file to check"},
    {{"--root-dir", "no-such-folder", "a.md"}, "error: --root-dir takes a folder"},
    {{"--slugs", "gitlab", "index.HTM"}, "list=index.HTM page gitlab-slugs"},
    {{"--slugs", "kramdown"}, "error: --slugs takes github or gitlab"},
};

TEST(CliOptionsParser, GoodAndBadCommandLines)
{
    for (const ParseCase& c : kCases) {
        std::string arguments;
        for (const std::string& argument : c.arguments)
            arguments += "[" + argument + "]";
        SCOPED_TRACE(arguments);
        std::string error;
        const auto options = ParseCliOptions(c.arguments, error);
        EXPECT_EQ(options ? Describe(*options) : "error: " + error, c.expected);
    }
}

struct ConfigCase {
    std::string file;  // config.toml's text
    std::vector<std::string> arguments;
    std::string expected;  // as kCases, with FILE for the file's path
};

const ConfigCase kConfigCases[] = {
    {"jobs = 4\ntimeout = 2.5\nheader = [\"X-A: 1\", \"X-B: 2\"]\nrecurse = true\nignore-robots = false\n"
     "max-cache-age = \"2h\"\nexclude = [\"/login\"]\n",
     {},
     "jobs=4 exclude=/login ms=2500/2500/2500 header=X-A: 1 header=X-B: 2 recurse max-age=7200"},
    // Options win, and a repeatable one replaces the file's list.
    {"soft-404 = true\n", {}, "soft-404"},
    {"jobs = 4\nheader = [\"X-A: 1\"]\naccept = \"200-299\"\n",
     {"-j8", "-H", "X-C: 3"},
     "jobs=8 header=X-C: 3 accept=200-299"},
    {"jobs = 4\n[nope]\n", {}, "error: FILE:2: unknown key 'nope'"},
    {"\njobs = \"4\"\n", {}, "error: FILE:2: jobs must be a whole number"},
    {"recurse = true\n\naccept = \"200-\"\n",
     {},
     "error: FILE:3: accept takes statuses and ranges from 100 to 999, such as 200-299,403"},
    {"header = [\"X-A: 1\",\n  \"X-B\"]\n", {}, "error: FILE:2: header takes \"Name: value\""},
    {"credential-header = [\"X-Key\"]\n[header-for]\n\"http://a.example\" = \"X-Key: 1\"\n"
     "\"https://b.example\" = [\"X-Key: 2\", \"X-C: 3\"]\n",
     {},
     "header-for=http://a.example:80 X-Key: 1 header-for=https://b.example:443 X-Key: 2 "
     "header-for=https://b.example:443 X-C: 3 credential=X-Key"},
    {"[header-for]\n\"https://a.example\" = \"X-A: 1\"\n",
     {"--header-for", "https://b.example", "X-B: 2"},
     "header-for=https://b.example:443 X-B: 2"},
    {"header-for = [\"X-A: 1\"]\n",
     {},
     "error: FILE:1: header-for must be a table of origins, each with a header or an array of headers"},
    {"[header-for]\n\"a.example\" = \"X-A: 1\"\n",
     {},
     "error: FILE:2: header-for takes an origin, such as https://example.org, and \"Name: value\""},
};

TEST(CliOptionsParser, ConfigFileUnderTheOptions)
{
    const test::TempDir dir;
    for (const ConfigCase& c : kConfigCases) {
        SCOPED_TRACE(c.file);
        const auto file = dir.Write("config.toml", c.file);
        RunSettings fromFile;
        std::string error;
        std::optional<CliOptions> options;
        if (auto problem = ReadConfigFile(file, fromFile))
            error = *problem;
        else
            options = ParseCliOptions(c.arguments, error, fromFile);
        std::string expected = c.expected;
        if (const auto at = expected.find("FILE"); at != std::string::npos)
            expected.replace(at, 4, file.string());
        EXPECT_EQ(options ? Describe(*options) : "error: " + error, expected);
    }
}

}  // namespace
}  // namespace pardovane
