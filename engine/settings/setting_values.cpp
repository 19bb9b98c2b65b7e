#include "engine/settings/setting_values.h"

#include "engine/http/request_url.h"
#include "engine/page/utf_convert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace pardovane {

std::optional<int> WholeNumber(std::string_view text, int low, int high)
{
    int value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<long> Milliseconds(std::string_view text)
{
    double seconds = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (failure != std::errc() || end != text.data() + text.size() || !(seconds > 0) || seconds > 86'400)
        return std::nullopt;
    return std::max(1L, std::lround(seconds * 1000));
}

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

namespace {

constexpr std::pair<std::string_view, RedirectPolicy> kPolicies[] = {
    {"ok", RedirectPolicy::Ok},
    {"warn", RedirectPolicy::Warn},
    {"error", RedirectPolicy::Error},
};

}  // namespace

std::optional<RedirectPolicy> Policy(std::string_view name)
{
    for (const auto& [known, policy] : kPolicies)
        if (known == name)
            return policy;
    return std::nullopt;
}

std::string PolicyName(RedirectPolicy policy)
{
    for (const auto& [name, known] : kPolicies)
        if (known == policy)
            return std::string(name);
    return {};
}

std::string DurationText(std::chrono::seconds duration)
{
    const long seconds = duration.count();
    const std::pair<long, char> units[] = {{24L * 60 * 60, 'd'}, {60L * 60, 'h'}, {60, 'm'}};
    for (const auto& [unit, letter] : units)
        if (seconds != 0 && seconds % unit == 0)
            return std::to_string(seconds / unit) + letter;
    return std::to_string(seconds);
}

std::string SecondsText(long milliseconds)
{
    return milliseconds % 1000 == 0 ? std::to_string(milliseconds / 1000)
                                    : std::to_string(milliseconds) + " ms";
}

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

}  // namespace pardovane
