#include "engine/settings/run_settings.h"

#include "engine/http/http_settings.h"
#include "engine/http/status_ranges.h"
#include "engine/settings/setting_values.h"
#include "engine/settings/url_exclusion.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

namespace pardovane {
namespace {

using Problem = std::optional<std::string>;

// Pages a run may read at most: far beyond what its memory allows a crawl.
constexpr int kMostPages = 10'000'000;

// A number setting: the value within its range, stored by store.
template <typename Store>
Problem Number(std::string_view text, int low, int high, Store store)
{
    if (const auto value = WholeNumber(text, low, high)) {
        store(*value);
        return std::nullopt;
    }
    return "takes a whole number from " + std::to_string(low) + " to " + std::to_string(high);
}

struct Setting {
    std::string_view name;
    SettingType type;
    std::string_view value = {};  // as SettingHelp
    std::string_view help;
    // For a flag, value is "true" or "false".
    Problem (*apply)(std::string_view value, RunSettings& settings);
    // The default as --help says it; null: none worth saying.
    std::string (*shown)(const RunSettings& defaults) = nullptr;
    void (*clear)(RunSettings& settings) = nullptr;  // a list setting's
};

// Every setting of a run, by the name of its long option, in --help's order.
constexpr Setting kSettings[] = {
    {.name = "jobs",
     .type = SettingType::WholeNumber,
     .value = "N",
     .help = "requests in flight at once, 1 to 256",
     .apply = [](std::string_view value,
                 RunSettings& s) { return Number(value, 1, 256, [&s](int jobs) { s.jobs = jobs; }); },
     .shown = [](const RunSettings& s) { return std::to_string(s.jobs); }},
    {.name = "exclude",
     .type = SettingType::TextList,
     .value = "REGEX",
     .help = "skip the URLs it matches (RE2; repeatable)",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         std::string pattern(value);
         if (auto problem = UrlExclusion::Problem(pattern))
             return problem;
         s.excludes.push_back(std::move(pattern));
         return std::nullopt;
     },
     .clear = [](RunSettings& s) { s.excludes.clear(); }},
    {.name = "timeout",
     .type = SettingType::Seconds,
     .value = "SECONDS",
     .help = "limit per request",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         const auto ms = Milliseconds(value);
         if (!ms)
             return "takes seconds, more than 0 and at most 86400";
         s.http.probeTimeoutMs = *ms;
         s.http.downloadTimeoutMs = *ms;
         s.http.connectTimeoutMs = std::min(s.http.connectTimeoutMs, *ms);
         return std::nullopt;
     },
     .shown =
         [](const RunSettings& s) {
             return SecondsText(s.http.probeTimeoutMs) + " probe, " + SecondsText(s.http.downloadTimeoutMs)
                 + " page";
         }},
    {.name = "user-agent",
     .type = SettingType::Text,
     .value = "TEXT",
     .help = "the User-Agent header",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         if (!IsHeaderValue(value))
             return "takes text without control characters";
         s.http.userAgent = value;
         return std::nullopt;
     },
     .shown =
         [](const RunSettings& s) {
             return s.http.userAgent.empty() ? std::string(kDefaultUserAgent) : s.http.userAgent;
         }},
    {.name = "header",
     .type = SettingType::TextList,
     .value = "'N: V'",
     .help = "send this header too (repeatable); Authorization,\nCookie and the like go to the list's origins alone",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         if (!IsHeader(value))
             return "takes \"Name: value\"";
         s.http.headers.emplace_back(value);
         return std::nullopt;
     },
     .clear = [](RunSettings& s) { s.http.headers.clear(); }},
    {.name = "header-for",
     .type = SettingType::OriginHeader,
     .value = "ORIGIN 'N: V'",
     .help = "send a header to ORIGIN alone (repeatable)",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         const std::size_t space = value.find(' ');
         const auto origin = OriginOfText(value.substr(0, space));
         if (!origin || space == std::string_view::npos)
             return "takes an origin, such as https://example.org, and \"Name: value\"";
         const std::string_view header = value.substr(space + 1);
         if (!IsHeader(header))
             return "takes \"Name: value\" after the origin";
         s.http.originHeaders.push_back({*origin, std::string(header)});
         return std::nullopt;
     },
     .clear = [](RunSettings& s) { s.http.originHeaders.clear(); }},
    {.name = "credential-header",
     .type = SettingType::TextList,
     .value = "NAME",
     .help = "NAME carries credentials too (repeatable)",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         if (!IsHeaderName(value))
             return "takes a header name";
         s.http.credentialHeaders.emplace_back(value);
         return std::nullopt;
     },
     .clear = [](RunSettings& s) { s.http.credentialHeaders.clear(); }},
    {.name = "max-retries",
     .type = SettingType::WholeNumber,
     .value = "N",
     .help = "retries after 429, 503, 408 or a drop",
     .apply =
         [](std::string_view value, RunSettings& s) {
             return Number(value, 0, 20, [&s](int retries) { s.http.maxRetries = retries; });
         },
     .shown = [](const RunSettings& s) { return std::to_string(s.http.maxRetries); }},
    {.name = "max-per-host",
     .type = SettingType::WholeNumber,
     .value = "N",
     .help = "requests in flight to one host",
     .apply =
         [](std::string_view value, RunSettings& s) {
             return Number(value, 1, 256, [&s](int perHost) { s.http.maxPerHost = perHost; });
         },
     .shown = [](const RunSettings& s) { return std::to_string(s.http.maxPerHost); }},
    {.name = "accept",
     .type = SettingType::Text,
     .value = "RANGES",
     .help = "good final statuses, as 200-299,403",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         auto ranges = StatusRanges::Parse(value);
         if (!ranges)
             return "takes statuses and ranges from 100 to 999, such as 200-299,403";
         s.http.verdict.accepted = std::move(*ranges);
         return std::nullopt;
     },
     .shown = [](const RunSettings& s) { return s.http.verdict.accepted.ToString(); }},
    {.name = "redirects",
     .type = SettingType::Text,
     .value = "POLICY",
     .help = "a 301/308 on the way is ok, warn or error",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         const auto policy = Policy(value);
         if (!policy)
             return "takes ok, warn or error";
         s.http.verdict.redirects = *policy;
         return std::nullopt;
     },
     .shown = [](const RunSettings& s) { return PolicyName(s.http.verdict.redirects); }},
    {.name = "warnings-as-errors",
     .type = SettingType::Flag,
     .help = "a warning, as a bot wall (999, challenge), exits 1",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         s.warningsAsErrors = value == "true";
         return std::nullopt;
     }},
    {.name = "cache",
     .type = SettingType::Text,
     .value = "FILE",
     .help = "keep good answers of other sites' links across runs",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         if (value.empty())
             return "needs a file name";
         s.cacheFile = value;
         return std::nullopt;
     }},
    {.name = "max-cache-age",
     .type = SettingType::Duration,
     .value = "AGE",
     .help = "fresh for seconds, or with s, m, h or d",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         const auto age = Duration(value);
         if (!age)
             return "takes seconds, or a number with s, m, h or d, up to a year";
         s.maxCacheAge = *age;
         return std::nullopt;
     },
     .shown = [](const RunSettings& s) { return DurationText(s.maxCacheAge); }},
    {.name = "insecure",
     .type = SettingType::Flag,
     .help = "do not verify TLS certificates",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         s.http.insecure = value == "true";
         return std::nullopt;
     }},
    {.name = "resources",
     .type = SettingType::Flag,
     .help = "also check what pages load: CSS, scripts, media...",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         s.checks.resources = value == "true";
         return std::nullopt;
     }},
    {.name = "fragments",
     .type = SettingType::Flag,
     .help = "a #fragment must name a place (--slugs github|gitlab)",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         s.checks.fragments = value == "true";
         return std::nullopt;
     }},
    {.name = "slugs",
     .type = SettingType::Text,
     .value = "RULES",
     .help = "",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         if (value != "github" && value != "gitlab")
             return "takes github or gitlab";
         s.checks.slugs = value == "github" ? HeadingSlugs::Rules::Github : HeadingSlugs::Rules::Gitlab;
         return std::nullopt;
     },
     .shown = [](const RunSettings& s) {
         return std::string(s.checks.slugs == HeadingSlugs::Rules::Github ? "github" : "gitlab");
     }},
    {.name = "soft-404",
     .type = SettingType::Flag,
     .help = "a 2xx like its host's answer to a made-up path is broken",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         s.soft404 = value == "true";
         return std::nullopt;
     }},
    {.name = "recurse",
     .type = SettingType::Flag,
     .help = "also check the HTML pages linked on each one's site",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         s.crawl.recurse = value == "true";
         return std::nullopt;
     }},
    {.name = "ignore-robots",
     .type = SettingType::Flag,
     .help = "crawl what the site's robots.txt disallows too",
     .apply = [](std::string_view value, RunSettings& s) -> Problem {
         s.crawl.obeyRobots = value != "true";
         return std::nullopt;
     }},
    {.name = "max-pages",
     .type = SettingType::WholeNumber,
     .value = "N",
     .help = "most pages in all, listed ones too",
     .apply =
         [](std::string_view value, RunSettings& s) {
             return Number(value, 1, kMostPages,
                           [&s](int pages) { s.crawl.maxPages = static_cast<std::size_t>(pages); });
         },
     .shown = [](const RunSettings& s) { return std::to_string(s.crawl.maxPages); }},
    {.name = "max-depth",
     .type = SettingType::WholeNumber,
     .value = "N",
     .help = "most links from a listed page to one still read",
     .apply =
         [](std::string_view value, RunSettings& s) {
             return Number(value, 0, kMostPages,
                           [&s](int depth) { s.crawl.maxDepth = static_cast<std::size_t>(depth); });
         },
     .shown =
         [](const RunSettings& s) {
             return s.crawl.maxDepth > kMostPages ? std::string() : std::to_string(s.crawl.maxDepth);
         }},
};

