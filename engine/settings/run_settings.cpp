#include "engine/settings/run_settings.h"

#include "engine/http/request_url.h"
#include "engine/page/utf_convert.h"
#include "engine/settings/url_exclusion.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace pardovane {
namespace {

using Problem = std::optional<std::string>;

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

bool IsHeaderName(std::string_view text)
{
    return !text.empty()
        && std::none_of(text.begin(), text.end(), [](char c) { return c <= ' ' || c >= 0x7f || c == ':'; });
}

bool IsHeader(std::string_view text)
{
    const std::size_t colon = text.find(':');
    return colon != std::string_view::npos && IsHeaderName(text.substr(0, colon))
        && IsHeaderValue(text.substr(colon + 1));
}

// An origin as a user writes it, "https://example.org" with a port where it
// is not the default and at most a "/" after; in WireOrigin's form.
std::optional<std::string> OriginOfText(std::string_view text)
{
    const std::size_t marker = text.find("://");
    if (marker == std::string_view::npos)
        return std::nullopt;
    std::string_view authority = text.substr(marker + 3);
    if (authority.ends_with('/'))
        authority.remove_suffix(1);
    if (authority.empty() || authority.find_first_of("/?#@") != std::string_view::npos)
        return std::nullopt;
    std::string origin = RequestOrigin(Utf8ToUtf16(text));
    return origin.empty() ? std::nullopt : std::optional(std::move(origin));
}

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
    // For a flag, value is "true" or "false".
    Problem (*apply)(std::string_view value, RunSettings& settings);
};

// Every setting of a run, by the name of its long option.
constexpr Setting kSettings[] = {
    {"jobs", SettingType::WholeNumber,
     [](std::string_view value, RunSettings& s) {
         return Number(value, 1, 256, [&s](int jobs) { s.jobs = jobs; });
     }},
    {"timeout", SettingType::Seconds,
     [](std::string_view value, RunSettings& s) -> Problem {
         const auto ms = Milliseconds(value);
         if (!ms)
             return "takes seconds, more than 0 and at most 86400";
         s.http.probeTimeoutMs = *ms;
         s.http.downloadTimeoutMs = *ms;
         s.http.connectTimeoutMs = std::min(s.http.connectTimeoutMs, *ms);
         return std::nullopt;
     }},
    {"user-agent", SettingType::Text,
     [](std::string_view value, RunSettings& s) -> Problem {
         if (!IsHeaderValue(value))
             return "takes text without control characters";
         s.http.userAgent = value;
         return std::nullopt;
     }},
    {"header", SettingType::TextList,
     [](std::string_view value, RunSettings& s) -> Problem {
         if (!IsHeader(value))
             return "takes \"Name: value\"";
         s.http.headers.emplace_back(value);
         return std::nullopt;
     }},
    {"credential-header", SettingType::TextList,
     [](std::string_view value, RunSettings& s) -> Problem {
         if (!IsHeaderName(value))
             return "takes a header name";
         s.http.credentialHeaders.emplace_back(value);
         return std::nullopt;
     }},
    {"header-for", SettingType::OriginHeader,
     [](std::string_view value, RunSettings& s) -> Problem {
         const std::size_t space = value.find(' ');
         const auto origin = OriginOfText(value.substr(0, space));
         if (!origin || space == std::string_view::npos)
             return "takes an origin, such as https://example.org, and \"Name: value\"";
         const std::string_view header = value.substr(space + 1);
         if (!IsHeader(header))
             return "takes \"Name: value\" after the origin";
         s.http.originHeaders.push_back({*origin, std::string(header)});
         return std::nullopt;
     }},
    {"max-retries", SettingType::WholeNumber,
     [](std::string_view value, RunSettings& s) {
         return Number(value, 0, 20, [&s](int retries) { s.http.maxRetries = retries; });
     }},
    {"max-per-host", SettingType::WholeNumber,
     [](std::string_view value, RunSettings& s) {
         return Number(value, 1, 256, [&s](int perHost) { s.http.maxPerHost = perHost; });
     }},
    {"accept", SettingType::Text,
     [](std::string_view value, RunSettings& s) -> Problem {
         auto ranges = StatusRanges::Parse(value);
         if (!ranges)
             return "takes statuses and ranges from 100 to 999, such as 200-299,403";
         s.http.verdict.accepted = std::move(*ranges);
         return std::nullopt;
     }},
    {"redirects", SettingType::Text,
     [](std::string_view value, RunSettings& s) -> Problem {
         const auto policy = Policy(value);
         if (!policy)
             return "takes ok, warn or error";
         s.http.verdict.redirects = *policy;
         return std::nullopt;
     }},
    {"warnings-as-errors", SettingType::Flag,
     [](std::string_view value, RunSettings& s) -> Problem {
         s.warningsAsErrors = value == "true";
         return std::nullopt;
     }},
    {"cache", SettingType::Text,
     [](std::string_view value, RunSettings& s) -> Problem {
         if (value.empty())
             return "needs a file name";
         s.cacheFile = value;
         return std::nullopt;
     }},
    {"max-cache-age", SettingType::Duration,
     [](std::string_view value, RunSettings& s) -> Problem {
         const auto age = Duration(value);
         if (!age)
             return "takes seconds, or a number with s, m, h or d, up to a year";
         s.maxCacheAge = *age;
         return std::nullopt;
     }},
    {"insecure", SettingType::Flag,
     [](std::string_view value, RunSettings& s) -> Problem {
         s.http.insecure = value == "true";
         return std::nullopt;
     }},
    {"exclude", SettingType::TextList,
     [](std::string_view value, RunSettings& s) -> Problem {
         std::string pattern(value);
         if (auto problem = UrlExclusion::Problem(pattern))
             return problem;
         s.excludes.push_back(std::move(pattern));
         return std::nullopt;
     }},
    {"resources", SettingType::Flag,
     [](std::string_view value, RunSettings& s) -> Problem {
         s.checks.resources = value == "true";
         return std::nullopt;
     }},
    {"fragments", SettingType::Flag,
     [](std::string_view value, RunSettings& s) -> Problem {
         s.checks.fragments = value == "true";
         return std::nullopt;
     }},
    {"soft-404", SettingType::Flag,
     [](std::string_view value, RunSettings& s) -> Problem {
         s.soft404 = value == "true";
         return std::nullopt;
     }},
    {"recurse", SettingType::Flag,
     [](std::string_view value, RunSettings& s) -> Problem {
         s.crawl.recurse = value == "true";
         return std::nullopt;
     }},
    {"ignore-robots", SettingType::Flag,
     [](std::string_view value, RunSettings& s) -> Problem {
         s.crawl.obeyRobots = value != "true";
         return std::nullopt;
     }},
    {"max-pages", SettingType::WholeNumber,
     [](std::string_view value, RunSettings& s) {
         return Number(value, 1, kMostPages,
                       [&s](int pages) { s.crawl.maxPages = static_cast<std::size_t>(pages); });
     }},
    {"max-depth", SettingType::WholeNumber,
     [](std::string_view value, RunSettings& s) {
         return Number(value, 0, kMostPages,
                       [&s](int depth) { s.crawl.maxDepth = static_cast<std::size_t>(depth); });
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

}  // namespace pardovane
