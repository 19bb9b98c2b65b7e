#include "engine/http/status_ranges.h"

#include <charconv>

namespace pardovane {
namespace {

std::optional<long> Status(std::string_view text)
{
    long value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || value < 100 || value > 999)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<StatusRanges> StatusRanges::Parse(std::string_view text)
{
    StatusRanges parsed;
    parsed.ranges_.clear();
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-');
        const auto low = Status(item.substr(0, dash));
        const auto high = dash == std::string_view::npos ? low : Status(item.substr(dash + 1));
        if (!low || !high || *high < *low)
            return std::nullopt;
        parsed.ranges_.emplace_back(*low, *high);
        if (comma == std::string_view::npos)
            return parsed;
        text.remove_prefix(comma + 1);
    }
}

bool StatusRanges::Contains(long status) const
{
    for (const auto& [low, high] : ranges_)
        if (status >= low && status <= high)
            return true;
    return false;
}

std::string StatusRanges::ToString() const
{
    std::string text;
    for (const auto& [low, high] : ranges_) {
        text += (text.empty() ? "" : ",") + std::to_string(low);
        if (high != low)
            text += "-" + std::to_string(high);
    }
    return text;
}

}  // namespace pardovane