const Setting* Find(std::string_view name)
{
    const auto* found = std::find_if(std::begin(kSettings), std::end(kSettings),
                                     [name](const Setting& setting) { return setting.name == name; });
    return found == std::end(kSettings) ? nullptr : found;
}

}  // namespace

std::optional<SettingType> TypeOfSetting(std::string_view name)
{
    const Setting* setting = Find(name);
    return setting ? std::optional(setting->type) : std::nullopt;
}

std::optional<std::string> ApplySetting(std::string_view name, std::string_view value, RunSettings& settings)
{
    const Setting* setting = Find(name);
    if (setting == nullptr)
        return "is no setting";
    if (setting->type == SettingType::Flag) {
        if (value.empty())
            value = "true";
        else if (value != "true" && value != "false")
            return "takes true or false";
    }
    return setting->apply(value, settings);
}

void ClearListSetting(std::string_view name, RunSettings& settings)
{
    if (const Setting* setting = Find(name); setting != nullptr && setting->clear != nullptr)
        setting->clear(settings);
}

std::vector<SettingHelp> SettingsHelp(const RunSettings& defaults)
{
    std::vector<SettingHelp> help;
    for (const Setting& setting : kSettings)
        help.push_back({setting.name, setting.type, setting.value, setting.help,
                        setting.shown ? setting.shown(defaults) : std::string()});
    return help;
}

}  // namespace pardovane
